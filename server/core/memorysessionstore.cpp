#include "memorysessionstore.h"

#include <QDateTime>
#include <QTimer>
#include <QUuid>

MemorySessionStore::MemorySessionStore(qint64 idleLimitMs, int capacity, QObject *parent)
    : SessionStore(parent)
    , m_idleLimitMs(idleLimitMs)
    , m_capacity(capacity)
{
    m_clock.start();
    // Expiry is also checked on each use; the sweep frees what nobody uses any more.
    auto *sweep = new QTimer(this);
    connect(sweep, &QTimer::timeout, this, &MemorySessionStore::expireIdle);
    sweep->start(60 * 1000);
}

void MemorySessionStore::open(const ChatRecord &chat, const Opened &done)
{
    if (m_sessions.size() >= m_capacity)
        makeRoom();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    Session &session = m_sessions[id];
    session.chat = chat;
    session.chat.lastUseMs = QDateTime::currentMSecsSinceEpoch();
    session.lastUsedNs = m_clock.nsecsElapsed();
    done(Outcome::Done, id);
}

void MemorySessionStore::acquire(const QString &id, const Acquired &done)
{
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end() || isExpired(*it)) {
        if (it != m_sessions.end())
            m_sessions.erase(it);
        return done(Outcome::Unknown, {}, std::nullopt);
    }
    // Its holder is this process, which keeps it while it runs.
    if (it->locked)
        return done(Outcome::Busy, it->chat, std::nullopt);
    it->locked = true;
    it->lastUsedNs = m_clock.nsecsElapsed();
    it->chat.lastUseMs = QDateTime::currentMSecsSinceEpoch();
    done(Outcome::Done, it->chat, std::nullopt);
}

void MemorySessionStore::release(const QString &id, const std::optional<ChatRecord> &chat,
                                 const Released &done)
{
    const auto it = m_sessions.find(id);
    if (it != m_sessions.end()) {
        it->locked = false;
        if (chat)
            it->chat = *chat;
        it->lastUsedNs = m_clock.nsecsElapsed();
    }
    done(true);
}

void MemorySessionStore::control(const QString &id, Control control, const Controlled &done)
{
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end() || isExpired(*it))
        return done(Outcome::Unknown, false);
    const bool running = it->locked;
    if (control == Control::End)
        m_sessions.erase(it);
    done(Outcome::Done, running);
}

void MemorySessionStore::countChats(const Counted &done)
{
    expireIdle();
    done(m_sessions.size());
}

void MemorySessionStore::expireIdle()
{
    m_sessions.removeIf(
        [this](const QHash<QString, Session>::iterator &it) { return isExpired(*it); });
}

void MemorySessionStore::makeRoom()
{
    expireIdle();
    auto oldest = m_sessions.end();
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
        if (!it->locked && (oldest == m_sessions.end() || it->lastUsedNs < oldest->lastUsedNs))
            oldest = it;
    }
    if (oldest != m_sessions.end() && m_sessions.size() >= m_capacity)
        m_sessions.erase(oldest);
}

bool MemorySessionStore::isExpired(const Session &session) const
{
    return !session.locked && m_clock.nsecsElapsed() - session.lastUsedNs > m_idleLimitMs * 1000000;
}
