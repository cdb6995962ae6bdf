#pragma once

#include "platform/terminalinfo.h"

// Finds the terminals that have been run by this user: each keeps a data folder below
// the terminal root whose origin.txt names its installation folder. Outside Windows also
// those in the user's Wine prefixes.
class TerminalScanner final
{
public:
    // The root below the user's home folder and, outside Windows, its Wine prefixes.
    TerminalScanner();
    // The given root only.
    explicit TerminalScanner(const QString &terminalRoot);

    static QString defaultTerminalRoot();

    // The first line of dataFolder's origin.txt, trimmed, "/" separators; empty without one.
    static QString originInstallPath(const QString &dataFolder);

    // Every valid installation: those below the root in the order of the data folders' names,
    // ignoring case, then those of the Wine prefixes; each (install, data) pair once.
    TerminalList scanTerminals() const;
    TerminalList scanMT4() const;
    TerminalList scanMT5() const;

private:
    TerminalList scanPlatform(const QString &platform) const;
    TerminalList scanRoot() const;

    QString m_terminalRoot;
    QStringList m_winePrefixes;
};
