#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Lays out terminal roots, data folders and installation folders on disk, as the terminals
// leave them, for the scanner and the window's "Auto detect".
namespace TerminalTree {

enum class Encoding { Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom };

QByteArray encoded(const QString &text, Encoding encoding);

// Creates the file's folder as needed and replaces the file with content.
bool writeFile(const QString &path, const QByteArray &content);

// A folder holding the given plain files and sub-folders, as an installation or MQL folder.
bool makeFolder(const QString &path, const QStringList &files, const QStringList &folders = {});
// Installations holding the programs that tell the two platforms apart.
bool makeMT4Install(const QString &path);
bool makeMT5Install(const QString &path);

// root/name/origin.txt holding originText; the terminals write it in UTF-16LE with a BOM.
bool makeDataFolder(const QString &root, const QString &name, const QString &originText,
                    Encoding encoding = Encoding::Utf16LeBom);

// The path as the terminals write it: backslashes.
QString windowsStyle(const QString &path);

} // namespace TerminalTree
