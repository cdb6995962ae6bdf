#include "client/conversation/chatpresenter.h"

#include "client/conversation/backtesttexts.h"
#include "client/conversation/chataction.h"
#include "client/conversation/transcript.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
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

ChatEntry ChatPresenter::answerWaitingEntry(const ChatTransport::Stream &stream, qint64 elapsedMs)
{
    // Lines of a program being written that its bubble shows: the newest ones.
    constexpr int kLiveLines = 8;
    const QString clock = Transcript::clockText(elapsedMs);
    const QList<ChatEntry::Link> stop{{tr("Stop"), ChatAction{ChatAction::Kind::StopRequest}.href()}};
    if (!stream.done && stream.phase == ChatStreamEvent::Phase::Unknown && stream.written.isEmpty())
        return Transcript::serviceEntry(tr("Generating code... %1").arg(clock), stop);
    ChatEntry entry = Transcript::serviceEntry(phaseText(stream) + QLatin1Char(' ') + clock, stop);
    if (!stream.written.isEmpty()) {
        const qint64 ms = std::max<qint64>(1, stream.writing.elapsed());
        entry.text += QLatin1Char('\n')
            + tr("%1 characters, %2 per second").arg(stream.written.size()).arg(stream.written.size() * 1000 / ms);
        entry.kind = ChatEntry::Kind::Program;
        const QStringList lines = stream.written.split(QLatin1Char('\n'));
        entry.code = lines.mid(std::max<qsizetype>(0, lines.size() - kLiveLines)).join(QLatin1Char('\n'));
    }
    return entry;
}

QString ChatPresenter::phaseText(const ChatTransport::Stream &stream)
{
    switch (stream.phase) {
    case ChatStreamEvent::Phase::Queued:
        return tr("Waiting for the model (number %1 in the queue)...").arg(stream.position);
    case ChatStreamEvent::Phase::Checking:
        return tr("Checking the program...");
    case ChatStreamEvent::Phase::Repairing:
        return tr("Correcting the program...");
    case ChatStreamEvent::Phase::Writing:
    case ChatStreamEvent::Phase::Unknown:
        break;
    }
    // The model may take a while before its first piece: until then nothing is being written.
    return stream.written.isEmpty() ? tr("Waiting for the first lines...") : tr("Writing the program...");
}

ChatEntry ChatPresenter::compilingEntry(const QString &fileName, qint64 elapsedMs)
{
    return Transcript::serviceEntry(tr("Compiling %1... %2").arg(fileName, Transcript::clockText(elapsedMs)),
                                    {{tr("Stop"), ChatAction{ChatAction::Kind::StopCompile}.href()}});
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

// --- The chat's events -----------------------------------------------------------------------

QString ChatPresenter::noticeText(const ChatEvent &notice)
{
    // The conversation marks its notices for translation where it words them.
    const QString text = QCoreApplication::translate("Conversation", notice.text.toUtf8().constData());
    // In one pass, so that an argument holding "%2" (a path, a name) is never filled in itself.
    QString filled;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const qsizetype number = at + 1 < text.size() ? text.at(at + 1).digitValue() : -1;
        if (text.at(at) == QLatin1Char('%') && number >= 1 && number <= notice.args.size()) {
            filled += notice.args.at(number - 1);
            ++at;
        } else {
            filled += text.at(at);
        }
    }
    return filled;
}

QString ChatPresenter::endingText(const ChatEvent &wait)
{
    using Ending = ChatEvent::Ending;
    const QString took = Transcript::clockText(wait.elapsedMs);
    switch (wait.waiting) {
    case ChatEvent::Waiting::Answer:
        switch (wait.ending) {
        case Ending::Answered:
            return tr("Answered after %1").arg(took);
        case Ending::Stopped:
        case Ending::Unfinished:
        case Ending::Running: // the conversation shows its own running wait
            return tr("Stopped after %1").arg(took);
        case Ending::Refused:
            return tr("Refused after %1").arg(took);
        case Ending::Failed:
        case Ending::Finished:
            break;
        }
        return tr("Failed after %1").arg(took);
    case ChatEvent::Waiting::Compile:
        if (wait.ending == Ending::Unfinished)
            return tr("The compile had not finished when the chat was last kept.");
        if (wait.ending == Ending::Stopped)
            return tr("Compile stopped after %1").arg(took);
        return wait.ending == Ending::Finished ? tr("Compile finished after %1").arg(took) : tr("Compile failed after %1").arg(took);
    case ChatEvent::Waiting::Backtest:
        break;
    }
    if (wait.ending == Ending::Unfinished)
        return tr("The backtest had not finished when the chat was last kept.");
    if (wait.ending == Ending::Stopped)
        return tr("Backtest stopped after %1").arg(took);
    return wait.ending == Ending::Finished ? tr("Backtest finished after %1").arg(took) : tr("Backtest failed after %1").arg(took);
}

