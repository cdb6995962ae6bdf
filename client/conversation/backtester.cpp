#include "client/conversation/backtester.h"

#include "client/conversation/backtesttexts.h"
#include "client/conversation/chataction.h"
#include "client/conversation/transcript.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

constexpr int kTickMs = 1000;

using Refusal = BacktestRun::Result::Refusal;
using Ending = TerminalProcess::Outcome::Ending;

QString notStartedText(const TerminalProcess::Outcome &process)
{
    if (process.problem == TerminalProcess::Outcome::StartProblem::WineMissing)
        return Backtester::tr("Cannot start the terminal: it is a Windows program and needs Wine, but \"%1\" was not found. "
                  "Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine "
                  "program to use.")
            .arg(process.wineRequested);
    if (process.problem == TerminalProcess::Outcome::StartProblem::UnpassableCharacter)
        return Backtester::tr("Cannot test through Wine: \"%1\" holds the character %2, which cannot be passed to the terminal.")
            .arg(process.unpassableText, process.unpassableCharacter);
    return Backtester::tr("Cannot start the terminal for the Strategy Tester.");
}

QString refusalText(const BacktestRun::Result &result)
{
    switch (result.refusal) {
    case Refusal::NoTerminal:
        return Backtester::tr("The Installation path holds no terminal program (terminal64.exe or terminal.exe), so the "
                  "Strategy Tester cannot run.");
    case Refusal::NoExpert:
        return Backtester::tr("Save the Expert Advisor into the terminal first: the Strategy Tester tests a saved program.");
    case Refusal::AlreadyRunning:
        return Backtester::tr("The terminal is running with this data folder: close the terminal first, then run the "
                  "backtest again.");
    case Refusal::CannotWriteFiles:
        return Backtester::tr("Cannot write the Strategy Tester's start-up file or its report folder in the data folder.");
    case Refusal::NotStarted:
        return notStartedText(result.process);
    case Refusal::None:
        break;
    }
    return {};
}

QString journalText(const BacktestRun::JournalError &error)
{
    switch (error.kind) {
    case BacktestRun::JournalError::Kind::NoHistory:
        return Backtester::tr("No history data for this symbol and period: open its chart in the terminal once, so that it "
                  "downloads the history, then test again.");
    case BacktestRun::JournalError::Kind::OnInitFailed:
        return Backtester::tr("The Expert Advisor's OnInit failed, so the test stopped at its start.");
    case BacktestRun::JournalError::Kind::Other:
        break;
    }
    return error.text;
}

// Why no report came, from the tester's own journal when it wrote one.
QString missingReportText(const BacktestRun::Result &result)
{
    if (result.process.ending == Ending::TimedOut)
        return Backtester::tr("The Strategy Tester did not finish in time and was stopped.");
    if (result.process.ending == Ending::Stopped)
        return Backtester::tr("The backtest was stopped; no report was written.");
    if (!result.journalWritten)
        return Backtester::tr("Nothing came from the Strategy Tester: no report and no journal. A terminal that has never "
                  "logged in to its broker has no history to test with; log in once, then test again.");
    if (result.journal.isEmpty())
        return Backtester::tr("The Strategy Tester wrote no report, and its journal names no error.");
    QString text = Backtester::tr("The Strategy Tester wrote no report. Its journal says:");
    for (const BacktestRun::JournalError &error : result.journal)
        text += QLatin1Char('\n') + journalText(error);
    return text;
}

ChatEntry::Link reportLink(const QString &reportPath)
{
    return {Backtester::tr("Open the full report"), QUrl::fromLocalFile(QFileInfo(reportPath).absoluteFilePath()).toString()};
}

} // namespace

Backtester::Backtester(Transcript *transcript, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_transcript(transcript)
    , m_timeoutMs(timeoutMs)
{
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, [this] {
        if (!m_run.isRunning())
            m_ticker.stop();
        else if (m_runningEntry >= 0 && m_testedChat == m_chat)
            m_transcript->update(m_runningEntry, runningEntry());
    });
    connect(&m_run, &BacktestRun::Run::finished, this, &Backtester::onFinished);
    connect(m_transcript, &Transcript::cleared, this, [this] { m_runningEntry = -1; });
}

bool Backtester::start(int number, const BacktestRun::Settings &settings)
{
    if (m_run.isRunning())
        return false;
    m_testing = number;
    m_testedChat = m_chat;
    m_expert = QFileInfo(settings.expert).fileName();
    m_runningEntry = -1;
    if (!m_run.start(settings, m_timeoutMs))
        return false; // its finished says why, from the event loop
    m_clock.start();
    m_runningEntry = m_transcript->add(runningEntry());
    m_ticker.start();
    return true;
}

void Backtester::stop()
{
    m_run.stop();
}

ChatEntry Backtester::runningEntry() const
{
    return Transcript::serviceEntry(
        tr("Testing %1 in the Strategy Tester... %2").arg(m_expert, Transcript::clockText(m_clock.elapsed())),
        {{tr("Stop"), ChatAction{ChatAction::Kind::StopBacktest}.href()}});
}

QString Backtester::endingText(const BacktestRun::Result &result) const
{
    const QString took = Transcript::clockText(m_clock.elapsed());
    if (result.process.ending == Ending::Stopped)
        return tr("Backtest stopped after %1").arg(took);
    return result.reportWritten ? tr("Backtest finished after %1").arg(took) : tr("Backtest failed after %1").arg(took);
}

ChatEntry Backtester::resultEntry(const BacktestRun::Result &result)
{
    if (result.refusal != Refusal::None)
        return Transcript::serviceEntry(refusalText(result));
    if (!result.reportWritten)
        return Transcript::serviceEntry(missingReportText(result));
    if (!result.report)
        return Transcript::serviceEntry(tr("The Strategy Tester's report could not be read: %1").arg(result.reportProblem),
                                        {reportLink(result.reportPath)});
    ChatEntry card;
    card.kind = ChatEntry::Kind::Backtest;
    card.text = BacktestTexts::headline(*result.report) + QLatin1Char('\n') + BacktestTexts::figures(*result.report);
    for (const BacktestRun::JournalError &error : result.journal)
        card.text += QLatin1Char('\n') + journalText(error);
    card.curve = result.report->balance;
    card.demo = result.report->demo;
    card.links = {reportLink(result.reportPath)};
    return card;
}

void Backtester::onFinished(const BacktestRun::Result &result)
{
    const int number = std::exchange(m_testing, -1);
    if (m_testedChat != m_chat)
        return; // its chat was left
    if (m_runningEntry >= 0)
        m_transcript->change(std::exchange(m_runningEntry, -1), Transcript::serviceEntry(endingText(result)));
    m_transcript->add(resultEntry(result));
    Q_EMIT tested(number, result);
}
