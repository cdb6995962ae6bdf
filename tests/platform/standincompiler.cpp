#include "standincompiler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace StandInCompiler {

namespace {

const QString kCompilerName = QStringLiteral("metaeditor.exe");
const QString kRunMarker = QStringLiteral("run");
const QString kArgumentPrefix = QStringLiteral("arg:");

constexpr QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::ExeOther;

// Single quotes keep every character but the quote itself; temporary paths hold none.
QString shellQuoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

bool installCopy(const QString &program, const QString &installFolder)
{
    const QString target = QDir(installFolder).filePath(kCompilerName);
    QFile::remove(target);
    return QDir().mkpath(installFolder) && QFile::copy(program, target)
        && QFile::setPermissions(target, kExecutable);
}

bool installRecorder(const QString &installFolder, const QString &recordPath, const QString &logSource)
{
    const QString record = shellQuoted(recordPath);
    QString script = QStringLiteral("#!/bin/sh\n");
    script += QStringLiteral("echo %1 >> %2\n").arg(kRunMarker, record);
    script += QStringLiteral("pwd -P >> %1\n").arg(record);
    script += QStringLiteral("for a in \"$@\"; do printf '%1%s\\n' \"$a\" >> %2; done\n")
                  .arg(kArgumentPrefix, record);
    if (!logSource.isEmpty())
        script += QStringLiteral("cp %1 a.log\n").arg(shellQuoted(logSource));

    if (!QDir().mkpath(installFolder))
        return false;
    QFile file(QDir(installFolder).filePath(kCompilerName));
    const QByteArray content = script.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(kExecutable);
}

QList<Run> recordedRuns(const QString &recordPath)
{
    QList<Run> runs;
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return runs;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line == kRunMarker) {
            runs.append(Run{});
            if (i + 1 < lines.size())
                runs.last().workingFolder = lines.at(++i);
        } else if (line.startsWith(kArgumentPrefix) && !runs.isEmpty()) {
            runs.last().arguments.append(line.mid(kArgumentPrefix.size()));
        }
    }
    return runs;
}

} // namespace StandInCompiler
