#pragma once

#include "requestreader.h"
#include "strategy.h"

#include <QString>
#include <QStringList>

namespace offline {

// A rule in a trader's notation: "RSI(14) 70/30", "EMA(10)/EMA(50) cross", "EMA(10)/EMA(50) 交叉".
QString ruleNotation(const Rule &rule, Language language);

// The strategy in a trader's words, one line a part, every number with its unit; the values
// the trader did not give are named as defaults.
QStringList describe(const Strategy &strategy, const Target &target, Language language);

// The strategy's parts that can be compared between two versions of it, each with its text:
// the signals, then the trading values.
QList<std::pair<QString, QString>> facts(const Strategy &strategy, const Target &target,
                                         Language language);

// "Not built: news — offline generation has no news data; a model server can write it."
QString unbuiltLine(const Unbuilt &unbuilt, Language language);

// Parts of the strategy a program of the target cannot have, named in the language: trading in
// an indicator, lines and arrows in an Expert Advisor, an oscillator on a chart of prices.
QList<Unbuilt> partsOutsideTarget(const Strategy &strategy, const Target &target, Language language);

// The language a request is plainly written in, else fallback (the interface's): Chinese
// characters, simplified or traditional by the characters that differ, or English words.
Language languageOf(const QString &request, Language fallback);

// The answer about a program of this generator changed outside the chat: it can be written
// again from its description, or changed by a model server.
QString changedOutside(Language language);

// Whether the program is all that was asked for, or was built without the parts named.
QString completeness(bool whole, Language language);

// The answer to a request too long to be read offline.
QString tooLong(qsizetype longest, Language language);

// The question about a value given twice, differently: which one is meant.
QString contradiction(const QString &first, const QString &second, Language language);

// The answer to a request for the other platform: a chat writes for one.
QString otherPlatform(const Target &target, Language language);

// The answer to a request with nothing to build: what can be asked for instead.
QString nothingToBuild(Language language);

} // namespace offline
