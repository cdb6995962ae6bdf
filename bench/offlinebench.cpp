// The offline generator's time from a trader's message to the finished program: typical
// requests of every kind, in each language, for each platform and program type, follow-ups of
// the largest strategy a program can carry, and a program's strategy line read back, checked
// against its digest, or refused when forged far beyond that size.

#include "benchsupport.h"

#include <offlinegenerator.h>

#include <QElapsedTimer>

#include <algorithm>

using namespace offline;

namespace {

constexpr int kRuns = 300;

struct Case
{
    Target target;
    Language language;
    const char *request;
};

const Case kCases[] = {
    {{false, false}, Language::English, "An EA that buys when RSI 14 drops below 30 and sells above 70, lot 0.1"},
    {{true, false}, Language::English, "EMA 10/50 crossover, stop loss 40 pips, trailing stop 30 points, risk 1% per trade"},
    {{false, true}, Language::English, "MACD histogram indicator with arrows and an alert"},
    {{true, true}, Language::English, "Bollinger 20 2 and RSI indicator on H1"},
    {{false, false}, Language::SimplifiedChinese, "RSI周期21，超买80，超卖20，手数0.25，交易时间 9:00-18:00"},
    {{true, false}, Language::TraditionalChinese, "均線交叉 10 50，停損 30 點，週一到週五，網格 5 單"},
    {{false, false}, Language::English, "stochastic cross and CCI below -100, martingale max 3 steps, stop loss 2 x ATR"},
    {{true, false}, Language::English, "An EA that trades the news with machine learning on multiple pairs"},
};

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

// Every indicator, then more, up to the rules a strategy holds at most, with every exit, size
// and filter.
Strategy largeStrategy()
{
    Strategy strategy = OfflineGenerator::answer({}, QStringLiteral(
        "RSI, stop loss 40 pips, take profit 80 pips, trailing stop 30 points, break even 20 pips, close after "
        "10 bars, close at 21:00, risk 1% per trade, martingale max 3 steps, grid of 4 orders 200 points apart, "
        "trade between 8:00 and 17:00 monday to friday, max spread 20 points, magic 777, alerts"),
        {true, false}, Language::English).strategy;
    const int indicators = int(indicatorDescriptions().size());
    for (int indicator = 0; strategy.rules.size() < maxRules; indicator = (indicator + 1) % indicators)
        strategy.rules.append(Rule::withDefaults(Indicator(indicator)));
    return strategy;
}

void report(const QString &figure, const std::vector<double> &ms)
{
    BenchSupport::printRow(QStringLiteral("offline"), figure + QStringLiteral(", p50"), percentile(ms, 0.5), "ms");
    BenchSupport::printRow(QStringLiteral("offline"), figure + QStringLiteral(", p99"), percentile(ms, 0.99), "ms");
}

} // namespace

int main()
{
    std::vector<double> typical;
    QElapsedTimer timer;
    for (int run = 0; run < kRuns; ++run) {
        for (const Case &c : kCases) {
            timer.start();
            const Answer answer = OfflineGenerator::answer({}, QString::fromUtf8(c.request), c.target, c.language);
            typical.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (answer.built == answer.program.isEmpty())
                return 1;
        }
    }
    report(QStringLiteral("request to program, typical requests"), typical);

    const Strategy large = largeStrategy();
    std::vector<double> followUps;
    qsizetype lines = 0;
    for (int run = 0; run < kRuns; ++run) {
        timer.start();
        const Answer answer = OfflineGenerator::answer(large, QStringLiteral("make the RSI period 21"), {run % 2 == 0, false},
                                                       Language::English);
        followUps.push_back(double(timer.nsecsElapsed()) / 1e6);
        lines = answer.program.count(u'\n');
    }
    report(QStringLiteral("follow-up to program, %1-line Expert Advisor").arg(lines), followUps);

    // A program brought back: its line read and its digest checked, or a forged line of 4,000
    // rules refused before it is parsed.
    const QString program = OfflineGenerator::answer(large, QString(), {true, false}, Language::English).program;
    QString rules;
    for (int i = 0; i < 4000; ++i)
        rules += QStringLiteral("{\"c\":2,\"g\":7,\"i\":2,\"m\":0,\"v\":[14,70,30]},");
    const QString forged = QString(program).replace(QStringLiteral("\"rules\":["), QStringLiteral("\"rules\":[") + rules);
    std::vector<double> read;
    std::vector<double> refused;
    for (int run = 0; run < kRuns; ++run) {
        timer.start();
        const bool intact = OfflineGenerator::describedBy(program)->intact;
        read.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        const bool none = !OfflineGenerator::describedBy(forged);
        refused.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!intact || !none)
            return 1;
    }
    report(QStringLiteral("program's strategy read and checked"), read);
    report(QStringLiteral("forged 4,000-rule line refused"), refused);
    return lines > 400 ? 0 : 1;
}
