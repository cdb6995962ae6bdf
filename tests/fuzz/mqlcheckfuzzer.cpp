// A program's text as a service might answer it, checked as either language and kind and
// reviewed for risks: both must hold up against any bytes, and every finding must point into
// the text.

#include <mqlcheck.h>
#include <riskreview.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

// Stops the run as a crash, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const int lines = int(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const auto language : {mqlcheck::Language::Mql4, mqlcheck::Language::Mql5}) {
        for (const auto kind : {mqlcheck::Kind::Indicator, mqlcheck::Kind::ExpertAdvisor}) {
            std::tuple<int, int> previous(0, 0);
            for (const mqlcheck::Finding &finding : mqlcheck::checkProgram(text, language, kind)) {
                if (finding.line < 1 || finding.line > lines || finding.column < 1)
                    fail("a finding outside the text");
                if (std::tie(finding.line, finding.column) < previous)
                    fail("findings out of the order of their places");
                if (finding.message.empty())
                    fail("a finding without a message");
                previous = std::tie(finding.line, finding.column);
            }
        }
    }
    for (const auto language : {mqlcheck::Language::Mql4, mqlcheck::Language::Mql5}) {
        int previous = 0;
        for (const mqlcheck::RiskFinding &finding : mqlcheck::reviewRisks(text, language)) {
            if (finding.line < std::max(previous, 1) || finding.line > lines)
                fail("a risk outside the text or out of order");
            if (mqlcheck::riskExplanationFormat(finding.rule).empty()
                || finding.explanation.find(finding.subject) == std::string::npos)
                fail("a risk of no known rule, or not explained");
            previous = finding.line;
        }
    }
    mqlcheck::declaresIndicator(text);
    return 0;
}
