#pragma once

#include "chatrecord.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Where the open chats are kept: in this process, or in a store that several instances share.
// Every call answers through its callback, at once or later; a chat is used by one request at
// a time, which holds its lock from acquire() to release(). Chats left alone for the idle limit
// are forgotten, and when the store is full the one left alone the longest makes room; a chat
// holding its lock is neither.
class SessionStore : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { Done, Unknown, Busy, Unavailable };
    enum class Control { Cancel, End };
    using Opened = std::function<void(Outcome outcome, const QString &id)>;
    using Acquired = std::function<void(Outcome outcome, const ChatRecord &chat)>;
    using Released = std::function<void()>;
    // running: the chat held its lock, so some instance was answering it.
    using Controlled = std::function<void(Outcome outcome, bool running)>;
    // Nullopt when the store cannot be reached.
    using Counted = std::function<void(std::optional<qint64> chats)>;

    using QObject::QObject;

    // Keeps a new chat under a new id.
    virtual void open(const ChatRecord &chat, const Opened &done) = 0;
    // Takes the chat's lock for at most lockMs, so that a crashed holder cannot keep it, and
    // renews its expiry.
    virtual void acquire(const QString &id, qint64 lockMs, const Acquired &done) = 0;
    // Gives the lock back; keeps chat first when given and the chat was not ended meanwhile.
    virtual void release(const QString &id, const std::optional<ChatRecord> &chat,
                         const Released &done) = 0;
    // Cancel stops the chat's generation, End also forgets the chat; the instance that runs the
    // generation hears of it through controlled(), unless that is this one.
    virtual void control(const QString &id, Control control, const Controlled &done) = 0;
    virtual void countChats(const Counted &done) = 0;

signals:
    // Another instance asked to stop a generation that may be running here.
    void controlled(SessionStore::Control control, const QString &id);
};
