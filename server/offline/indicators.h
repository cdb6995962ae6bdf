#pragma once

#include "language.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace offline {

// The indicators, by their descriptions' place in indicatorDescriptions(); a stored strategy
// keeps the number, so a new one goes last.
enum class Indicator {
    MovingAverage,
    MaCross,
    Rsi,
    Macd,
    Bollinger,
    Stochastic,
    Cci,
    Adx,
    Atr,
    Sar,
    Momentum,
    Breakout
};

enum class MaMethod { Simple, Exponential, Smoothed, LinearWeighted };

// How an indicator gives its buy and sell signals; each indicator knows some of them.
enum class Condition {
    Cross,        // lines or levels crossed: MAs, price over an MA, %K/%D, +DI/-DI, SAR flip
    Above,        // price above (buy) or below (sell) an MA, an oscillator and its midline, ATR above its level
    CrossBack,    // an oscillator leaving its outer zone, price back inside the bands
    Zone,         // an oscillator inside its outer zone
    Histogram,    // MACD histogram's sign
    ZeroLine,     // MACD main line crossing zero
    Outside,      // close outside the bands
    Touch,        // high or low touching a band
    Breakout,     // close beyond the N-bar high or low
    CrossInZone   // %K crossing %D inside the outer zone: below the lower level to buy
};

struct Rule;

// One text in English, Simplified and Traditional Chinese.
struct Words final
{
    const char *en;
    const char *cn;
    const char *tw;
};

QString textIn(Language language, const Words &words);

// One value of an indicator: its input's name, its default and what it may be, whoever gives
// it (the trader or a stored strategy line).
struct Parameter final
{
    const char *name; // "Period": the input is "Inp" + the indicator's key + this
    double value;
    double low;
    double high;
    bool whole;
    Words label; // as an answer names it
};

// One value an indicator gives at a bar: its accessor's name, and how each platform reads it.
struct CodeLine final
{
    QString accessor;
    QString label;
    QString mql4;       // an expression of the shift s
    QString mql5Create; // the handle's creation; empty when mql4 reads it on both platforms
    int buffer = 0;
};

// A rule as a program has it: its accessors, its inputs and its signals.
struct RuleCode final
{
    QString prefix;
    Language language = Language::English; // of its comments
    QList<CodeLine> lines;
    QStringList inputs; // beyond the parameters' own
    bool overlay = false;
    QString buy; // expressions of the shift s
    QString sell;
    QStringList levelInputs; // drawn as the window's levels
};

// A condition the indicator offers: how a summary and the answer say it. In every text "%n" is
// the indicator's notation, "%m" its averaging method, "%1".."%9" its values.
struct ConditionText final
{
    Condition condition;
    Words buy;
    Words sell;
    Words summary = {nullptr, nullptr, nullptr}; // when it differs from the indicator's
};

// Words that choose an indicator's condition: "histogram", "柱状图".
struct ConditionWords final
{
    Condition condition;
    QStringList en;
    QStringList cn;
    QStringList tw;
};

// Patterns of a request, by language.
struct PatternWords final
{
    QStringList en;
    QStringList cn;
    QStringList tw;
};

// What a request says of one indicator beyond its name, its values, its levels and the words
// after it: read for this indicator only.
struct ReadingDetails final
{
    // Words of the name itself that choose the condition: "%K crosses %D".
    QList<ConditionWords> inName;
    // Words before the name, in its clause, that choose the condition: "closes below the bands".
    QList<ConditionWords> before;
    // Words that choose the condition wherever they stand, when nothing else did: "the low
    // touches the lower band" after another indicator.
    QList<ConditionWords> anywhere;
    // Another indicator's name right beside this one's, which then only chooses this one's
    // condition: "Bollinger breakout", "突破布林带".
    QList<std::pair<Indicator, Condition>> beside;
    // Patterns right after the name whose captures are values, in order, before its plain
    // numbers: "step 0.02 max 0.2".
    PatternWords valueWords;
    // Patterns of the name whose captures are values: "55 根K線高點".
    PatternWords valuesInName;
    // A level crossed with the lines' cross bounds where they cross: "%K crosses %D below 20".
    bool zonedCross = false;
    // One level for both sides, whatever its sign: "-100" is the level 100.
    bool symmetricLevel = false;
    // How another indicator is traded rather than one of its own: said of one that cannot be
    // built, it is a part of that ("Ichimoku cloud breakout", "breakout of the Ichimoku cloud").
    bool usage = false;
    // A form of another indicator, which a request changes into it and back, and whose rule
    // the other's name finds: a crossover of two averages is a form of the average.
    std::optional<Indicator> formOf;
    // An average's method as its name says it, beside the lexicon's method words; the first
    // that matches is the one: "ema", "smma".
    QList<std::pair<MaMethod, QStringList>> methodNames;
    // Short names that may stand again before a later value: "ema 10 ema 20", "fast ema 12".
    QStringList shortNames;
    // Of a form: words naming it, read as it only beside the indicator it is a form of, or
    // alone ("crossover 10 50"); words naming each of its values on their own, by the value's
    // place ("fast", "慢线").
    PatternWords formNames;
    QList<PatternWords> valueNames;
};

// Everything the generator knows of one indicator: how a request names it, its values, the
// conditions it offers, its code and its notation. Adding an indicator adds one of these.
struct IndicatorDescription final
{
    Indicator indicator;
    const char *key; // "Rsi": the prefix of its inputs and accessors
    // Patterns naming it in a request, by language; "\b" bounds English words only.
    QStringList en;
    QStringList cn;
    QStringList tw;
    QStringList glued; // English names that take a period glued or in brackets: "rsi14", "rsi(14)"
    Words name;        // without its values: "RSI", "布林带", "%m" (an average's method)
    Words notation;    // "RSI(%1)"
    Words summary;     // the rule in a trader's notation: "RSI(%1) %2/%3"
    Condition condition;
    bool overlay;    // drawn over the prices rather than in a window of its own
    bool direction;  // gives a side to trade, not only a filter
    QList<Parameter> parameters;
    QList<ConditionText> conditions;
    QList<ConditionWords> conditionWords;
    // Fills code from the rule, in: the parameters' input names.
    void (*code)(RuleCode &code, const Rule &rule, const QStringList &in);
    ReadingDetails reading = {};
};

const QList<IndicatorDescription> &indicatorDescriptions();
const IndicatorDescription &describedIndicator(Indicator indicator);

// A text of the rule's with its placeholders filled (see ConditionText).
QString filledIn(QString text, const Rule &rule, const QString &notation);

} // namespace offline
