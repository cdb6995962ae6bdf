#include "strategy.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace offline {

namespace {

struct IndicatorDefaults
{
    Indicator indicator;
    Condition condition;
    QList<double> values;
    QStringList names;
};

const QList<IndicatorDefaults> &indicatorDefaults()
{
    static const QList<IndicatorDefaults> list = {
        {Indicator::MovingAverage, Condition::Cross, {20}, {"Period"}},
        {Indicator::MaCross, Condition::Cross, {10, 50}, {"FastPeriod", "SlowPeriod"}},
        {Indicator::Rsi, Condition::CrossBack, {14, 70, 30}, {"Period", "Upper", "Lower"}},
        {Indicator::Macd, Condition::Cross, {12, 26, 9}, {"Fast", "Slow", "Signal"}},
        {Indicator::Bollinger, Condition::CrossBack, {20, 2}, {"Period", "Deviation"}},
        {Indicator::Stochastic, Condition::Cross, {5, 3, 3, 80, 20},
         {"K", "D", "Slowing", "Upper", "Lower"}},
        {Indicator::Cci, Condition::CrossBack, {14, 100}, {"Period", "Level"}},
        {Indicator::Adx, Condition::Cross, {14, 25}, {"Period", "Threshold"}},
        {Indicator::Atr, Condition::Above, {14, 100}, {"Period", "Level"}},
        {Indicator::Sar, Condition::Cross, {0.02, 0.2}, {"Step", "Maximum"}},
        {Indicator::Momentum, Condition::Cross, {14, 100}, {"Period", "Level"}},
        {Indicator::Breakout, Condition::Breakout, {20}, {"Bars"}},
    };
    return list;
}

const IndicatorDefaults &defaultsOf(Indicator indicator)
{
    return indicatorDefaults().at(int(indicator));
}

QJsonObject distanceObject(const Distance &distance)
{
    return {{"v", distance.value}, {"u", int(distance.unit)}, {"g", distance.given}};
}

Distance distanceFrom(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    return {object.value("v").toDouble(), Unit(qBound(0, object.value("u").toInt(), 3)),
            object.value("g").toBool()};
}

QJsonObject ruleObject(const Rule &rule)
{
    QJsonArray values;
    for (const double value : rule.values)
        values.append(value);
    return {{"i", int(rule.indicator)}, {"c", int(rule.condition)}, {"m", int(rule.method)},
            {"v", values}, {"g", rule.given}, {"cg", rule.conditionGiven}};
}

std::optional<Rule> ruleFrom(const QJsonObject &object)
{
    const int indicator = object.value("i").toInt(-1);
    if (indicator < 0 || indicator > int(Indicator::Breakout))
        return std::nullopt;
    Rule rule = Rule::withDefaults(Indicator(indicator));
    const QJsonArray values = object.value("v").toArray();
    if (values.size() != rule.values.size())
        return std::nullopt;
    for (qsizetype i = 0; i < values.size(); ++i)
        rule.values[i] = values.at(i).toDouble();
    rule.condition = Condition(qBound(0, object.value("c").toInt(), int(Condition::Breakout)));
    rule.method = MaMethod(qBound(0, object.value("m").toInt(), 3));
    rule.given = object.value("g").toInt();
    rule.conditionGiven = object.value("cg").toBool();
    return rule;
}

} // namespace

bool isOverlay(Indicator indicator)
{
    return indicator == Indicator::MovingAverage || indicator == Indicator::MaCross
           || indicator == Indicator::Bollinger || indicator == Indicator::Sar
           || indicator == Indicator::Breakout;
}

Rule Rule::withDefaults(Indicator indicator)
{
    const IndicatorDefaults &defaults = defaultsOf(indicator);
    Rule rule;
    rule.indicator = indicator;
    rule.condition = defaults.condition;
    rule.values = defaults.values;
    return rule;
}

QStringList Rule::valueNames() const
{
    return defaultsOf(indicator).names;
}

