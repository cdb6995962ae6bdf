#include "platform/compilerrun.h"


#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace CompilerRun {

namespace {

const QString kCompileSwitch = QStringLiteral("/compile:");
const QString kLogSwitch = QStringLiteral("/log:") + LogFileName;

bool readLog(const QString &logPath, QString *log)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream stream(&file);
    *log = stream.readAll();
    return true;
}

QString entryIgnoringCase(const QDir &folder, const QString &name)
{
    if (folder.exists(name))
        return folder.absoluteFilePath(name);
    const QStringList files = folder.entryList({name}, QDir::Files | QDir::Hidden | QDir::System);
    return files.isEmpty() ? QString() : folder.absoluteFilePath(files.constFirst());
}

// Why the compiler did not run, in the trader's language; empty when only its start failed.
QString startProblemText(const TerminalProcess::Outcome &ended, const QString &compilerName)
{
    using Problem = TerminalProcess::Outcome::StartProblem;
    switch (ended.problem) {
    case Problem::UnpassableCharacter:
        return QCoreApplication::translate("CompilerRun",
                                           "Cannot compile through Wine: \"%1\" holds the character %2, "
                                           "which cannot be passed to the compiler. Please choose a name "
                                           "without it.")
            .arg(ended.unpassableText, ended.unpassableCharacter);
    case Problem::WineMissing:
        return QCoreApplication::translate("CompilerRun",
                                           "Cannot start compiler: %1 is a Windows program and needs Wine, but "
                                           "\"%2\" was not found. Install Wine (Debian, Ubuntu: sudo apt install "
                                           "wine wine64) or set TAVRIN_WINE to the Wine program to use.")
            .arg(compilerName, ended.wineRequested);
    case Problem::Wine32Missing:
        return QCoreApplication::translate("CompilerRun",
                                           "Cannot start compiler: %1 is a 32-bit Windows program, and this Wine "
                                           "runs only 64-bit ones. Add 32-bit Wine: sudo dpkg --add-architecture "
                                           "i386 && sudo apt update && sudo apt install wine32:i386")
            .arg(compilerName);
    case Problem::None:
    case Problem::NoProgram:
    case Problem::StartFailed:
        break;
    }
    return {};
}

// The compiler's arguments in one command line as it reads them: natively the file name is
// quoted only when it holds blanks; through cmd always, so that cmd takes none of it as syntax.
QString windowsCompilerArguments(const QString &sourceFileName)
{
#ifdef Q_OS_WIN
    return nativeCompilerArguments(sourceFileName);
#else
    return kCompileSwitch + QLatin1Char('"') + sourceFileName + QLatin1Char('"') + QLatin1Char(' ') + kLogSwitch;
#endif
}

} // namespace

QString compilerPath(const QString &installFolder)
{
    const QDir folder(installFolder);
    const QString compiler = entryIgnoringCase(folder, QStringLiteral("metaeditor.exe"));
    return compiler.isEmpty() ? entryIgnoringCase(folder, QStringLiteral("metaeditor64.exe")) : compiler;
}

QStringList compilerArguments(const QString &sourceFileName)
{
    return {kCompileSwitch + sourceFileName, kLogSwitch};
}

QString nativeCompilerArguments(const QString &sourceFileName)
{
    const QString fileName = sourceFileName.contains(QLatin1Char(' '))
        ? QLatin1Char('"') + sourceFileName + QLatin1Char('"')
        : sourceFileName;
    return kCompileSwitch + fileName + QLatin1Char(' ') + kLogSwitch;
}

Job::Job(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &TerminalProcess::finished, this, &Job::onProcessFinished);
}

// The terminal process kills a compiler left running: it would outlive the client and hold
// the terminal's files.
Job::~Job() = default;

bool Job::start(const QString &installFolder, const QString &workingFolder, const QString &sourceFileName,
                int timeoutMs)
{
    m_logPath = QDir(workingFolder).absoluteFilePath(LogFileName);
    m_timeoutMs = timeoutMs;
    // An old log must never pass for this run's result.
    QFile::remove(m_logPath);

    TerminalProcess::Launch launch;
    launch.program = compilerPath(installFolder);
    launch.arguments = compilerArguments(sourceFileName);
    launch.windowsArguments = windowsCompilerArguments(sourceFileName);
    launch.passedTexts = {sourceFileName};
    launch.workingFolder = workingFolder;
    launch.timeoutMs = timeoutMs;
    return m_process.start(launch);
}

void Job::stop()
{
    m_process.stop();
}

bool Job::isRunning() const
{
    return m_process.isRunning();
}

void Job::onProcessFinished(const TerminalProcess::Outcome &ended)
{
    using Ending = TerminalProcess::Outcome::Ending;
    Outcome outcome;
    outcome.started = ended.ending != Ending::NotStarted;
    if (ended.ending == Ending::Stopped)
        outcome.problem = QCoreApplication::translate("CompilerRun", "The compile was stopped.");
    else if (ended.ending == Ending::TimedOut)
        outcome.problem = QCoreApplication::translate("CompilerRun",
                                                      "The compiler did not finish within %1 seconds and was stopped.")
                              .arg(m_timeoutMs / 1000);
    else if (!outcome.started)
        outcome.problem = startProblemText(ended, QFileInfo(m_process.program()).fileName());
    if (outcome.started) {
        outcome.hasLog = readLog(m_logPath, &outcome.log);
        QFile::remove(m_logPath);
    }
    Q_EMIT finished(outcome);
}

} // namespace CompilerRun
