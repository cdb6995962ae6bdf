#pragma once

#include "protocol/domain.h"
#include "protocol/messages.h"

#include <QList>
#include <QString>

// The risks of a program about to be saved, worded in the interface's language: what the
// service found in it when it says so, else what this client's own review finds. This is the
// one place that words them.
namespace RiskWarnings {

struct Warning final
{
    QString rule;    // the review's stable id, e.g. "no-stop-loss"
    int line = 0;    // 1-based, in the program
    QString message; // one sentence naming what it is about, translated
    QString subject; // what it is about, as the program spells it
};

// The catalogue's sentence for rule about subject, in the interface's language; a rule this
// client does not know yet is shown by its id.
QString wording(const QString &rule, const QString &subject);

// In the order of the lines.
QList<Warning> review(const QString &code, Protocol::Platform platform);

// The service's findings in code, each worded for its rule. What a finding is about comes from
// the client's own review of the same line, else from the line itself.
QList<Warning> describe(const QList<RiskWarning> &found, const QString &code, Protocol::Platform platform);

} // namespace RiskWarnings
