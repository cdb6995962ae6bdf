#pragma once

#include "platform/terminalprocess.h"
#include "protocol/domain.h"
#include "report/testerreport.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// One test of an Expert Advisor in the terminal's Strategy Tester: a start-up file in the
// data folder, the terminal started with it, and the report it leaves, or else what the
// tester's journal says.
namespace BacktestRun {

// How long a test may take before it is stopped.
constexpr int TimeoutMs = 30 * 60 * 1000;

struct Settings final
{
    Protocol::Platform platform = Protocol::Platform::Mt5;
    QString installFolder;
    QString dataFolder;
    QString expert;           // below MQL4\Experts or MQL5\Experts, without extension; '\' or '/'
    QString expertParameters; // optional .set file (MT5: MQL5\Profiles\Tester; MT4: tester)
    QString symbol;
    QString period;           // M1 ... MN1
    int model = 1;            // MT5: 0 every tick, 1 one-minute OHLC, 2 open prices, 4 real ticks;
                              // MT4: 0 every tick, 1 control points, 2 open prices
    QDate from;
    QDate to;
    std::optional<double> deposit; // MT5 Deposit; MT4 the <common> block of tester\EXPERT.ini
    QString currency = QStringLiteral("USD");
    int leverage = 100;
    int spread = 0; // MT4 only; 0: the symbol's current spread
};

// The start-up file's name in the data folder, and the report's below it (".htm" added).
inline const QString StartupFileName = QStringLiteral("tavrin-backtest.ini");
inline const QString ReportName = QStringLiteral("reports\\tavrin-backtest");

// The terminal program of the installation: terminal64.exe (MT5) or terminal.exe (MT4),
// matched without regard to case; empty when it is not there.
QString terminalPath(const QString &installFolder, Protocol::Platform platform);

// A terminal whose data folder is its installation folder runs with /portable.
bool isPortable(const QString &installFolder, const QString &dataFolder);

// The keys of the start-up file in their order, "KEY=VALUE" (MT5 after "[Tester]").
QStringList startupLines(const Settings &settings);

// The start-up file's bytes: MT5 UTF-16LE with a byte-order mark, MT4 in the local 8-bit
// code page, both with CR LF.
QByteArray startupFileContent(const Settings &settings);

// tester\EXPERT.ini of MT4 with deposit and currency set in its <common> block, the rest of
// existing (when given) kept.
QByteArray mt4ExpertSettings(const QByteArray &existing, double deposit, const QString &currency);

// Whether a program runs from the installation's terminal program: natively or through
// Wine (whose processes carry its Windows path). Linux and Windows; elsewhere false.
bool terminalRuns(const QString &terminalPath);

struct JournalError final
{
    enum class Kind { NoHistory, OnInitFailed, Other };
    Kind kind = Kind::Other;
    QString text; // the journal's line without its time and source
};

// The error lines of the tester's journal text.
QList<JournalError> journalErrors(const QString &journal);

struct Result final
{
    enum class Refusal {
        None,
        NoTerminal,        // the installation has no terminal program
        NoExpert,          // no setting names an Expert Advisor
        AlreadyRunning,    // the terminal runs: close it first
        CannotWriteFiles,  // the start-up file or the report's folder could not be written
        NotStarted,        // see process for why
    };
    Refusal refusal = Refusal::None;
    TerminalProcess::Outcome process;
    QString reportPath;           // where the report is expected
    bool reportWritten = false;   // the report appeared, whatever the exit code
    std::optional<TesterReport> report; // read from it
    QString reportProblem;        // why it could not be read (the reader's English line)
    QList<JournalError> journal;  // the error lines of this run's part of the journal
    bool journalWritten = false;  // false: nothing came from the tester at all
};

class Run final : public QObject
{
    Q_OBJECT

public:
    explicit Run(QObject *parent = nullptr);

    // Returns false when it is refused before the terminal starts; finished says why, later.
    bool start(const Settings &settings, int timeoutMs = TimeoutMs);
    // Stops the terminal; finished then says Stopped.
    void stop();
    bool isRunning() const;

Q_SIGNALS:
    void finished(const BacktestRun::Result &result);

private:
    Result::Refusal prepare(const Settings &settings, TerminalProcess::Launch *launch);
    void refuseLater(Result::Refusal refusal);
    void onEnded(const TerminalProcess::Outcome &outcome);
    QString journalPath(const QDate &day) const;
    QString journalText(const QDate &day) const;

    TerminalProcess m_process;
    QString m_dataFolder;
    QString m_reportPath;
    Protocol::Platform m_platform = Protocol::Platform::Mt5;
    QDate m_startDay;
    qsizetype m_journalStart = 0;
    bool m_refusalPending = false;
};

} // namespace BacktestRun
