#pragma once

#include "protocol/messages.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a chat remembers for the model, so that "make the period 21" refines the last program:
// the earlier requests and the current program, bounded so that a long chat still fits a
// model's context: the latest requests only, and within a size.
struct ChatHistory final
{
    // Requests kept at most; a request and its answer make two turns of a seeded chat.
    static constexpr qsizetype maxRequests = 20;
    // The requests and the program together, in characters: about 8,000 tokens of a
    // 16,000-token context, room for the system prompt and the answer.
    static constexpr qsizetype maxCharacters = 32 * 1024;

    QStringList requests;
    // The current program: the latest one written, or the one the trader chose.
    QString program;

    // A chat the service forgot, continued from its turns (oldest first): the traders' turns
    // as requests, within the bounds; the program is currentProgram, else that of the latest
    // assistant turn that carries one. Other assistant text is not kept.
    static ChatHistory continuedFrom(const QList<ChatTurn> &turns, const QString &currentProgram);

    // Keeps the request and its program, then drops the oldest requests beyond the bounds.
    void remember(const QString &request, const QString &newProgram);
    // Drops the older half of the requests, or the program when no request is left; false when
    // there was nothing to drop.
    bool trim();

private:
    void bound();
};
