#include "client/conversation/chatpresenter.h"

#include "client/conversation/backtesttexts.h"
#include "client/conversation/chataction.h"
#include "client/conversation/transcript.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

// --- A test in the terminal's Strategy Tester ---------------------------------------------

namespace {

using Refusal = BacktestRun::Result::Refusal;
using Ending = TerminalProcess::Outcome::Ending;

QString notStartedText(const TerminalProcess::Outcome &process)
{
    if (process.problem == TerminalProcess::Outcome::StartProblem::WineMissing)
        return ChatPresenter::tr("Cannot start the terminal: it is a Windows program and needs Wine, but \"%1\" was not found. "
                  "Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine "
                  "program to use.")
            .arg(process.wineRequested);
    if (process.problem == TerminalProcess::Outcome::StartProblem::UnpassableCharacter)
        return ChatPresenter::tr("Cannot test through Wine: \"%1\" holds the character %2, which cannot be passed to the terminal.")
            .arg(process.unpassableText, process.unpassableCharacter);
    return ChatPresenter::tr("Cannot start the terminal for the Strategy Tester.");
}

QString backtestRefusalText(const BacktestRun::Result &result)
{
    switch (result.refusal) {
    case Refusal::NoTerminal:
        return ChatPresenter::tr("The Installation path holds no terminal program (terminal64.exe or terminal.exe), so the "
                  "Strategy Tester cannot run.");
    case Refusal::NoExpert:
        return ChatPresenter::tr("Save the Expert Advisor into the terminal first: the Strategy Tester tests a saved program.");
    case Refusal::AlreadyRunning:
        return ChatPresenter::tr("The terminal is running with this data folder: close the terminal first, then run the "
                  "backtest again.");
    case Refusal::CannotWriteFiles:
        return ChatPresenter::tr("Cannot write the Strategy Tester's start-up file or its report folder in the data folder.");
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
        return ChatPresenter::tr("No history data for this symbol and period: open its chart in the terminal once, so that it "
                  "downloads the history, then test again.");
    case BacktestRun::JournalError::Kind::OnInitFailed:
        return ChatPresenter::tr("The Expert Advisor's OnInit failed, so the test stopped at its start.");
    case BacktestRun::JournalError::Kind::Other:
        break;
    }
    return error.text;
}

// Why no report came, from the tester's own journal when it wrote one.
QString missingReportText(const BacktestRun::Result &result)
{
    if (result.process.ending == Ending::TimedOut)
        return ChatPresenter::tr("The Strategy Tester did not finish in time and was stopped.");
    if (result.process.ending == Ending::Stopped)
        return ChatPresenter::tr("The backtest was stopped; no report was written.");
    if (!result.journalWritten)
        return ChatPresenter::tr("Nothing came from the Strategy Tester: no report and no journal. A terminal that has never "
                  "logged in to its broker has no history to test with; log in once, then test again.");
    if (result.journal.isEmpty())
        return ChatPresenter::tr("The Strategy Tester wrote no report, and its journal names no error.");
    QString text = ChatPresenter::tr("The Strategy Tester wrote no report. Its journal says:");
    for (const BacktestRun::JournalError &error : result.journal)
        text += QLatin1Char('\n') + journalText(error);
    return text;
}

ChatEntry::Link reportLink(const QString &reportPath)
{
    return {ChatPresenter::tr("Open the full report"), QUrl::fromLocalFile(QFileInfo(reportPath).absoluteFilePath()).toString()};
}

} // namespace

using DeploySteps::Save;

QString ChatPresenter::pathProblem(const Save &save)
{
    const QString name = Protocol::wireName(save.platform);
    const QString mql = Protocol::mqlFolderName(save.platform);
    const QString folder = QDir::toNativeSeparators(save.folder);
    switch (save.refusal) {
    case Save::Refusal::DataFolderEmpty:
        return tr("The %1 Data path is empty: choose the folder that holds %2.").arg(name, mql);
    case Save::Refusal::NoMqlFolder:
        return tr("The %1 Data path \"%2\" holds no %3 folder.").arg(name, folder, mql);
    case Save::Refusal::InstallFolderEmpty:
        return tr("The %1 Installation path is empty: choose the terminal's folder.").arg(name);
    case Save::Refusal::InstallFolderMissing:
        return tr("The %1 Installation path \"%2\" does not exist.").arg(name, folder);
    case Save::Refusal::None:
    case Save::Refusal::BadName:
    case Save::Refusal::EarlierNotKept:
    case Save::Refusal::WriteFailed:
        break;
    }
    return {};
}

QString ChatPresenter::refusalText(const Save &save)
{
    switch (save.refusal) {
    case Save::Refusal::BadName:
    case Save::Refusal::WriteFailed:
        return tr("Cannot write file: %1").arg(save.detail);
    case Save::Refusal::EarlierNotKept:
        return tr("Cannot write file: %1")
            .arg(tr("the earlier version of %1 could not be kept (%2), so it was left as it was")
                     .arg(QDir::toNativeSeparators(save.path), save.detail));
    case Save::Refusal::None:
        return {};
    case Save::Refusal::DataFolderEmpty:
    case Save::Refusal::NoMqlFolder:
    case Save::Refusal::InstallFolderEmpty:
    case Save::Refusal::InstallFolderMissing:
        break;
    }
    return tr("Invalid platform path!") + QLatin1Char('\n') + pathProblem(save) + QLatin1Char('\n')
        + tr("Your program is kept: fix the path, then save it.");
}

