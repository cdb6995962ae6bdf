#pragma once

#include <QList>
#include <QString>

#include <optional>

// The trading rule a chat asks for, with its numbers, read from plain language. Each message
// refines the idea so far, so that "now make the period 21" keeps the RSI asked for before.
struct TradingIdea final
{
    enum class Strategy { MovingAverage, Crossover, Rsi };
    enum class MaMethod { Simple, Exponential, Smoothed, LinearWeighted };

    Strategy strategy = Strategy::MovingAverage;
    MaMethod maMethod = MaMethod::Simple;
    int maPeriod = 20;
    int fastPeriod = 10;
    int slowPeriod = 50;
    int rsiPeriod = 14;
    double overbought = 70.0;
    double oversold = 30.0;
    double lots = 0.1;
    int stopLossPoints = 300;
    int takeProfitPoints = 600;

    // What a refinement changed, in a trader's notation: the strategy with its numbers
    // ("RSI(14) 70/30"), or one of the trading values.
    struct Change
    {
        enum class What { Strategy, Lots, StopLoss, TakeProfit };
        What what;
        QString before;
        QString after;
    };

    // This idea with what the request names put in: the strategy and the MA method by their
    // words, each number by the word before or after it. Numbers with no word of their own
    // fill the strategy's values in order, as in "crossover 10 50" or "RSI 14, 70/30".
    TradingIdea refinedBy(const QString &request) const;
    // The same for a request about a program already written, which keeps its strategy unless
    // the request asks outright for another ("switch to RSI", "改成均线"): naming one in
    // passing, as in "add an RSI filter", is no reason to replace the program.
    TradingIdea changedBy(const QString &request) const;
    QList<Change> changesFrom(const TradingIdea &before) const;

    static std::optional<Strategy> strategyNamedIn(const QString &request);

    // "SMA", "EMA", "SMMA" or "LWMA": also the tail of the terminal's MODE_ constant.
    QString maMethodName() const;
    // Short, in a trader's notation: "EMA(20)", "SMA(10)/SMA(50) cross", "RSI(14) 70/30".
    QString summary() const;

private:
    TradingIdea withValuesOf(const QString &request, Strategy chosen) const;
};