QJsonObject Strategy::toJson() const
{
    QJsonArray ruleArray;
    for (const Rule &rule : rules)
        ruleArray.append(ruleObject(rule));
    return {{"rules", ruleArray},
            {"any", anyRule},
            {"tf", timeframe},
            {"current_bar", currentBar},
            {"direction", int(direction)},
            {"opposite", closeOnOpposite},
            {"opposite_given", closeOnOppositeGiven},
            {"sl", distanceObject(stopLoss)},
            {"tp", distanceObject(takeProfit)},
            {"trail", distanceObject(trailingStop)},
            {"break_even", distanceObject(breakEven)},
            {"close_bars", closeAfterBars},
            {"close_at", closeAtMinute},
            {"lots", lots},
            {"lots_given", lotsGiven},
            {"risk", riskPercent},
            {"martingale", martingaleSteps},
            {"factor", martingaleFactor},
            {"grid", gridOrders},
            {"grid_step", distanceObject(gridStep)},
            {"max_lots", maxLots},
            {"from", fromMinute},
            {"to", toMinute},
            {"days", weekdays},
            {"spread", distanceObject(maxSpread)},
            {"positions", maxPositions},
            {"positions_given", maxPositionsGiven},
            {"magic", magic},
            {"magic_given", magicGiven},
            {"arrows", arrows},
            {"alert", alert},
            {"colours", QJsonArray::fromStringList(colours)}};
}

std::optional<Strategy> Strategy::fromJson(const QJsonObject &object)
{
    if (!object.value("rules").isArray())
        return std::nullopt;
    Strategy s;
    for (const QJsonValue &value : object.value("rules").toArray()) {
        const std::optional<Rule> rule = ruleFrom(value.toObject());
        if (!rule)
            return std::nullopt;
        s.rules.append(*rule);
    }
    const auto whole = [&object](const char *key, int fallback) {
        return object.value(QLatin1String(key)).toInt(fallback);
    };
    const auto number = [&object](const char *key, double fallback) {
        return object.value(QLatin1String(key)).toDouble(fallback);
    };
    const auto flag = [&object](const char *key, bool fallback) {
        return object.value(QLatin1String(key)).toBool(fallback);
    };
    s.anyRule = flag("any", s.anyRule);
    // What goes into a program's code comes only from the reader's vocabulary, whatever the
    // record says.
    static const QStringList timeframes{"", "M1", "M5", "M15", "M30", "H1", "H4", "D1", "W1", "MN1"};
    s.timeframe = object.value("tf").toString();
    if (!timeframes.contains(s.timeframe))
        return std::nullopt;
    s.currentBar = flag("current_bar", s.currentBar);
    s.direction = Direction(qBound(0, whole("direction", 0), 2));
    s.closeOnOpposite = flag("opposite", s.closeOnOpposite);
    s.closeOnOppositeGiven = flag("opposite_given", false);
    s.stopLoss = distanceFrom(object.value("sl"));
    s.takeProfit = distanceFrom(object.value("tp"));
    s.trailingStop = distanceFrom(object.value("trail"));
    s.breakEven = distanceFrom(object.value("break_even"));
    s.closeAfterBars = whole("close_bars", 0);
    s.closeAtMinute = whole("close_at", -1);
    s.lots = number("lots", s.lots);
    s.lotsGiven = flag("lots_given", false);
    s.riskPercent = number("risk", 0);
    s.martingaleSteps = whole("martingale", 0);
    s.martingaleFactor = number("factor", s.martingaleFactor);
    s.gridOrders = whole("grid", 0);
    s.gridStep = distanceFrom(object.value("grid_step"));
    s.maxLots = number("max_lots", s.maxLots);
    s.fromMinute = whole("from", -1);
    s.toMinute = whole("to", -1);
    s.weekdays = whole("days", 0);
    s.maxSpread = distanceFrom(object.value("spread"));
    s.maxPositions = whole("positions", s.maxPositions);
    s.maxPositionsGiven = flag("positions_given", false);
    s.magic = whole("magic", s.magic);
    s.magicGiven = flag("magic_given", false);
    s.arrows = flag("arrows", false);
    s.alert = flag("alert", false);
    static const QRegularExpression colourName(QStringLiteral("^[A-Z][a-z]+$"));
    for (const QJsonValue &colour : object.value("colours").toArray()) {
        if (!colour.toString().contains(colourName))
            return std::nullopt;
        s.colours.append(colour.toString());
    }
    return s;
}

} // namespace offline
