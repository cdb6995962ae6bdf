#pragma once

#include <benchmark/benchmark.h>

#include <QString>

#include <vector>

// What every benchmark program of this folder shares: the table they all print, so that
// bench/run shows one table, and the process's memory figures.
namespace BenchSupport {

// A field of /proc/self/status ("VmRSS", "VmHWM", ...) in KiB; -1 when unavailable.
qint64 statusKib(const char *field);

// Restarts the VmHWM peak at the current resident size, so that a peak belongs to one step.
// Returns false where the kernel does not allow it.
bool resetPeakResident();

// One table row: area, what was measured, the figure and its unit.
void printRow(const QString &area, const QString &figure, double value, const QString &unit);

// The median of the values; 0 for none.
double median(std::vector<double> values);

// Prints Google Benchmark results as table rows. A benchmark named "area: figure" gives
// the row "area | figure | time per iteration"; each counter "name [unit]" gives a row
// of its own under the same area.
class TableReporter final : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;

    bool failed() const { return m_failed; }

private:
    bool m_failed = false;
};

// benchmark::Initialize, then every registered benchmark through the table reporter.
// Returns the process's exit code.
int runRegisteredBenchmarks(int argc, char **argv);

} // namespace BenchSupport
