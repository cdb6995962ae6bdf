#include "terminaltree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace TerminalTree {

QByteArray encoded(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf8Bom:
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LeBom:
        return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(text);
    case Encoding::Utf16BeBom:
        return QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom).encode(text);
    }
    return {};
}

bool writeFile(const QString &path, const QByteArray &content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool makeFolder(const QString &path, const QStringList &files, const QStringList &folders)
{
    if (!QDir().mkpath(path))
        return false;
    for (const QString &file : files) {
        if (!writeFile(path + QLatin1Char('/') + file, QByteArrayLiteral("MZ")))
            return false;
    }
    for (const QString &folder : folders) {
        if (!QDir().mkpath(path + QLatin1Char('/') + folder))
            return false;
    }
    return true;
}

bool makeMT4Install(const QString &path)
{
    return makeFolder(path, {QStringLiteral("terminal.exe"), QStringLiteral("metaeditor.exe")});
}

bool makeMT5Install(const QString &path)
{
    return makeFolder(path,
                       {QStringLiteral("terminal64.exe"), QStringLiteral("metaeditor64.exe"),
                        QStringLiteral("metatester64.exe")},
                       {QStringLiteral("Tester")});
}

bool makeDataFolder(const QString &root, const QString &name, const QString &originText,
                    Encoding encoding)
{
    return writeFile(root + QLatin1Char('/') + name + QStringLiteral("/origin.txt"),
                     encoded(originText, encoding));
}

QString windowsStyle(const QString &path)
{
    return QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace TerminalTree
