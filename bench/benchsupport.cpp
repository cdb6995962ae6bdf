#include "benchsupport.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace BenchSupport {

namespace {

const char *unitName(benchmark::TimeUnit unit)
{
    switch (unit) {
    case benchmark::kNanosecond:
        return "ns";
    case benchmark::kMicrosecond:
        return "us";
    case benchmark::kMillisecond:
        return "ms";
    case benchmark::kSecond:
        return "s";
    }
    return "?";
}

QString formatted(double value)
{
    const double magnitude = value < 0 ? -value : value;
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

// "figure [unit]" split in two; no brackets means no unit.
void splitUnit(const QString &name, QString *figure, QString *unit)
{
    const qsizetype open = name.lastIndexOf(QLatin1Char('['));
    if (open > 0 && name.endsWith(QLatin1Char(']'))) {
        *figure = name.left(open).trimmed();
        *unit = name.mid(open + 1, name.size() - open - 2);
    } else {
        *figure = name;
        unit->clear();
    }
}

} // namespace

qint64 statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

bool resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

void printRow(const QString &area, const QString &figure, double value, const QString &unit)
{
    std::printf("%-11s %-56s %12s %s\n", qPrintable(area), qPrintable(figure),
                qPrintable(formatted(value)), qPrintable(unit));
    std::fflush(stdout);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool TableReporter::ReportContext(const Context &)
{
    return true;
}

void TableReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        const QString name = QString::fromStdString(run.benchmark_name());
        const qsizetype colon = name.indexOf(QLatin1String(": "));
        const QString area = colon > 0 ? name.left(colon) : QStringLiteral("bench");
        // Google Benchmark appends "/iterations:N" and the like; the table leaves them out.
        QString figure = colon > 0 ? name.mid(colon + 2) : name;
        figure = figure.section(QLatin1Char('/'), 0, 0);
        if (run.error_occurred) {
            m_failed = true;
            std::printf("%-11s %-56s %12s %s\n", qPrintable(area), qPrintable(figure), "FAILED",
                        run.error_message.c_str());
            continue;
        }
        printRow(area, figure, run.GetAdjustedRealTime(), QString::fromLatin1(unitName(run.time_unit)));
        for (const auto &[counterName, counter] : run.counters) {
            QString counterFigure;
            QString unit;
            splitUnit(QString::fromStdString(counterName), &counterFigure, &unit);
            printRow(area, QStringLiteral("  ") + counterFigure, counter.value, unit);
        }
    }
}

int runRegisteredBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}

} // namespace BenchSupport
