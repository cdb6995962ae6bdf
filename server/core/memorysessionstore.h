#pragma once

#include "sessionstore.h"

#include <QElapsedTimer>
#include <QHash>

// The chats of one instance, in its memory: nothing to install, and gone with the process.
class MemorySessionStore final : public SessionStore
{
    Q_OBJECT

public:
    MemorySessionStore(qint64 idleLimitMs, int capacity, QObject *parent = nullptr);

    void open(const ChatRecord &chat, const Opened &done) override;
    void acquire(const QString &id, const Acquired &done) override;
    // A lock here ends with the process that holds it: it never lapses.
    void renew(const QString &) override { }
    void release(const QString &id, const std::optional<ChatRecord> &chat,
                 const Released &done) override;
    void control(const QString &id, Control control, const Controlled &done) override;
    void countChats(const Counted &done) override;

private:
    struct Session
    {
        ChatRecord chat;
        // Nanoseconds, so that sessions opened in the same millisecond still have an order.
        qint64 lastUsedNs = 0;
        bool locked = false;
    };

    void expireIdle();
    void makeRoom();
    bool isExpired(const Session &session) const;

    QHash<QString, Session> m_sessions;
    QElapsedTimer m_clock;
    const qint64 m_idleLimitMs;
    const int m_capacity;
};
