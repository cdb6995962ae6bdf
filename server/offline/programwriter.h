#pragma once

#include "strategy.h"

#include <QString>
#include <QStringList>

namespace offline {

// The MQL4 or MQL5 program of a strategy: an Expert Advisor that trades it or an indicator
// that draws it. Every value of the strategy is an input with the trader's value; header is
// what the program's opening comment says it does, its other comments are in the language, and
// the program's last header line holds the strategy itself, so that it can be read back
// (strategyLinePrefix).
QString writeProgram(const Strategy &strategy, const Target &target, const QStringList &header, Language language);

// The lines an indicator of the strategy draws, by their labels in the terminal, each with its
// colour: "RsiValue (DodgerBlue)".
QStringList drawnLines(const Strategy &strategy);

inline constexpr char16_t strategyLinePrefix[] = u"// tavrin-strategy: ";

// The SHA-256 (hex) of a program's text without its strategy line, whichever way its lines
// end, which the line carries as "digest".
QString programDigest(const QString &programWithoutLine);

} // namespace offline
