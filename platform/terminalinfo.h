#pragma once

#include <QList>
#include <QString>

// One terminal installation found below the terminal root.
struct TerminalInfo final
{
    QString installPath; // first line of origin.txt, "/" separators
    QString dataPath;    // the data folder holding that origin.txt, "/" separators
    QString platform;    // "MT4" or "MT5"
};

using TerminalList = QList<TerminalInfo>;
