#include "platform/compilerrun.h"

#include "platform/winerun.h"
#include "platform/wineprefixes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
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
Outcome cannotStart(const QString &problem)
{
    return {false, false, {}, problem};
}

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

Outcome compile(const QString &installFolder, const QString &workingFolder,
                const QString &sourceFileName, int wineTimeoutMs)
{
    const QString logPath = QDir(workingFolder).absoluteFilePath(LogFileName);
    // An old log must never pass for this run's result.
    QFile::remove(logPath);

    const QString program = compilerPath(installFolder);
    if (program.isEmpty())
        return {};
    QProcess compiler;
    compiler.setProgram(program);
    compiler.setWorkingDirectory(QDir(workingFolder).absolutePath());
    int timeoutMs = -1;
#ifdef Q_OS_WIN
    Q_UNUSED(wineTimeoutMs)
    compiler.setNativeArguments(nativeCompilerArguments(sourceFileName));
#else
    compiler.setArguments(compilerArguments(sourceFileName));
    if (WineRun::isWindowsProgram(program)) {
        const QString problem = prepareWineRun(compiler, program, sourceFileName);
        if (!problem.isEmpty())
            return cannotStart(problem);
        timeoutMs = wineTimeoutMs;
    }
#endif
    compiler.start(QIODevice::ReadWrite);
    // The state may still be "starting" right after start(); only this tells the outcome.
    if (!compiler.waitForStarted())
        return {};

    Outcome outcome;
    outcome.started = true;
    if (!compiler.waitForFinished(timeoutMs) && compiler.state() != QProcess::NotRunning) {
        compiler.kill();
        compiler.waitForFinished();
        outcome.problem = QCoreApplication::translate("CompilerRun",
                                                      "The compiler did not finish within %1 seconds and was "
                                                      "stopped.")
                              .arg(timeoutMs / 1000);
    }
    outcome.hasLog = readLog(logPath, &outcome.log);
    QFile::remove(logPath);
    return outcome;
}

} // namespace CompilerRun
