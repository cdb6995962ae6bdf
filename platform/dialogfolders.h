#pragma once

#include <QString>

// Where the folder dialogs start. On a system without the terminals' usual places (no
// "C:\Program Files (x86)", no APPDATA) they start in the home folder's terminal root if
// present, otherwise in the home folder.
namespace DialogFolders {

QString installFolderStart();
QString dataFolderStart();

// The same with the environment given, for tests.
QString installFolderStart(const QString &programFiles, const QString &homePath);
QString dataFolderStart(const QString &appData, const QString &homePath);

} // namespace DialogFolders
