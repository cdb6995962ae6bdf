#include "sessionstore.h"

#include <QUuid>

SessionStore::SessionStore()
{
    m_clock.start();
}

void SessionStore::setLimits(qint64 idleLimitMs, int capacity)
{
    m_idleLimitMs = idleLimitMs;
    m_capacity = capacity;
}

QString SessionStore::open(const ProgramKind &kind)
{
    if (m_sessions.size() >= m_capacity) {
        expireIdle();
        auto oldest = m_sessions.end();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (!it->busy()
                && (oldest == m_sessions.end() || it->lastUsedNs < oldest->lastUsedNs))
                oldest = it;
        }
        if (oldest != m_sessions.end() && m_sessions.size() >= m_capacity)
            m_sessions.erase(oldest);
    }
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    Session &session = m_sessions[id];
    session.kind = kind;
    session.lastUsedNs = m_clock.nsecsElapsed();
    return id;
}

SessionStore::Session *SessionStore::find(const QString &id)
{
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return nullptr;
    if (isExpired(*it)) {
        m_sessions.erase(it);
        return nullptr;
    }
    it->lastUsedNs = m_clock.nsecsElapsed();
    return &it.value();
}

std::optional<SessionStore::Session> SessionStore::take(const QString &id)
{
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end() || isExpired(*it))
        return std::nullopt;
    Session session = std::move(it.value());
    m_sessions.erase(it);
    return session;
}

void SessionStore::expireIdle()
{
    m_sessions.removeIf(
        [this](const QHash<QString, Session>::iterator &it) { return isExpired(*it); });
}

bool SessionStore::isExpired(const Session &session) const
{
    return !session.busy() && m_clock.nsecsElapsed() - session.lastUsedNs > m_idleLimitMs * 1000000;
}
