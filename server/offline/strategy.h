#pragma once

#include "indicators.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace offline {

// What a program is written for.
struct Target final
{
    bool mql5 = false;
    bool indicator = false;
};

// Drawn over the prices (averages, bands, SAR, channels) rather than in a window of its own.
bool isOverlay(Indicator indicator);

// One indicator with its condition and numbers; which numbers are used depends on the indicator
// (RSI: period, upper and lower level; MACD: fast, slow, signal).
struct Rule final
{
    Indicator indicator = Indicator::MovingAverage;
    Condition condition = Condition::Cross;
    MaMethod method = MaMethod::Simple;
    QList<double> values;
    // Bit i: values[i] came from the trader; the others are defaults the answer names.
    int given = 0;
    bool conditionGiven = false;

    static Rule withDefaults(Indicator indicator);
    // Whether the value is one the slot can take: a period 1-1000, a level within the
    // indicator's range, ...
    bool fits(int slot, double value) const;
    // The names of the values, as inputs take them: "Period", "Upper", ...
    QStringList valueNames() const;
};

enum class Unit { Points, Pips, Percent, Atr };

// The names of the colours a line can have ("Red"), as the terminal's constants end.
const QStringList &knownColours();

// What a strategy may hold at most, whoever wrote it.
inline constexpr int maxRules = 16;
inline constexpr double minLots = 0.01;
inline constexpr double maxLotsAllowed = 100;
inline constexpr int maxMartingaleSteps = 10;
inline constexpr int maxGridOrders = 20;
inline constexpr int maxPositionsAllowed = 50;
inline constexpr int maxCloseBars = 10000;

// A distance from the price; 0 is off.
struct Distance final
{
    double value = 0;
    Unit unit = Unit::Points;
    bool given = false;
};

// The whole strategy a chat describes, refined by each of its messages.
struct Strategy final
{
    enum class Direction { Both, BuyOnly, SellOnly };

    QList<Rule> rules;
    bool anyRule = false; // "or": one rule is enough; else all of them
    QString timeframe;    // "H1", ...; empty for the chart's
    bool currentBar = false;
    Direction direction = Direction::Both;

    bool closeOnOpposite = true;
    bool closeOnOppositeGiven = false;
    Distance stopLoss;
    Distance takeProfit;
    Distance trailingStop;
    Distance breakEven;
    int closeAfterBars = 0;
    int closeAtMinute = -1; // minutes after midnight, server time

    double lots = 0.1;
    bool lotsGiven = false;
    double riskPercent = 0;
    int martingaleSteps = 0; // 0: off
    bool martingaleStepsGiven = false;
    double martingaleFactor = 2;
    bool martingaleFactorGiven = false;
    int gridOrders = 0; // 0: off
    Distance gridStep;
    double maxLots = 1;
    bool maxLotsGiven = false;

    int fromMinute = -1; // trading hours; -1: all day
    int toMinute = -1;
    int weekdays = 0; // bit 0 Sunday ... bit 6 Saturday; 0: every day
    Distance maxSpread;
    int maxPositions = 1;
    bool maxPositionsGiven = false;
    int magic = 250025;
    bool magicGiven = false;

    bool arrows = false;
    bool alert = false;
    QStringList colours; // named colours of the lines, in order

    bool isEmpty() const { return rules.isEmpty(); }

    QJsonObject toJson() const;
    // Values missing from the object keep their defaults; nullopt for what is not one.
    static std::optional<Strategy> fromJson(const QJsonObject &object);
};

} // namespace offline
