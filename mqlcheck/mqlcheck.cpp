#include "mqlcheck.h"

#include "codetext.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace mqlcheck {

namespace {

struct ForeignConstruct
{
    Language missingIn;
    std::string_view pattern;
    std::string_view what;
};

// Only constructs that plainly belong to the other language, so that a valid program is
// never refused. Patterns as understood by findPattern.
constexpr ForeignConstruct foreignConstructs[] = {
    {Language::Mql4, "CopyBuffer~(", "function 'CopyBuffer'"},
    {Language::Mql4, "#~include~<Trade\\Trade.mqh>", "include file 'Trade\\Trade.mqh'"},
    {Language::Mql4, "CTrade", "class 'CTrade'"},
    {Language::Mql5, "IndicatorBuffers~(", "function 'IndicatorBuffers'"},
    {Language::Mql5, "SetIndexStyle~(", "function 'SetIndexStyle'"},
    {Language::Mql5, "MarketInfo~(", "function 'MarketInfo'"},
};

constexpr std::string_view openers = "{(";
constexpr std::string_view closers = "})";

std::size_t skipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// Only blanks between the start of a line and position.
bool startsLine(std::string_view text, std::size_t position)
{
    const std::size_t before = position == 0 ? std::string_view::npos
                                             : text.find_last_not_of(" \t\r\f\v", position - 1);
    return before == std::string_view::npos || text[before] == '\n';
}

// The end of pattern matched at start, if it matches there. In a pattern '~' stands for any
// run of blanks (none included) and '\' for either slash; a pattern that starts or ends with a
// word character matches only whole words there.
std::optional<std::size_t> matchAt(std::string_view text, std::size_t start, std::string_view pattern)
{
    if (isWordCharacter(pattern.front()) && start > 0 && isWordCharacter(text[start - 1]))
        return std::nullopt;
    std::size_t i = start;
    for (const char p : pattern) {
        if (p == '~') {
            i = skipBlanks(text, i);
            continue;
        }
        if (i >= text.size())
            return std::nullopt;
        const bool same = p == '\\' ? text[i] == '\\' || text[i] == '/' : text[i] == p;
        if (!same)
            return std::nullopt;
        ++i;
    }
    if (isWordCharacter(pattern.back()) && i < text.size() && isWordCharacter(text[i]))
        return std::nullopt;
    return i;
}

std::optional<std::size_t> findPattern(std::string_view text, std::string_view pattern,
                                       std::size_t from = 0)
{
    for (std::size_t i = from; i < text.size(); ++i) {
        if (matchAt(text, i, pattern))
            return i;
    }
    return std::nullopt;
}

// A definition, not a mere call: the name, a parameter list without parentheses, then a body.
bool defines(std::string_view code, std::string_view function)
{
    const std::string head = std::string(function) + "~(";
    for (auto at = findPattern(code, head); at; at = findPattern(code, head, *at + 1)) {
        const std::size_t close = code.find_first_of("()", *matchAt(code, *at, head));
        if (close != std::string_view::npos && code[close] == ')' && matchAt(code, close + 1, "~{"))
            return true;
    }
    return false;
}

std::string languageName(Language language)
{
    return language == Language::Mql4 ? "MQL4" : "MQL5";
}

// A closer pairs with the nearest open bracket of its kind; the openers passed over on the way
// are reported as never closed, so a missing closer is shown at the line of its opener rather
// than at the end of the file.
std::vector<Finding> bracketFindings(const CodeText &text)
{
    std::vector<Finding> findings;
    const std::string &code = text.code();
    const std::vector<std::size_t> partner = pairBrackets(code, openers, closers);
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (partner[i] != std::string_view::npos)
            continue;
        const std::string bracket(1, code[i]);
        if (openers.find(code[i]) != std::string_view::npos)
            findings.push_back(text.errorAt(code::UnclosedOpener, i, "'" + bracket + "' is not closed"));
        else if (closers.find(code[i]) != std::string_view::npos)
            findings.push_back(text.errorAt(code::UnexpectedCloser, i, "unexpected '" + bracket + "'"));
    }
    return findings;
}

// The old MQL4 handlers init() and start() still count there.
std::vector<Finding> entryPointFindings(const std::string &code, Language language, Kind kind)
{
    std::vector<Finding> findings;
    const bool mql4 = language == Language::Mql4;
    const bool indicator = kind == Kind::Indicator;
    const std::string handler = indicator ? "OnCalculate" : "OnTick";
    if (!defines(code, handler) && !(mql4 && defines(code, "start"))) {
        const std::string names = "'" + handler + (mql4 ? "' or 'start'" : "'");
        findings.push_back({Finding::Severity::Error, code::MissingEntryPoint, 1, 1,
                            std::string(indicator ? "indicator" : "Expert Advisor") + " has no "
                                + names + " function"});
    }
    if (!defines(code, "OnInit") && !(mql4 && defines(code, "init")))
        findings.push_back({Finding::Severity::Warning, code::MissingOnInit, 1, 1, "no 'OnInit' function"});
    return findings;
}

// The first use of each construct is enough to tell the program is for the other language.
std::vector<Finding> foreignConstructFindings(const CodeText &text, Language language)
{
    std::vector<Finding> findings;
    for (const ForeignConstruct &construct : foreignConstructs) {
        if (construct.missingIn != language)
            continue;
        if (const auto at = findPattern(text.code(), construct.pattern)) {
            findings.push_back(text.errorAt(code::NotAvailableInLanguage, *at,
                                            std::string(construct.what) + " is not available in "
                                                + languageName(language)));
        }
    }
    return findings;
}

} // namespace

std::vector<Finding> checkProgram(std::string_view utf8Source, Language language, Kind kind)
{
    const std::string_view source = withoutByteOrderMark(utf8Source);
    if (std::all_of(source.begin(), source.end(), isBlank))
        return {{Finding::Severity::Error, code::EmptySource, 1, 1, "source file is empty"}};

    const CodeText text(source);
    std::vector<Finding> findings = text.findings();
    for (auto &&more : {bracketFindings(text), entryPointFindings(text.code(), language, kind),
                        foreignConstructFindings(text, language)})
        findings.insert(findings.end(), more.begin(), more.end());
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
    return findings;
}

// A "#property indicator_" at the start of a line, outside comments and strings.
bool declaresIndicator(std::string_view utf8Source)
{
    const CodeText text(withoutByteOrderMark(utf8Source));
    const std::string &code = text.code();
    for (std::size_t hash = code.find('#'); hash != std::string::npos; hash = code.find('#', hash + 1)) {
        const auto keyword = matchAt(code, hash, "#~property");
        if (startsLine(code, hash) && keyword && *keyword < code.size() && isBlank(code[*keyword])
            && code.compare(skipBlanks(code, *keyword), 10, "indicator_") == 0)
            return true;
    }
    return false;
}

} // namespace mqlcheck
