#pragma once

#include "platform/terminalinfo.h"

// Finds the terminals that have been run by this user: each keeps a data folder below
// the terminal root whose origin.txt names its installation folder.
class TerminalScanner final
{
public:
    // The root below the user's home folder.
    TerminalScanner();
    explicit TerminalScanner(const QString &terminalRoot);

    static QString defaultTerminalRoot();

    // Every valid installation, in the order of the data folders' names, ignoring case.
    TerminalList scanTerminals() const;
    TerminalList scanMT4() const;
    TerminalList scanMT5() const;

private:
    TerminalList scanPlatform(const QString &platform) const;

    QString m_terminalRoot;
};
