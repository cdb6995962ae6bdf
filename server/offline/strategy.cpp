#include "strategy.h"

#include "indicators.h"

#include <QJsonArray>
#include <cmath>
#include <limits>

namespace offline {

namespace {

QJsonObject distanceObject(const Distance &distance)
{
    return {{"v", distance.value}, {"u", int(distance.unit)}, {"g", distance.given}};
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
    if (indicator < 0 || indicator >= indicatorDescriptions().size())
        return std::nullopt;
    Rule rule = Rule::withDefaults(Indicator(indicator));
    const QJsonArray values = object.value("v").toArray();
    if (values.size() != rule.values.size())
        return std::nullopt;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!values.at(i).isDouble() || !rule.fits(int(i), values.at(i).toDouble()))
            return std::nullopt;
        rule.values[i] = values.at(i).toDouble();
    }
    const int condition = object.value("c").toInt(-1);
    const int method = object.value("m").toInt(-1);
    const int given = object.value("g").toInt(-1);
    if (condition < 0 || condition > int(Condition::CrossInZone) || method < 0 || method > 3
        || given < 0 || given >= 1 << rule.values.size())
        return std::nullopt;
    rule.condition = Condition(condition);
    rule.method = MaMethod(method);
    rule.given = given;
    rule.conditionGiven = object.value("cg").toBool();
    return rule;
}

} // namespace

bool isOverlay(Indicator indicator)
{
    return describedIndicator(indicator).overlay;
}

Rule Rule::withDefaults(Indicator indicator)
{
    const IndicatorDescription &description = describedIndicator(indicator);
    Rule rule;
    rule.indicator = indicator;
    rule.condition = description.condition;
    for (const Parameter &parameter : description.parameters)
        rule.values.append(parameter.value);
    return rule;
}

QStringList Rule::valueNames() const
{
    QStringList names;
    for (const Parameter &parameter : describedIndicator(indicator).parameters)
        names.append(QLatin1String(parameter.name));
    return names;
}

bool Rule::fits(int slot, double value) const
{
    const Parameter &parameter = describedIndicator(indicator).parameters.at(slot);
    return value >= parameter.low && value <= parameter.high;
}

const QStringList &knownColours()
{
    static const QStringList names{"Red", "Green", "Blue", "Yellow", "Orange", "White",
                                   "Black", "Gray", "Magenta", "Aqua", "Lime", "Gold"};
    return names;
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
            {"martingale_given", martingaleStepsGiven},
            {"factor", martingaleFactor},
            {"factor_given", martingaleFactorGiven},
            {"grid", gridOrders},
            {"grid_step", distanceObject(gridStep)},
            {"max_lots", maxLots},
            {"max_lots_given", maxLotsGiven},
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
    // The line comes back from anywhere (a chat record, a pasted program): a value out of what
    // the reader itself would write makes the whole line none of ours.
    const QJsonArray ruleArray = object.value("rules").toArray();
    if (!object.value("rules").isArray() || ruleArray.size() > maxRules)
        return std::nullopt;
    Strategy s;
    for (const QJsonValue &value : ruleArray) {
        const std::optional<Rule> rule = ruleFrom(value.toObject());
        if (!rule)
            return std::nullopt;
        s.rules.append(*rule);
    }
    bool valid = true;
    const auto number = [&](const char *key, double fallback, double low, double high) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return fallback;
        if (!value.isDouble() || !(value.toDouble() >= low && value.toDouble() <= high))
            valid = false;
        return valid ? value.toDouble() : fallback;
    };
    const auto whole = [&](const char *key, int fallback, int low, int high) {
        const double value = number(key, fallback, low, high);
        if (value != std::floor(value))
            valid = false;
        return int(value);
    };
    const auto flag = [&](const char *key, bool fallback) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isUndefined() && !value.isBool())
            valid = false;
        return value.toBool(fallback);
    };
    const auto distance = [&](const char *key) {
        const QJsonObject d = object.value(QLatin1String(key)).toObject();
        const int unit = d.value("u").toInt(-1);
        const double v = d.value("v").toDouble(-1);
        const double most = unit == int(Unit::Percent) ? 50 : unit == int(Unit::Atr) ? 20 : 100000;
        if (!object.value(QLatin1String(key)).isUndefined() && (unit < 0 || unit > 3 || !(v >= 0 && v <= most)))
            valid = false;
        return valid ? Distance{std::max(v, 0.0), Unit(std::max(unit, 0)), d.value("g").toBool()} : Distance{};
    };
    s.anyRule = flag("any", s.anyRule);
    // What goes into a program's code comes only from the reader's vocabulary, whatever the
    // record says.
    static const QStringList timeframes{"", "M1", "M5", "M15", "M30", "H1", "H4", "D1", "W1", "MN1"};
    s.timeframe = object.value("tf").toString();
    if (!timeframes.contains(s.timeframe))
        return std::nullopt;
    constexpr int lastMinute = 24 * 60 - 1;
    s.currentBar = flag("current_bar", s.currentBar);
    s.direction = Direction(whole("direction", 0, 0, 2));
    s.closeOnOpposite = flag("opposite", s.closeOnOpposite);
    s.closeOnOppositeGiven = flag("opposite_given", false);
    s.stopLoss = distance("sl");
    s.takeProfit = distance("tp");
    s.trailingStop = distance("trail");
    s.breakEven = distance("break_even");
    s.closeAfterBars = whole("close_bars", 0, 0, maxCloseBars);
    s.closeAtMinute = whole("close_at", -1, -1, lastMinute);
    s.lots = number("lots", s.lots, minLots, maxLotsAllowed);
    s.lotsGiven = flag("lots_given", false);
    s.riskPercent = number("risk", 0, 0, 10);
    s.martingaleSteps = whole("martingale", 0, 0, maxMartingaleSteps);
    s.martingaleStepsGiven = flag("martingale_given", false);
    s.martingaleFactor = number("factor", s.martingaleFactor, 1, 3);
    s.gridOrders = whole("grid", 0, 0, maxGridOrders);
    s.gridStep = distance("grid_step");
    s.maxLots = number("max_lots", s.maxLots, minLots, maxLotsAllowed);
    s.maxLotsGiven = flag("max_lots_given", false);
    s.martingaleFactorGiven = flag("factor_given", false);
    s.fromMinute = whole("from", -1, -1, lastMinute);
    s.toMinute = whole("to", -1, -1, lastMinute);
    s.weekdays = whole("days", 0, 0, 0b1111111);
    s.maxSpread = distance("spread");
    s.maxPositions = whole("positions", s.maxPositions, 1, maxPositionsAllowed);
    s.maxPositionsGiven = flag("positions_given", false);
    s.magic = whole("magic", s.magic, 0, std::numeric_limits<int>::max());
    s.magicGiven = flag("magic_given", false);
    s.arrows = flag("arrows", false);
    s.alert = flag("alert", false);
    const QJsonArray colours = object.value("colours").toArray();
    if (colours.size() > 16)
        return std::nullopt;
    for (const QJsonValue &colour : colours) {
        if (!knownColours().contains(colour.toString()))
            return std::nullopt;
        s.colours.append(colour.toString());
    }
    if (!valid || (s.gridOrders > 0 && s.gridStep.value <= 0) || (s.fromMinute < 0) != (s.toMinute < 0))
        return std::nullopt;
    return s;
}

} // namespace offline
