#pragma once

#include "chathistory.h"
#include "programkind.h"
#include "replytexts.h"
#include "strategy.h"

#include <QByteArray>

#include <optional>

// What a chat remembers between its requests, wherever it is kept: for which terminal and
// program type it writes, in which language it answers, the offline generator's strategy so
// far and the chat for the model. As compact JSON when kept outside the process.
struct ChatRecord final
{
    ProgramKind kind;
    Protocol::Language language = Protocol::Language::English;
    // Empty until the offline generator wrote a program in the chat; later requests refine it.
    offline::Strategy strategy;
    ChatHistory history;
    // Milliseconds since the epoch.
    qint64 lastUseMs = 0;

    // The trader chose this program to continue from: it becomes the current one.
    void continueFrom(const QString &program);
    // The strategy of the current program when the offline generator wrote it, else none.
    void adoptProgramStrategy();

    QByteArray toJson() const;
    // Nullopt for anything that is not such a record.
    static std::optional<ChatRecord> fromJson(const QByteArray &json);
};
