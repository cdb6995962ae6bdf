#pragma once

#include "programkind.h"
#include "tradingidea.h"

#include <QString>

// Writes a complete program from templates built into the executable, one for each
// platform, kind of program and strategy, filled in with the idea's numbers. A template
// engine standing in for the real service's model, so that every answer compiles.
class CodeGenerator final
{
public:
    // The request goes into the header comment as one line that cannot end the comment.
    static QString program(const ProgramKind &kind, const TradingIdea &idea,
                           const QString &request);
};
