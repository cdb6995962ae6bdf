#pragma once

#include "strategy.h"

#include <QList>
#include <QString>

namespace offline {

// A part of a request the generator cannot build, and why.
struct Unbuilt final
{
    enum class Reason {
        NotUnderstood, // words the reader has no meaning for
        NewsData,
        MachineLearning,
        OtherSymbols,
        OrderBook,
        OutsideData,
        OtherAccount, // another account's trades
        Pattern,      // candlestick patterns, divergences, waves
        OtherIndicator,
        IndicatorInEa,     // lines and arrows belong to indicators
        TradingInIndicator, // an indicator draws, it does not trade
        OwnWindow           // an oscillator on a chart of prices: used for the arrows, not drawn
    };
    QString what;
    Reason reason = Reason::NotUnderstood;
};

// What one message made of the strategy so far.
struct Reading final
{
    Strategy strategy;
    QList<Unbuilt> unbuilt;
    // Values given twice in the message, differently, in the trader's words: which one is
    // meant is asked, nothing is built.
    QList<std::pair<QString, QString>> contradictions;
};

// Reads a request in English or Chinese into the strategy it describes, starting from before:
// the first message of a chat starts from an empty strategy, each later one refines it
// ("make the RSI period 21", "remove the time filter", "改成 EMA").
Reading readRequest(const Strategy &before, const QString &request);

} // namespace offline
