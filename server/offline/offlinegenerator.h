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
    // The language of the answer: the request's when it is plainly written in one.
    Language language = Language::English;
};

// What a program's strategy line says: the strategy, and whether the rest of the program is
// still exactly what this generator wrote for it (not edited by hand, not another program with
// a copied line).
struct Described final
{
    Strategy strategy;
    bool intact = false;
};

// Writes programs without a model: each message of a chat refines a strategy description,
// from which the program is written for either platform, as an Expert Advisor or an indicator.
class OfflineGenerator final
{
public:
    // before: the chat's strategy so far, empty for its first request; the answer is in the
    // request's language, else in the interface's.
    static Answer answer(const Strategy &before, const QString &request, const Target &target,
                         Language interfaceLanguage);
    // The strategy a program written by this generator carries, when it is unchanged; nullopt
    // for any other program.
    static std::optional<Strategy> fromProgram(const QString &source);
    // The strategy the requests of a chat make, one after the other; those with nothing to
    // build leave it as it was.
    static Strategy replayed(const QStringList &requests, const Target &target);
    // The request asks to write the program again from its description ("rebuild it").
    static bool asksToRebuild(const QString &request);
    // The strategy line of a program, intact or not; nullopt when it has none that is valid.
    static std::optional<Described> describedBy(const QString &source);
};

} // namespace offline
