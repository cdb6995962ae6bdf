#include "client/conversation/programdeployer.h"

#include "platform/compilerlog.h"
#include "platform/deployment.h"
#include "platform/sourceversions.h"
#include "client/conversation/chataction.h"
#include "client/conversation/riskwarnings.h"
#include "client/conversation/transcript.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kTickMs = 1000;

} // namespace

ProgramDeployer::ProgramDeployer(Transcript *transcript, int compileTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_transcript(transcript)
    , m_compileTimeoutMs(compileTimeoutMs)
{
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, [this] {
        if (!m_compile.isRunning())
            m_ticker.stop();
        else if (m_compileEntry >= 0)
            m_transcript->update(m_compileEntry, compilingEntry());
    });
    connect(&m_compile, &CompilerRun::Job::finished, this, &ProgramDeployer::onCompiled);
    // The bubble that counted seconds is gone with the transcript.
    connect(m_transcript, &Transcript::cleared, this, [this] { m_compileEntry = -1; });
}

void ProgramDeployer::setFolders(Protocol::Platform platform, const QString &installFolder, const QString &dataFolder)
{
    m_folders.insert(platform, {installFolder, dataFolder});
}

int ProgramDeployer::keep(const QString &code, const QString &request, Protocol::Platform platform, Protocol::ProgramType type,
                          const std::optional<QList<RiskWarning>> &serviceWarnings)
{
    m_programs.append({code, m_programName.trimmed(), request, platform, type, {}, {}, serviceWarnings, QDateTime::currentDateTime(), {}, {}, {}});
    return int(m_programs.size()) - 1;
}

int ProgramDeployer::keepOpened(const QString &code, const QString &filePath, Protocol::Platform platform,
                                 Protocol::ProgramType type)
{
    const int number = keep(code, {}, platform, type, std::nullopt);
    m_programs[number].name = QFileInfo(filePath).completeBaseName();
    m_programs[number].sourcePath = filePath;
    return number;
}

int ProgramDeployer::keepCopy(int number)
{
    Program copy = m_programs.at(number);
    copy.sourcePath.clear();
    copy.earlierVersion.clear();
    copy.time = QDateTime::currentDateTime();
    copy.verdict = ProgramVersion::Verdict::NotCompiled;
    copy.errors.clear();
    copy.backtest.reset();
    m_programs.append(copy);
    return int(m_programs.size()) - 1;
}

QList<ProgramVersion> ProgramDeployer::versionsOf(int number) const
{
    const QList<ProgramVersion> all = versions();
    QList<ProgramVersion> same;
    for (const ProgramVersion &version : all) {
        if (m_programs.at(version.number).name == m_programs.at(number).name)
            same.append(version);
    }
    return same;
}

QList<ProgramVersion> ProgramDeployer::versions() const
{
    QList<ProgramVersion> versions;
    versions.reserve(m_programs.size());
    for (qsizetype number = 0; number < m_programs.size(); ++number) {
        const Program &program = m_programs.at(number);
        ProgramVersion version;
        version.source = program.code;
        version.filePath = program.sourcePath;
        version.replacedKeptAt = program.earlierVersion;
        version.time = program.time;
        version.request = program.request;
        version.verdict = program.verdict;
        version.errors = program.errors;
        version.backtest = program.backtest;
        for (const RiskWarning &risk : program.serviceWarnings.value_or(QList<RiskWarning>()))
            version.risks.append({risk.rule, risk.line});
        version.number = int(number);
        versions.append(version);
    }
    return versions;
}

void ProgramDeployer::restoreVersions(const QList<ProgramVersion> &versions, Protocol::Platform platform,
                                      Protocol::ProgramType type)
{
    m_waiting.clear();
    m_programs.clear();
    QList<ProgramVersion> ordered = versions;
    std::stable_sort(ordered.begin(), ordered.end(), [](const ProgramVersion &a, const ProgramVersion &b) {
        return unsigned(a.number) < unsigned(b.number);
    });
    for (const ProgramVersion &version : std::as_const(ordered)) {
        QList<RiskWarning> risks;
        for (const ProgramVersion::Risk &risk : version.risks)
            risks.append({risk.rule, risk.line});
        m_programs.append({version.source, QFileInfo(version.filePath).completeBaseName(), version.request, platform, type, version.filePath,
                           version.replacedKeptAt, risks.isEmpty() ? std::nullopt : std::optional(risks), version.time, version.verdict,
                           version.errors, version.backtest});
    }
}

