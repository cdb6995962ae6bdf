#include "client/conversation/programdeployer.h"

#include "platform/compilerlog.h"
#include "platform/deployment.h"
#include "platform/sourceversions.h"
#include "client/conversation/riskwarnings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

ProgramDeployer::ProgramDeployer(int compileTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_compileTimeoutMs(compileTimeoutMs)
{
    connect(&m_compile, &CompilerRun::Job::finished, this, &ProgramDeployer::onCompiled);
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

using DeploySteps::Save;

// Which field is wrong, so that the trader can fix it; None when both are usable.
Save::Refusal ProgramDeployer::folderProblem(Protocol::Platform platform, const Folders &folders)
{
    if (folders.data.isEmpty())
        return Save::Refusal::DataFolderEmpty;
    if (!QDir(Deployment::mqlFolder(folders.data, platform)).exists())
        return Save::Refusal::NoMqlFolder;
    if (folders.install.isEmpty())
        return Save::Refusal::InstallFolderEmpty;
    if (!QDir(folders.install).exists())
        return Save::Refusal::InstallFolderMissing;
    return Save::Refusal::None;
}

Save ProgramDeployer::write(int number)
{
    Program &program = m_programs[number];
    Save result;
    result.program = number;
    result.platform = program.platform;
    QString name = m_programName.trimmed();
    if (name.isEmpty())
        name = Deployment::defaultSourceName(QDateTime::currentDateTime());
    const Folders folders{m_folders.value(program.platform).install.trimmed(), m_folders.value(program.platform).data.trimmed()};
    result.refusal = folderProblem(program.platform, folders);
    if (result.refusal != Save::Refusal::None) {
        result.folder = result.refusal == Save::Refusal::NoMqlFolder ? folders.data : folders.install;
        return result;
    }
    result.detail = Deployment::sourceNameProblem(name);
    if (!result.detail.isEmpty()) {
        result.refusal = Save::Refusal::BadName;
        return result;
    }
    const QString targetFolder = Deployment::targetFolder(Deployment::mqlFolder(folders.data, program.platform), program.type);
    const QString sourcePath = targetFolder + QLatin1Char('/') + name + Protocol::sourceExtension(program.platform);
    const QByteArray content = Deployment::sourceFileContent(program.code);
    // The trader's own file of that name must survive being replaced.
    const SourceVersions::KeepResult kept = SourceVersions::keepEarlier(sourcePath, content);
    if (!kept.ok) {
        result.refusal = Save::Refusal::EarlierNotKept;
        result.path = sourcePath;
        result.detail = kept.error;
        return result;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(sourcePath, content);
    if (!written.ok) {
        result.refusal = Save::Refusal::WriteFailed;
        result.detail = written.error;
        return result;
    }
    program.sourcePath = sourcePath;
    program.earlierVersion = kept.versionPath;
    result.path = sourcePath;
    result.keptAt = kept.versionPath;
    if (!kept.versionPath.isEmpty())
        result.replaced = wroteEarlier(number, kept.versionPath) ? Save::Replaced::OwnVersion : Save::Replaced::OtherProgram;
    return result;
}

void ProgramDeployer::save(int number)
{
    const Save result = write(number);
    Q_EMIT saved(result);
    if (result.refusal != Save::Refusal::None)
        return;
    warnOfRisks(number);

    const QFileInfo source(result.path);
    m_compiling = number;
    m_compiledChat = m_chat;
    m_compileStopped = false;
    m_compileClock.invalidate();
    if (!m_compile.start(m_folders.value(result.platform).install.trimmed(), source.path(), source.fileName(), m_compileTimeoutMs))
        return; // its finished says why, from the event loop
    m_compileClock.start();
    Q_EMIT compileStarted(source.fileName());
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
    // The service's own findings when it sends them; else this client's own review.
    const QList<RiskWarnings::Warning> risks = program.serviceWarnings
        ? RiskWarnings::describe(*program.serviceWarnings, program.code, program.platform)
        : RiskWarnings::review(program.code, program.platform);
    if (!risks.isEmpty())
        Q_EMIT risksFound({number, risks});
}

void ProgramDeployer::stopCompile()
{
    m_compileStopped = m_compile.isRunning();
    m_compile.stop();
}

void ProgramDeployer::onCompiled(const CompilerRun::Outcome &outcome)
{
    // A compile of a chat the trader has left ends without a word in the new one.
    const bool sameChat = m_compiledChat == m_chat;
    const int number = std::exchange(m_compiling, -1);
    const bool known = sameChat && number >= 0 && number < m_programs.size();
    const bool newest = sameChat && number == m_programs.size() - 1;
    const bool reportsErrors = outcome.hasLog && CompilerLog::errorCount(outcome.log) > 0;
    const QStringList errors = reportsErrors ? CompilerLog::errorLines(outcome.log) : QStringList();
    if (known) {
        Program &program = m_programs[number];
        program.verdict = !outcome.hasLog ? ProgramVersion::Verdict::Failed
            : reportsErrors               ? ProgramVersion::Verdict::Errors
                                          : ProgramVersion::Verdict::Compiled;
        program.errors = errors;
    }
    if (sameChat) {
        DeploySteps::Compile result;
        result.program = number;
        result.type = known ? m_programs.at(number).type : Protocol::ProgramType::Indicator;
        result.elapsedMs = m_compileClock.isValid() ? m_compileClock.elapsed() : 0;
        result.stopped = m_compileStopped;
        result.started = outcome.started;
        result.problem = outcome.problem;
        result.hasLog = outcome.hasLog;
        result.log = outcome.log;
        result.reportsErrors = reportsErrors;
        Q_EMIT compiled(result);
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
        Q_EMIT restored({number, program.sourcePath, version.errorString()});
        return;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(program.sourcePath, version.readAll());
    Q_EMIT restored({number, program.sourcePath, written.ok ? QString() : written.error});
}
