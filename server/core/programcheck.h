#pragma once

#include "programkind.h"

#include <riskreview.h>

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <vector>

// The errors the stand-in compiler would report for a program, "line N: what", so that a
// program that cannot compile is never handed out as an answer.
QStringList programErrors(const QString &program, const ProgramKind &kind);

// A successful chat reply's "data": the program, and beside it what the risk review warns of,
// when it warns of anything, as "warnings": [{"rule", "line", "message"}]. The client words
// each rule in its own language; the English message is for clients that do not know the rule.
QJsonObject programData(const QString &program, const ProgramKind &kind);

// The risks none of the trader's requests asked for (a martingale is what "martingale" asks
// for, a network call what "telegram" asks for), "line N: what", for the model to correct.
QStringList unaskedRisks(const QString &program, const ProgramKind &kind, const QStringList &requests);