QStringList ProgramDeployer::errorsOf(int number) const
{
    return number >= 0 && number < m_programs.size() ? m_programs.at(number).errors : QStringList();
}

BacktestRun::Settings ProgramDeployer::backtestSettings(int number, const BacktestChoice &choice) const
{
    const Program &program = m_programs.at(number);
    const Folders folders = m_folders.value(program.platform);
    BacktestRun::Settings settings;
    settings.platform = program.platform;
    settings.installFolder = folders.install.trimmed();
    settings.dataFolder = folders.data.trimmed();
    settings.symbol = choice.symbol;
    settings.period = choice.period;
    settings.from = choice.from;
    settings.to = choice.to;
    settings.deposit = choice.deposit;
    settings.model = choice.model;
    const QString experts = Deployment::targetFolder(Deployment::mqlFolder(settings.dataFolder, program.platform),
                                                     Protocol::ProgramType::ExpertAdvisor);
    const QString relative = QDir(experts).relativeFilePath(program.sourcePath);
    if (!program.sourcePath.isEmpty() && !relative.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(relative))
        settings.expert = relative.left(relative.size() - QFileInfo(relative).suffix().size() - 1);
    return settings;
}

bool ProgramDeployer::isInTerminal(int number) const
{
    const QString &path = m_programs.at(number).sourcePath;
    return !path.isEmpty()
        && std::none_of(m_programs.cbegin() + number + 1, m_programs.cend(),
                        [&path](const Program &later) { return later.sourcePath == path; });
}

void ProgramDeployer::setBacktest(int number, const TesterReport &report)
{
    if (number >= 0 && number < m_programs.size())
        m_programs[number].backtest = report;
}

QString ProgramDeployer::program(int number) const
{
    return number >= 0 && number < m_programs.size() ? m_programs.at(number).code : QString();
}

void ProgramDeployer::deploy(int number)
{
    if (number < 0 || number >= m_programs.size())
        return;
    m_waiting.append(number);
    deployNext();
}

// One program at a time reaches the terminal: a second answer waits for the compile before.
void ProgramDeployer::deployNext()
{
    while (!m_compile.isRunning() && !m_waiting.isEmpty())
        save(m_waiting.takeFirst());
}

void ProgramDeployer::refuse(int number, const QString &text)
{
    m_transcript->add(text, {{tr("Save and compile again"), ChatAction{ChatAction::Kind::Deploy, number}.href()}});
}

// Which field is wrong and how, so that the trader can fix it; empty when both are usable.
QString ProgramDeployer::folderProblem(Protocol::Platform platform, const Folders &folders) const
{
    const QString name = Protocol::wireName(platform);
    const QString mql = Protocol::mqlFolderName(platform);
    if (folders.data.isEmpty())
        return tr("The %1 Data path is empty: choose the folder that holds %2.").arg(name, mql);
    if (!QDir(Deployment::mqlFolder(folders.data, platform)).exists())
        return tr("The %1 Data path \"%2\" holds no %3 folder.").arg(name, QDir::toNativeSeparators(folders.data), mql);
    if (folders.install.isEmpty())
        return tr("The %1 Installation path is empty: choose the terminal's folder.").arg(name);
    if (!QDir(folders.install).exists())
        return tr("The %1 Installation path \"%2\" does not exist.").arg(name, QDir::toNativeSeparators(folders.install));
    return {};
}

