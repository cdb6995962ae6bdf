#pragma once

#include "requestreader.h"
#include "strategy.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace offline {

// What the generator made of one message of a chat.
struct Answer final
{
    // A program came out; otherwise the request had nothing to build, and refusal says so.
    bool built = false;
    Strategy strategy;
    QString program;
    // The signals in a trader's notation, as "RSI(14) 70/30".
    QString summary;
    // What a follow-up changed, as "RSI(14) 70/30 → RSI(21) 70/30".
    QStringList changes;
    // The strategy in a trader's words, then each part of the request that was not built.
    QStringList details;
    QList<Unbuilt> unbuilt;
    QString refusal;
};

// Writes programs without a model: each message of a chat refines a strategy description,
// from which the program is written for either platform, as an Expert Advisor or an indicator.
class OfflineGenerator final
{
public:
    // before: the chat's strategy so far, empty for its first request.
    static Answer answer(const Strategy &before, const QString &request, const Target &target,
                         Language language);
    // The strategy a program written by this generator carries; nullopt for any other program.
    static std::optional<Strategy> fromProgram(const QString &source);
};

} // namespace offline
