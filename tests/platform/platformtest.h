#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Small helpers shared by the platform tests.
namespace PlatformTest {

// Creates path's folder as needed and replaces the file with content.
inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(content) == content.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace PlatformTest