void ProgramDeployer::save(int number)
{
    Program &program = m_programs[number];
    QString name = m_programName.trimmed();
    if (name.isEmpty())
        name = Deployment::defaultSourceName(QDateTime::currentDateTime());
    const Protocol::Platform platform = program.platform;
    const Folders folders = m_folders.value(platform);
    const QString problem = folderProblem(platform, {folders.install.trimmed(), folders.data.trimmed()});
    if (!problem.isEmpty()) {
        refuse(number, tr("Invalid platform path!") + QLatin1Char('\n') + problem + QLatin1Char('\n')
                           + tr("Your program is kept: fix the path, then save it."));
        return;
    }
    m_transcript->add(tr("Platform path verified!"));

    const QString nameProblem = Deployment::sourceNameProblem(name);
    if (!nameProblem.isEmpty()) {
        refuse(number, tr("Cannot write file: %1").arg(nameProblem));
        return;
    }
    const QString targetFolder =
        Deployment::targetFolder(Deployment::mqlFolder(folders.data.trimmed(), platform), program.type);
    const QString fileName = name + Protocol::sourceExtension(platform);
    const QString sourcePath = targetFolder + QLatin1Char('/') + fileName;
    const QByteArray content = Deployment::sourceFileContent(program.code);
    // The trader's own file of that name must survive being replaced.
    const SourceVersions::KeepResult kept = SourceVersions::keepEarlier(sourcePath, content);
    if (!kept.ok) {
        refuse(number, tr("Cannot write file: %1").arg(
                           tr("the earlier version of %1 could not be kept (%2), so it was left as it was")
                               .arg(QDir::toNativeSeparators(sourcePath), kept.error)));
        return;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(sourcePath, content);
    if (!written.ok) {
        refuse(number, tr("Cannot write file: %1").arg(written.error));
        return;
    }
    program.sourcePath = sourcePath;
    program.earlierVersion = kept.versionPath;
    ChatEntry saved = Transcript::serviceEntry(tr("Code saved to: %1").arg(sourcePath));
    saved.textLinks = {{sourcePath, QUrl::fromLocalFile(QFileInfo(sourcePath).absoluteFilePath()).toString()}};
    if (!kept.versionPath.isEmpty()) {
        saved.text += QLatin1Char('\n')
            + (wroteEarlier(number, kept.versionPath) ? tr("It replaced the program's previous version, which was kept.")
                                                      : tr("The file held another program; its earlier version was kept."));
        saved.links.append({tr("Restore the earlier version"), ChatAction{ChatAction::Kind::Restore, number}.href()});
    }
    m_transcript->add(saved);
    warnOfRisks(number);

    m_compiling = number;
    m_compiledChat = m_chat;
    m_compiledFile = fileName;
    m_compileEntry = -1;
    m_compileStopped = false;
    if (!m_compile.start(folders.install.trimmed(), targetFolder, fileName, m_compileTimeoutMs))
        return; // its finished says why, from the event loop
    m_compileClock.start();
    m_compileEntry = m_transcript->add(compilingEntry());
    m_ticker.start();
}

bool ProgramDeployer::wroteEarlier(int number, const QString &replacedPath) const
{
    QFile replaced(replacedPath);
    if (!replaced.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = replaced.readAll();
    const QString &sourcePath = m_programs.at(number).sourcePath;
    return std::any_of(m_programs.cbegin(), m_programs.cend(), [&](const Program &earlier) {
        return &earlier != &m_programs.at(number) && earlier.sourcePath == sourcePath
            && Deployment::sourceFileContent(earlier.code) == content;
    });
}

// Whoever wrote the program, the trader hears of its risks before running it; it is saved and
// compiled all the same, the decision is theirs.
void ProgramDeployer::warnOfRisks(int number)
{
    const Program &program = m_programs.at(number);
    // The service's own findings when it sends them, in this client's words; else its own review.
    const QList<RiskWarnings::Warning> risks = program.serviceWarnings
        ? RiskWarnings::describe(*program.serviceWarnings, program.code, program.platform)
        : RiskWarnings::review(program.code, program.platform);
    if (risks.isEmpty())
        return;
    ChatEntry warning;
    warning.kind = ChatEntry::Kind::Warning;
    warning.text = tr("Risks found in this program. It was saved all the same: check them before you run it.");
    for (const RiskWarnings::Warning &risk : risks) {
        const QString line = tr("Line %1:").arg(risk.line);
        warning.text += QLatin1Char('\n') + line + QLatin1Char(' ') + risk.message;
        warning.textLinks.append({line, ChatAction{ChatAction::Kind::ShowProgram, number, risk.line}.href()});
    }
    m_transcript->add(warning);
}

ChatEntry ProgramDeployer::compilingEntry() const
{
    return Transcript::serviceEntry(tr("Compiling %1... %2").arg(m_compiledFile, Transcript::clockText(m_compileClock.elapsed())),
                        {{tr("Stop"), ChatAction{ChatAction::Kind::StopCompile}.href()}});
}

void ProgramDeployer::stopCompile()
{
    m_compileStopped = m_compile.isRunning();
    m_compile.stop();
}

QString ProgramDeployer::compileEndingText(const CompilerRun::Outcome &outcome) const
{
    const QString took = Transcript::clockText(m_compileClock.elapsed());
    if (m_compileStopped)
        return tr("Compile stopped after %1").arg(took);
    // A compiler that failed to start is known only once the compile has begun.
    return outcome.started && outcome.problem.isEmpty() ? tr("Compile finished after %1").arg(took)
                                                         : tr("Compile failed after %1").arg(took);
}

QList<ChatEntry> ProgramDeployer::compileResults(const CompilerRun::Outcome &outcome, int number,
                                                 bool reportsErrors, Protocol::ProgramType type)
{
    QList<ChatEntry> results;
    if (!outcome.problem.isEmpty())
        results.append(Transcript::serviceEntry(outcome.problem));
    else if (!outcome.started)
        results.append(Transcript::serviceEntry(tr("Cannot start compiler!")));
    if (outcome.hasLog) {
        // A log that reports errors offers to hand them back to the service; a clean Expert
        // Advisor, to be tested.
        if (reportsErrors)
            results.append(Transcript::serviceEntry(
                outcome.log, {{tr("Ask to fix these errors"), ChatAction{ChatAction::Kind::FixErrors, number}.href()}}));
        else if (type == Protocol::ProgramType::ExpertAdvisor)
            results.append(Transcript::serviceEntry(
                outcome.log, {{tr("Backtest"), ChatAction{ChatAction::Kind::Backtest, number}.href()}}));
        else
            results.append(Transcript::serviceEntry(outcome.log));
    } else if (outcome.started && outcome.problem.isEmpty()) {
        results.append(Transcript::serviceEntry(tr("The compiler finished but left no log.")));
    }
    return results;
}

void ProgramDeployer::onCompiled(const CompilerRun::Outcome &outcome)
{
    // A compile of a chat the trader has left ends without a word in the new one.
    const bool sameChat = m_compiledChat == m_chat;
    const int compiled = m_compiling;
    const bool newest = sameChat && m_compiling == m_programs.size() - 1;
    const bool reportsErrors = outcome.hasLog && CompilerLog::errorCount(outcome.log) > 0;
    const QStringList errors = reportsErrors ? CompilerLog::errorLines(outcome.log) : QStringList();
    if (sameChat && m_compiling >= 0 && m_compiling < m_programs.size()) {
        Program &compiled = m_programs[m_compiling];
        compiled.verdict = !outcome.hasLog ? ProgramVersion::Verdict::Failed
            : reportsErrors                 ? ProgramVersion::Verdict::Errors
                                            : ProgramVersion::Verdict::Compiled;
        compiled.errors = errors;
    }
    m_compiling = -1;
    if (sameChat) {
        // The bubble that counted the seconds says how the compile ended; its results follow.
        if (m_compileEntry >= 0)
            m_transcript->change(std::exchange(m_compileEntry, -1), Transcript::serviceEntry(compileEndingText(outcome)));
        const Protocol::ProgramType type = compiled >= 0 && compiled < m_programs.size() ? m_programs.at(compiled).type
                                                                                          : Protocol::ProgramType::Indicator;
        for (const ChatEntry &result : compileResults(outcome, compiled, reportsErrors, type))
            m_transcript->add(result);
    }
    deployNext();
    if (outcome.hasLog && newest)
        Q_EMIT newestCompiled(errors);
}

void ProgramDeployer::restore(int number)
{
    if (number < 0 || number >= m_programs.size())
        return;
    const Program &program = m_programs.at(number);
    QFile version(program.earlierVersion);
    if (program.earlierVersion.isEmpty() || !version.open(QIODevice::ReadOnly)) {
        m_transcript->add(tr("Cannot restore the earlier version: %1").arg(version.errorString()));
        return;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(program.sourcePath, version.readAll());
    if (!written.ok) {
        m_transcript->add(tr("Cannot restore the earlier version: %1").arg(written.error));
        return;
    }
    m_transcript->add(tr("The earlier version of %1 is back in place.").arg(QDir::toNativeSeparators(program.sourcePath)));
}
