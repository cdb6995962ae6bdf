#pragma once

#include <QList>
#include <QString>

// What the risk review finds in a program about to be saved, whichever service wrote it and
// whatever that service warned of, worded in the interface's language.
namespace RiskWarnings {

struct Warning final
{
    QString rule;    // the review's stable id, e.g. "no-stop-loss"
    int line = 0;    // 1-based, in the program
    QString message; // one sentence naming what it is about, translated
};

// platform: "MT4" or "MT5", as the chat session keeps it. In the order of the lines.
QList<Warning> review(const QString &code, const QString &platform);

} // namespace RiskWarnings
