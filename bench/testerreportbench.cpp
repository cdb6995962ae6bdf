// Reading a long test's report: a real MT5 report (tests/report/data) grown to 1,000 trades by
// repeating one trade's two orders and two deals, about 2 MB in UTF-16 as the tester writes it.

#include "benchsupport.h"

#include "report/testerreport.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <ctime>

namespace {

constexpr int kTrades = 1000;

QByteArray longReport()
{
    QFile file(QStringLiteral(REPORT_DATA "/mt5-en-zerotohero.html"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QStringDecoder(QStringConverter::Utf16LE).decode(file.readAll());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QList<qsizetype> rows; // the orders' and the deals' lines, in order
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QStringLiteral("   <tr bgcolor=")))
            rows.append(i);
    }
    if (rows.size() != 13) // six orders; the deposit and six deals
        return {};
    QStringList grown = lines.first(rows[0]);
    for (int trade = 0; trade < kTrades; ++trade)
        grown << lines[rows[0]] << lines[rows[1]];
    grown << lines.sliced(rows[5] + 1, rows[6] - rows[5]); // through the deposit's deal
    for (int trade = 0; trade < kTrades; ++trade)
        grown << lines[rows[7]] << lines[rows[8]];
    grown << lines.sliced(rows[12] + 1);
    return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
        .encode(grown.join(QStringLiteral("\r\n")));
}

void read(benchmark::State &state)
{
    const QByteArray report = longReport();
    qsizetype closings = 0;
    // The machine is shared: its CPU time tells the reader's own cost when others run too.
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        const TesterReportRead read = readTesterReport(report);
        closings = read.report ? read.report->balance.size() - 1 : 0;
        benchmark::DoNotOptimize(closings);
    }
    if (closings != kTrades)
        state.SkipWithError("the long report did not read as 1,000 trades");
    state.counters["report size [MB]"] = double(report.size()) / 1e6;
    state.counters["CPU time per report [ms]"] =
        double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / double(state.iterations());
}

} // namespace

int main(int argc, char *argv[])
{
    benchmark::RegisterBenchmark("report: an MT5 tester report of 1,000 trades", read)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(0.5);
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
