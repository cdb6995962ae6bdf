#include "client/conversation/autofixpolicy.h"

int AutoFixPolicy::roundFor(const QStringList &errors, const Situation &now)
{
    if (errors.isEmpty()) {
        m_round = 0;
        return 0;
    }
    if (!m_enabled || !now.serviceTakesErrors || now.busy || m_round > Rounds)
        return 0;
    return ++m_round > Rounds ? GaveUp : m_round;
}
