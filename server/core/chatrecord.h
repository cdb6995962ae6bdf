#pragma once

#include "chathistory.h"
#include "programkind.h"
#include "replytexts.h"

#include <QByteArray>
#include <QJsonObject>

#include <optional>

// What a chat remembers between its requests, wherever it is kept: for which terminal and
// program type it writes, in which language it answers, what its code writer keeps of it and
// the chat for the model. As compact JSON when kept outside the process.
struct ChatRecord final
{
    ProgramKind kind;
    Protocol::Language language = Protocol::Language::English;
    // What the chat's code writer keeps of it between requests (the offline generator: its
    // strategy so far), read and written by that writer alone; empty for nothing.
    QJsonObject writerState;
    ChatHistory history;
    // Milliseconds since the epoch.
    qint64 lastUseMs = 0;

    // The trader chose this program to continue from: it becomes the current one, and what
    // the writer kept of another goes.
    void continueFrom(const QString &program);

    QByteArray toJson() const;
    // Nullopt for anything that is not such a record.
    static std::optional<ChatRecord> fromJson(const QByteArray &json);
};
