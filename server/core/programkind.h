#pragma once

#include "protocol/domain.h"

// What a chat session writes: for which terminal, and an indicator or an Expert Advisor.
struct ProgramKind final
{
    Protocol::Platform platform = Protocol::Platform::Mt4;
    Protocol::ProgramType type = Protocol::ProgramType::Indicator;
};
