#pragma once

#include "platform/terminalinfo.h"

#include <QString>
#include <QStringList>

// Terminals run under Wine on Linux and macOS: each lives in a Wine prefix, a folder whose
// "drive_c" is the Windows C: drive, and its origin.txt names a Windows path inside it.
namespace WinePrefixes {

// The prefixes where Wine, the vendor's install script, Bottles, Lutris, PlayOnLinux and, on
// macOS, the vendor's apps and CrossOver keep them; winePrefixVariable ($WINEPREFIX) first.
// Only folders holding "drive_c", each once, globbed ones in name order ignoring case.
QStringList find(const QString &homePath, const QString &winePrefixVariable, bool macOS);

// The host path of a Windows path in the prefix: the drive through dosdevices/<letter>:,
// every further component matched without regard to case. Empty when it leads nowhere.
QString hostPath(const QString &prefix, const QString &windowsPath);

// Terminals of one prefix: those with a data folder below a Wine user's terminal root, in
// either the current or the older layout, then portable installs in "Program Files*".
TerminalList terminalsIn(const QString &prefix);

// The prefix holding path: the nearest folder above it with "drive_c"; empty when none.
QString prefixOf(const QString &path);

} // namespace WinePrefixes
