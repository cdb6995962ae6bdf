#pragma once

#include <QStringList>

// When compile errors go back to the model without the trader: only when the trader chose so,
// for the newest program, while nothing else is on its way, and at most Rounds times in a row.
// A clean compile, or a request of the trader's own, starts the count anew.
class AutoFixPolicy final
{
public:
    static constexpr int Rounds = 2;
    // What roundFor returns once, when the rounds are used up and errors are left.
    static constexpr int GaveUp = -1;

    struct Situation final
    {
        bool serviceTakesErrors = false; // the service lists "compile_errors"
        bool busy = false;               // a request on its way, or programs waiting to be saved
    };

    void setEnabled(bool on) { m_enabled = on; }
    // The trader asked for something.
    void reset() { m_round = 0; }
    // The round (1-based) in which errors of the newest program's compile go back now; 0 when
    // they do not; GaveUp the first time they would but the rounds are used up.
    int roundFor(const QStringList &errors, const Situation &now);

private:
    bool m_enabled = false;
    int m_round = 0; // rounds since the trader last asked for something; past Rounds once given up
};
