#pragma once

#include "programkind.h"
#include "tradingidea.h"

#include <QHash>
#include <QString>

// The open chats, in memory only: each remembers what it writes and the idea so far.
class SessionStore final
{
public:
    struct Session
    {
        ProgramKind kind;
        TradingIdea idea;
    };

    // Returns the new session's id.
    QString open(const ProgramKind &kind);
    // Null for an unknown id; valid until the next open() or close().
    Session *find(const QString &id);
    // False for an unknown id.
    bool close(const QString &id);

private:
    QHash<QString, Session> m_sessions;
};
