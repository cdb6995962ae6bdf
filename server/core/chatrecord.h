#pragma once

#include "chathistory.h"
#include "programkind.h"
#include "replytexts.h"
#include "tradingidea.h"

#include <QByteArray>

#include <optional>

// What a chat remembers between its requests, wherever it is kept: for which terminal and
// program type it writes, in which language it answers, the templates' idea so far and the
// chat for the model. As compact JSON when kept outside the process.
struct ChatRecord final
{
    ProgramKind kind;
    Protocol::Language language = Protocol::Language::English;
    TradingIdea idea;
    // The templates wrote the current program: later requests refine that one.
    bool hasProgram = false;
    ChatHistory history;
    // Milliseconds since the epoch.
    qint64 lastUseMs = 0;

    // The trader chose this program to continue from: it becomes the current one, and unless it
    // is the one already there, no longer the templates' own.
    void continueFrom(const QString &program);

    QByteArray toJson() const;
    // Nullopt for anything that is not such a record.
    static std::optional<ChatRecord> fromJson(const QByteArray &json);
};
