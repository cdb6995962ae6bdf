#pragma once

#include "strategy.h"

#include <QString>
#include <QStringList>

namespace offline {

// The MQL4 or MQL5 program of a strategy: an Expert Advisor that trades it or an indicator
// that draws it. Every value of the strategy is an input with the trader's value; header is
// what the program's opening comment says it does, and the program's last header line holds
// the strategy itself, so that it can be read back (strategyLinePrefix).
QString writeProgram(const Strategy &strategy, const Target &target, const QStringList &header);

inline constexpr char16_t strategyLinePrefix[] = u"// tavrin-strategy: ";

} // namespace offline
