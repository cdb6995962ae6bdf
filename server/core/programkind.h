#pragma once

// What a chat session writes: for which terminal, and an indicator or an Expert Advisor.
struct ProgramKind final
{
    enum class Platform { Mql4, Mql5 };
    enum class Type { Indicator, ExpertAdvisor };

    Platform platform = Platform::Mql4;
    Type type = Type::Indicator;
};