QString ChatPresenter::sessionText(const ChatEvent &session)
{
    const QString platform = Protocol::wireName(session.platform);
    const QString kind = session.programType == Protocol::ProgramType::Indicator ? tr("Indicator") : tr("EA");
    switch (session.reason) {
    case ChatEvent::SessionReason::New:
        break;
    case ChatEvent::SessionReason::Replacing:
        return tr("The request takes the place of the earlier one: a new session continues from what was said before it.");
    case ChatEvent::SessionReason::ForgottenSeeded:
        return tr("The code generator no longer knew this chat: a new %1 %2 chat continues it from what was said "
                  "and its program, and your request goes there.")
            .arg(platform, kind);
    case ChatEvent::SessionReason::Forgotten:
    case ChatEvent::SessionReason::ForgottenUntold: {
        const QString text = tr("The code generator no longer knew this chat: a new %1 %2 chat was opened, and your request goes "
                                "there.")
                                 .arg(platform, kind);
        if (session.reason == ChatEvent::SessionReason::Forgotten)
            return text;
        return text + QLatin1Char(' ')
            + tr("This code generator cannot be given the chat's history: it starts from your request alone.");
    }
    }
    return tr("Creating new %1 %2 chat...").arg(platform, kind);
}

// A program's bubble: the program, Show all and Copy code, its versions once it has several.
ChatEntry ChatPresenter::programEntry(const ChatEvent &event, const Context &context)
{
    ChatEntry entry;
    entry.kind = ChatEntry::Kind::Program;
    entry.code = context.code;
    const QString &code = context.code;
    const int lines = int(code.count(QLatin1Char('\n'))) + (code.endsWith(QLatin1Char('\n')) ? 0 : 1);
    if (lines > ChatEntry::PreviewLines)
        entry.links.append({tr("Show all %1 lines").arg(lines), ChatAction{ChatAction::Kind::ShowProgram, event.program}.href()});
    entry.links.append({tr("Copy code"), ChatAction{ChatAction::Kind::CopyProgram, event.program}.href()});
    if (context.versions > 0)
        entry.links.append({tr("Versions (%1)").arg(context.versions), ChatAction{ChatAction::Kind::Versions, event.program}.href()});
    return entry;
}

QList<ChatEntry> ChatPresenter::stepEntries(const ChatEvent::StepResult &step)
{
    if (const auto *save = std::get_if<DeploySteps::Save>(&step))
        return saveEntries(*save);
    if (const auto *review = std::get_if<DeploySteps::Review>(&step))
        return {riskEntry(*review)};
    if (const auto *compile = std::get_if<DeploySteps::Compile>(&step))
        return compileResults(*compile);
    if (const auto *restore = std::get_if<DeploySteps::Restore>(&step))
        return {restoreEntry(*restore)};
    if (const auto *tested = std::get_if<BacktestRun::Result>(&step))
        return {backtestResult(*tested)};
    return {};
}

QList<ChatEntry> ChatPresenter::entries(const ChatEvent &event, const Context &context)
{
    switch (event.type) {
    case ChatEvent::Type::Shown:
        return {event.shown};
    case ChatEvent::Type::Notice:
        return {Transcript::serviceEntry(noticeText(event))};
    case ChatEvent::Type::Request: {
        ChatEntry user;
        user.kind = ChatEntry::Kind::User;
        user.text = event.text;
        if (context.lastTurn)
            user.links = {{tr("Edit"), ChatAction{ChatAction::Kind::Edit, context.index}.href()}};
        return {user};
    }
    case ChatEvent::Type::Wait:
        if (event.ending == ChatEvent::Ending::Running && event.waiting == ChatEvent::Waiting::Compile)
            return {compilingEntry(event.name, context.runningMs)};
        if (event.ending == ChatEvent::Ending::Running && event.waiting == ChatEvent::Waiting::Backtest)
            return {backtestingEntry(event.name, context.runningMs)};
        return {Transcript::serviceEntry(endingText(event))};
    case ChatEvent::Type::Answer: {
        ChatEntry shown = programEntry(event, context);
        shown.text = event.text;
        if (context.lastTurn)
            shown.links.append({tr("Regenerate"), ChatAction{ChatAction::Kind::Regenerate, context.index}.href()});
        return {shown};
    }
    case ChatEvent::Type::Opened: {
        ChatEntry shown = programEntry(event, context);
        shown.text = event.offline
            ? tr("%1 is open in this chat. The offline generator in use changes only programs it wrote itself, so it "
                 "cannot change this one; it writes a new program from your description in a new chat (New Chat). To have "
                 "this one changed, choose a model server in Settings > Code generator…")
                  .arg(event.path)
            : tr("%1 is open in this chat: ask for the changes you want. They are saved under the same name, "
                 "and the content it has now is kept as a version.")
                  .arg(event.path);
        shown.textLinks = {{event.path, QUrl::fromLocalFile(event.path).toString()}};
        return {shown};
    }
    case ChatEvent::Type::Session:
        return {Transcript::serviceEntry(sessionText(event))};
    case ChatEvent::Type::Step:
        return stepEntries(event.step);
    case ChatEvent::Type::VersionChosen:
        return {Transcript::serviceEntry(
            tr("The version of %1 is the chat's program again: it is saved and compiled now, and your next "
               "request continues from it.")
                .arg(QLocale().toString(event.time, QLocale::ShortFormat)))};
    }
    return {};
}
