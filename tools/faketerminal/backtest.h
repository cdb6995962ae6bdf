#pragma once

#include <optional>
#include <string>
#include <vector>

// The one rule the stand-in tester replays: a 10/30 simple moving-average cross, always in
// the market with a fixed lot, over a synthetic price series that is the same on every run.
// It never runs the trader's Expert Advisor: it cannot run MQL.
namespace Backtest {

struct Settings final
{
    std::string symbol;
    int periodMinutes = 60;
    long fromDay = 0; // days since 1970-01-01
    long toDay = 0;
    double deposit = 10000;
};

struct Deal final
{
    long long time = 0; // seconds since 1970-01-01
    bool buy = true;
    bool entry = true; // opens a position, else closes one
    double price = 0;
    double profit = 0;
    double balance = 0;
};

struct Result final
{
    std::vector<Deal> deals;
    int bars = 0;
    int trades = 0;
    int wins = 0;
    int shortTrades = 0;
    int shortWins = 0;
    double grossProfit = 0;
    double grossLoss = 0;
    double maxDrawdown = 0;
    double maxDrawdownPercent = 0;
    double finalBalance = 0;
    std::optional<double> sharpeRatio;

    int losses() const { return trades - wins; }
    int longTrades() const { return trades - shortTrades; }
    double netProfit() const { return grossProfit + grossLoss; }
    double profitFactor() const { return grossLoss < 0 ? grossProfit / -grossLoss : 0; }
    double expectedPayoff() const { return trades > 0 ? netProfit() / trades : 0; }
};

constexpr double Lot = 0.10;

// The symbols whose history the stand-in has.
bool hasHistory(const std::string &symbol);

// Minutes of an MT4/MT5 period name (M1 ... MN1); nothing for an unknown one.
std::optional<int> periodMinutes(const std::string &period);

// Days since 1970-01-01 of "YYYY.MM.DD"; nothing when it is not such a date.
std::optional<long> dayOf(const std::string &date);

// "YYYY.MM.DD HH:MM" of seconds since 1970-01-01.
std::string timeText(long long seconds);

Result run(const Settings &settings);

} // namespace Backtest
