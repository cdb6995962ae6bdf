#pragma once

#include "chatrecord.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Where the open chats are kept: in this process, or in a store that several instances share.
// Every call answers through its callback, at once or later; a chat is used by one request at
// a time, which holds its lock from acquire() to release(). The lock is a lease: it lapses
// unless its holder renews it, so that the chats of an instance that died are free again within
// the lease. Chats left alone for the idle limit are forgotten, and when the store is full the
// one left alone the longest makes room; a chat holding its lock is neither.
class SessionStore : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { Done, Unknown, Busy, Unavailable };
    enum class Control { Cancel, End };
    static constexpr qint64 defaultLeaseMs = 30 * 1000;

    using Opened = std::function<void(Outcome outcome, const QString &id)>;
    // lapsesInMs, for Busy: when nobody renews the lock any more (the instance that held it
    // stopped), how long until it lapses; nullopt while its holder keeps it.
    using Acquired = std::function<void(Outcome outcome, const ChatRecord &chat,
                                        std::optional<qint64> lapsesInMs)>;
    // saved: the chat given to release() is kept; true when none was given.
    using Released = std::function<void(bool saved)>;
    // running: the chat held its lock, so some instance was answering it. Busy for a Cancel:
    // the lock is still held after the instance that holds it was asked to stop, so that
    // instance no longer answers and the chat is free once its lease lapses.
    using Controlled = std::function<void(Outcome outcome, bool running)>;
    // Nullopt when the store cannot be reached.
    using Counted = std::function<void(std::optional<qint64> chats)>;

    using QObject::QObject;

    // Keeps a new chat under a new id.
    virtual void open(const ChatRecord &chat, const Opened &done) = 0;
    // Takes the chat's lock for one lease and renews the chat's expiry.
    virtual void acquire(const QString &id, const Acquired &done) = 0;
    // Extends this instance's lock of the chat by one lease, if it still holds it.
    virtual void renew(const QString &id) = 0;
    // Gives the lock back; keeps chat first when given, the chat was not ended meanwhile and
    // the lock was still this instance's.
    virtual void release(const QString &id, const std::optional<ChatRecord> &chat,
                         const Released &done) = 0;
    // Cancel stops the chat's generation, End also forgets the chat; the instance that runs the
    // generation hears of it through controlled(), unless that is this one.
    virtual void control(const QString &id, Control control, const Controlled &done) = 0;
    // The chats that have not expired.
    virtual void countChats(const Counted &done) = 0;

    qint64 leaseMs() const { return m_leaseMs; }
    void setLeaseMs(qint64 ms) { m_leaseMs = ms; }

signals:
    // Another instance asked to stop a generation that may be running here.
    void controlled(SessionStore::Control control, const QString &id);

private:
    qint64 m_leaseMs = defaultLeaseMs;
};
