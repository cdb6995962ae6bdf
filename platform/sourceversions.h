#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Earlier contents of the source files the client replaces, kept in the client's own data
// folder: inside the terminal's MQL folders the terminal would list them as programs.
namespace SourceVersions {

// How many earlier versions are kept per source file; the oldest go first.
constexpr int Limit = 20;

// Where the versions of sourcePath are kept (below QStandardPaths::AppDataLocation).
QString folderFor(const QString &sourcePath);

struct KeepResult final
{
    bool ok = false;
    QString versionPath; // empty when there was nothing to keep
    QString error;       // when !ok
};

// Before sourcePath is replaced by newContent: keeps its current content as a version when
// the file exists and differs, and trims the versions to the limit.
KeepResult keepEarlier(const QString &sourcePath, const QByteArray &newContent);

// The kept versions of sourcePath, newest first.
QStringList versionsOf(const QString &sourcePath);

} // namespace SourceVersions
