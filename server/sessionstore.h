#pragma once

#include "chatinflight.h"
#include "chathistory.h"
#include "programkind.h"
#include "tradingidea.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>

#include <optional>

// The open chats, in memory only: each remembers what it writes and the chat so far. Chats
// left alone for the idle limit are forgotten, and when the store is full the one left alone
// the longest makes room; a chat waiting for its answer is neither.
class SessionStore final
{
public:
    struct Session
    {
        ProgramKind kind;
        TradingIdea idea;
        ChatHistory history;
        // The templates wrote a program in it: later requests refine that one.
        bool hasProgram = false;
        // Nanoseconds, so that sessions opened in the same millisecond still have an order.
        qint64 lastUsedNs = 0;
        // The chat the model is answering, if any.
        QPointer<ChatInFlight> chat;

        bool busy() const { return chat && chat->isRunning(); }
    };

    SessionStore();

    void setLimits(qint64 idleLimitMs, int capacity);
    // Returns the new session's id.
    QString open(const ProgramKind &kind);
    // Null for an unknown or expired id; valid until the next open(), take() or expireIdle().
    Session *find(const QString &id);
    std::optional<Session> take(const QString &id);
    void expireIdle();

private:
    bool isExpired(const Session &session) const;

    QHash<QString, Session> m_sessions;
    QElapsedTimer m_clock;
    qint64 m_idleLimitMs = 2 * 60 * 60 * 1000;
    int m_capacity = 10000;
};