QList<ChatEntry> ChatPresenter::saveEntries(const Save &save)
{
    QList<ChatEntry> entries;
    if (save.pathVerified())
        entries.append(Transcript::serviceEntry(tr("Platform path verified!")));
    if (save.refusal != Save::Refusal::None) {
        entries.append(Transcript::serviceEntry(
            refusalText(save), {{tr("Save and compile again"), ChatAction{ChatAction::Kind::Deploy, save.program}.href()}}));
        return entries;
    }
    ChatEntry saved = Transcript::serviceEntry(tr("Code saved to: %1").arg(save.path));
    saved.textLinks = {{save.path, QUrl::fromLocalFile(QFileInfo(save.path).absoluteFilePath()).toString()}};
    if (save.replaced != Save::Replaced::Nothing) {
        saved.text += QLatin1Char('\n')
            + (save.replaced == Save::Replaced::OwnVersion ? tr("It replaced the program's previous version, which was kept.")
                                                           : tr("The file held another program; its earlier version was kept."));
        saved.links.append({tr("Restore the earlier version"), ChatAction{ChatAction::Kind::Restore, save.program}.href()});
    }
    entries.append(saved);
    return entries;
}

ChatEntry ChatPresenter::riskEntry(const DeploySteps::Review &review)
{
    ChatEntry warning;
    warning.kind = ChatEntry::Kind::Warning;
    warning.text = tr("Risks found in this program. It was saved all the same: check them before you run it.");
    for (const RiskWarnings::Warning &risk : review.risks) {
        const QString line = tr("Line %1:").arg(risk.line);
        warning.text += QLatin1Char('\n') + line + QLatin1Char(' ') + RiskWarnings::wording(risk.rule, risk.subject);
        warning.textLinks.append({line, ChatAction{ChatAction::Kind::ShowProgram, review.program, risk.line}.href()});
    }
    return warning;
}

ChatEntry ChatPresenter::compilingEntry(const QString &fileName, qint64 elapsedMs)
{
    return Transcript::serviceEntry(tr("Compiling %1... %2").arg(fileName, Transcript::clockText(elapsedMs)),
                                    {{tr("Stop"), ChatAction{ChatAction::Kind::StopCompile}.href()}});
}

ChatEntry ChatPresenter::compileEnding(const DeploySteps::Compile &compile)
{
    const QString took = Transcript::clockText(compile.elapsedMs);
    if (compile.stopped)
        return Transcript::serviceEntry(tr("Compile stopped after %1").arg(took));
    // A compiler that failed to start is known only once the compile has begun.
    return Transcript::serviceEntry(compile.started && compile.problem.isEmpty() ? tr("Compile finished after %1").arg(took)
                                                                                 : tr("Compile failed after %1").arg(took));
}

QList<ChatEntry> ChatPresenter::compileResults(const DeploySteps::Compile &compile)
{
    QList<ChatEntry> results;
    if (!compile.problem.isEmpty())
        results.append(Transcript::serviceEntry(compile.problem));
    else if (!compile.started)
        results.append(Transcript::serviceEntry(tr("Cannot start compiler!")));
    if (compile.hasLog) {
        // A log that reports errors offers to hand them back to the service; a clean Expert
        // Advisor, to be tested.
        if (compile.reportsErrors)
            results.append(Transcript::serviceEntry(
                compile.log, {{tr("Ask to fix these errors"), ChatAction{ChatAction::Kind::FixErrors, compile.program}.href()}}));
        else if (compile.type == Protocol::ProgramType::ExpertAdvisor)
            results.append(Transcript::serviceEntry(
                compile.log, {{tr("Backtest"), ChatAction{ChatAction::Kind::Backtest, compile.program}.href()}}));
        else
            results.append(Transcript::serviceEntry(compile.log));
    } else if (compile.started && compile.problem.isEmpty()) {
        results.append(Transcript::serviceEntry(tr("The compiler finished but left no log.")));
    }
    return results;
}

ChatEntry ChatPresenter::restoreEntry(const DeploySteps::Restore &restore)
{
    if (!restore.error.isEmpty())
        return Transcript::serviceEntry(tr("Cannot restore the earlier version: %1").arg(restore.error));
    return Transcript::serviceEntry(tr("The earlier version of %1 is back in place.").arg(QDir::toNativeSeparators(restore.path)));
}

ChatEntry ChatPresenter::backtestingEntry(const QString &expert, qint64 elapsedMs)
{
    return Transcript::serviceEntry(tr("Testing %1 in the Strategy Tester... %2").arg(expert, Transcript::clockText(elapsedMs)),
                                    {{tr("Stop"), ChatAction{ChatAction::Kind::StopBacktest}.href()}});
}

ChatEntry ChatPresenter::backtestEnding(const BacktestRun::Result &result, qint64 elapsedMs)
{
    const QString took = Transcript::clockText(elapsedMs);
    if (result.process.ending == TerminalProcess::Outcome::Ending::Stopped)
        return Transcript::serviceEntry(tr("Backtest stopped after %1").arg(took));
    return Transcript::serviceEntry(result.reportWritten ? tr("Backtest finished after %1").arg(took)
                                                         : tr("Backtest failed after %1").arg(took));
}

ChatEntry ChatPresenter::backtestResult(const BacktestRun::Result &result)
{
    if (result.refusal != Refusal::None)
        return Transcript::serviceEntry(backtestRefusalText(result));
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
