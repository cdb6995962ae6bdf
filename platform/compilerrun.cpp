#include "platform/compilerrun.h"

#include "platform/winerun.h"
#include "platform/wineprefixes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

#ifndef Q_OS_WIN
// Sets compiler up to run the Windows program at compilerPath through Wine; the reason why
// it cannot when it cannot.
QString prepareWineRun(QProcess &compiler, const QString &compilerPath, const QString &sourceFileName)
{
    const QString name = QFileInfo(compilerPath).fileName();
    for (const QString &text : {sourceFileName, compilerPath}) {
        const QString unpassable = WineRun::unpassableCharacter(text);
        if (!unpassable.isEmpty()) {
            return QCoreApplication::translate("CompilerRun",
                                               "Cannot compile through Wine: \"%1\" holds the character %2, "
                                               "which cannot be passed to the compiler. Please choose a name "
                                               "without it.")
                .arg(text, unpassable);
        }
    }
    const QString prefix = WinePrefixes::prefixOf(compilerPath);
    QString requested;
    const QString wine = WineRun::wineProgram(prefix, &requested);
    if (wine.isEmpty()) {
        return QCoreApplication::translate("CompilerRun",
                                           "Cannot start compiler: %1 is a Windows program and needs Wine, but "
                                           "\"%2\" was not found. Install Wine (Debian, Ubuntu: sudo apt install "
                                           "wine wine64) or set TAVRIN_WINE to the Wine program to use.")
            .arg(name, requested);
    }
    if (qEnvironmentVariableIsEmpty("TAVRIN_WINE") && WineRun::is32BitProgram(compilerPath)
        && WineRun::lacks32BitWine()) {
        return QCoreApplication::translate("CompilerRun",
                                           "Cannot start compiler: %1 is a 32-bit Windows program, and this Wine "
                                           "runs only 64-bit ones. Add 32-bit Wine: sudo dpkg --add-architecture "
                                           "i386 && sudo apt update && sudo apt install wine32:i386")
            .arg(name);
    }
    compiler.setProgram(wine);
    compiler.setArguments({QStringLiteral("cmd"), QStringLiteral("/c"),
                           QLatin1Char('%') + WineRun::CommandVariable + QLatin1Char('%')});
    compiler.setProcessEnvironment(WineRun::environment(
        prefix, WineRun::commandLine(WineRun::windowsPath(prefix, compilerPath), sourceFileName, LogFileName)));
    return {};
}
#endif

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
    m_bound.setSingleShot(true);
    connect(&m_bound, &QTimer::timeout, this, [this] {
        m_stopReason = QCoreApplication::translate("CompilerRun",
                                                   "The compiler did not finish within %1 seconds and was stopped.")
                           .arg(m_bound.interval() / 1000);
        m_process.kill();
    });
    connect(&m_process, &QProcess::finished, this, &Job::onProcessFinished);
}

Job::~Job()
{
    // A compiler left running would outlive the client and hold the terminal's files.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.disconnect(this);
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool Job::start(const QString &installFolder, const QString &workingFolder, const QString &sourceFileName,
                int timeoutMs)
{
    m_logPath = QDir(workingFolder).absoluteFilePath(LogFileName);
    m_stopReason.clear();
    // An old log must never pass for this run's result.
    QFile::remove(m_logPath);

    const QString program = compilerPath(installFolder);
    if (program.isEmpty()) {
        reportLater({});
        return false;
    }
    m_process.setProgram(program);
    m_process.setWorkingDirectory(QDir(workingFolder).absolutePath());
#ifdef Q_OS_WIN
    m_process.setNativeArguments(nativeCompilerArguments(sourceFileName));
#else
    m_process.setArguments(compilerArguments(sourceFileName));
    if (WineRun::isWindowsProgram(program)) {
        const QString problem = prepareWineRun(m_process, program, sourceFileName);
        if (!problem.isEmpty()) {
            reportLater({false, false, {}, problem});
            return false;
        }
    }
#endif
    m_process.start(QIODevice::ReadWrite);
    // The state may still be "starting" right after start(); only this tells the outcome.
    if (!m_process.waitForStarted()) {
        reportLater({});
        return false;
    }
    m_bound.start(timeoutMs);
    return true;
}

void Job::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_stopReason = QCoreApplication::translate("CompilerRun", "The compile was stopped.");
    m_process.kill();
}

bool Job::isRunning() const
{
    return m_reportPending || m_process.state() != QProcess::NotRunning;
}

// Never from inside start(): its caller has not finished starting the job when it returns.
void Job::reportLater(const Outcome &outcome)
{
    m_reportPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            m_reportPending = false;
            Q_EMIT finished(outcome);
        },
        Qt::QueuedConnection);
}

void Job::onProcessFinished()
{
    m_bound.stop();
    Outcome outcome;
    outcome.started = true;
    outcome.problem = m_stopReason;
    outcome.hasLog = readLog(m_logPath, &outcome.log);
    QFile::remove(m_logPath);
    Q_EMIT finished(outcome);
}

} // namespace CompilerRun
