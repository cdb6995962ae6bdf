#include "platform/sourceversions.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace SourceVersions {

QString folderFor(const QString &sourcePath)
{
    // One folder per source file, named by its path so that two terminals' "RSI.mq5" never mix.
    const QByteArray path = QFileInfo(sourcePath).absoluteFilePath().toUtf8();
    const QString key = QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16));
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/versions/") + key;
}

QStringList versionsOf(const QString &sourcePath)
{
    const QDir folder(folderFor(sourcePath));
    QStringList versions;
    // The names begin with the time they were kept, so that the name order is the age order.
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name | QDir::Reversed))
        versions.append(folder.absoluteFilePath(name));
    return versions;
}

KeepResult keepEarlier(const QString &sourcePath, const QByteArray &newContent)
{
    QFile current(sourcePath);
    if (!current.exists())
        return {true, {}, {}};
    if (!current.open(QIODevice::ReadOnly))
        return {false, {}, current.errorString()};
    const QByteArray earlier = current.readAll();
    if (earlier == newContent)
        return {true, {}, {}};

    const QString folder = folderFor(sourcePath);
    if (!QDir().mkpath(folder))
        return {false, {}, QCoreApplication::translate("SourceVersions", "cannot create %1").arg(QDir::toNativeSeparators(folder))};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString versionPath = QStringLiteral("%1/%2-%3").arg(folder, stamp, QFileInfo(sourcePath).fileName());
    QSaveFile version(versionPath);
    if (!version.open(QIODevice::WriteOnly) || version.write(earlier) != earlier.size() || !version.commit())
        return {false, {}, version.errorString()};

    const QStringList versions = versionsOf(sourcePath);
    for (qsizetype i = Limit; i < versions.size(); ++i)
        QFile::remove(versions.at(i));
    return {true, versionPath, {}};
}

} // namespace SourceVersions
