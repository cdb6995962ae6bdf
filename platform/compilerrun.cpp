#include "platform/compilerrun.h"

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

} // namespace

QString compilerPath(const QString &installFolder)
{
    return QDir(installFolder).absoluteFilePath(QStringLiteral("metaeditor.exe"));
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
                const QString &sourceFileName)
{
    const QString logPath = QDir(workingFolder).absoluteFilePath(LogFileName);
    // An old log must never pass for this run's result.
    QFile::remove(logPath);

    QProcess compiler;
    compiler.setProgram(compilerPath(installFolder));
    compiler.setWorkingDirectory(QDir(workingFolder).absolutePath());
#ifdef Q_OS_WIN
    compiler.setNativeArguments(nativeCompilerArguments(sourceFileName));
#else
    compiler.setArguments(compilerArguments(sourceFileName));
#endif
    compiler.start(QIODevice::ReadWrite);
    // The state may still be "starting" right after start(); only this tells the outcome.
    if (!compiler.waitForStarted())
        return {};
    compiler.waitForFinished(-1);

    Outcome outcome;
    outcome.started = true;
    outcome.hasLog = readLog(logPath, &outcome.log);
    QFile::remove(logPath);
    return outcome;
}

} // namespace CompilerRun
