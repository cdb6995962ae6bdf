#pragma once

#include "sessionstore.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QTimer>
#include <QString>

#include <optional>

class RedisConnection;

// Where a Redis server is: redis://HOST:PORT[/DB].
struct RedisAddress final
{
    QString host;
    quint16 port = 6379;
    int database = 0;

    static std::optional<RedisAddress> parse(const QString &url);
    QString toString() const;
};

// The chats in a Redis server that every instance of the service shares, so that any instance
// answers any chat and a restarted one forgets none. Each chat is one JSON value under
// tavrin:chat:ID, expiring after the idle limit and renewed on use; tavrin:chats orders them by
// their last use for the cap; tavrin:lock:ID is held while a request of the chat runs, a lease
// that its instance renews and that lapses should the instance die. A lock command that gets no
// answer in time is followed by one that frees that lock and marks its token spent
// (tavrin:void:TOKEN), so that the first, should Redis still run it late, takes nothing. Each
// step is one script, so that instances never see each other's half-done changes. Ending or
// stopping a chat whose lock is held is published on tavrin:control, where the instance that
// runs it hears of it; so is a request for a chat whose lock another instance holds, which that
// instance answers by renewing the lock: one that does not has stopped.
class RedisSessionStore final : public SessionStore
{
    Q_OBJECT

public:
    RedisSessionStore(const RedisAddress &address, qint64 idleLimitMs, int capacity,
                      QObject *parent = nullptr);

    void open(const ChatRecord &chat, const Opened &done) override;
    void acquire(const QString &id, const Acquired &done) override;
    void renew(const QString &id) override;
    void release(const QString &id, const std::optional<ChatRecord> &chat,
                 const Released &done) override;
    void control(const QString &id, Control control, const Controlled &done) override;
    void countChats(const Counted &done) override;

    // How long Redis may keep a reply waiting before it counts as unreachable.
    void setReplyTimeoutMs(int ms);

private:
    struct Abandoned
    {
        QString id;
        QDeadlineTimer remembered;
    };

    // Busy, with the lock's time left unless its holder answers nonce within the deadline.
    void awaitRenewal(const QString &id, const QByteArray &nonce, const QDeadlineTimer &deadline,
                      const Acquired &done);
    // Renews this instance's lock, and answers the instance that asked with nonce, if one did.
    void renewLock(const QString &id, const QByteArray &nonce);
    void sendRelease(const QList<QByteArray> &command, int attempts, const Released &done);
    // The lock the acquire with this token may have taken is freed, again until Redis answers.
    void abandon(const QString &id, const QByteArray &token);
    void sendAbandoned();
    qint64 stopWaitMs() const;
    void awaitStop(const QString &id, const QDeadlineTimer &deadline, const Controlled &done);

    RedisConnection *m_commands;
    RedisConnection *m_listener;
    const qint64 m_idleLimitMs;
    const int m_capacity;
    // The token of each lock this instance holds, so that it frees only its own.
    QHash<QString, QByteArray> m_locks;
    // By token.
    QHash<QByteArray, Abandoned> m_abandoned;
    QTimer m_abandonRetry;
};
