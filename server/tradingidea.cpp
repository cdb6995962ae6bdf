#include "tradingidea.h"

#include <QList>
#include <QRegularExpression>

#include <optional>
#include <utility>

namespace {

// What a number in a request sets. Generic numbers ("period 20", or bare) fill the
// strategy's own values in order.
enum class Slot {
    Generic,
    MaPeriod,
    FastPeriod,
    SlowPeriod,
    RsiPeriod,
    Overbought,
    Oversold,
    Lots,
    StopLoss,
    TakeProfit
};

struct Keyword
{
    Slot slot;
    QRegularExpression pattern;
};

struct Reading
{
    Slot slot;
    double value;
    bool whole;
};

constexpr int maxPeriod = 1000;
constexpr int maxPoints = 100000;
constexpr double minLots = 0.01;
constexpr double maxLots = 100.0;

// English words must stand alone ("ma", not the start of "make") but may touch a number, as
// in "rsi14"; Chinese has no spaces to set words apart.
QRegularExpression wordPattern(const QString &english, const QString &chinese)
{
    return QRegularExpression(QStringLiteral("(?<![a-z])(?:%1)(?![a-z])|%2").arg(english, chinese),
                              QRegularExpression::CaseInsensitiveOption);
}

const QList<Keyword> &keywords()
{
    static const QList<Keyword> list = {
        {Slot::Generic,
         wordPattern(QStringLiteral("periods?|length|bars?|s?ma|ema|smma|l?wma|moving averages?"),
                     QStringLiteral("周期|週期|均线|均線"))},
        {Slot::RsiPeriod, wordPattern(QStringLiteral("rsi"), QStringLiteral("相对强弱|相對強弱"))},
        {Slot::FastPeriod, wordPattern(QStringLiteral("fast(?:er)?"), QStringLiteral("快线|快線"))},
        {Slot::SlowPeriod, wordPattern(QStringLiteral("slow(?:er)?"), QStringLiteral("慢线|慢線"))},
        {Slot::Overbought,
         wordPattern(QStringLiteral("over-?bought|ob"), QStringLiteral("超买|超買"))},
        {Slot::Oversold, wordPattern(QStringLiteral("over-?sold|os"), QStringLiteral("超卖|超賣"))},
        {Slot::Lots, wordPattern(QStringLiteral("lots?"), QStringLiteral("手数|手數"))},
        {Slot::StopLoss,
         wordPattern(QStringLiteral("stop[- ]?loss|sl"), QStringLiteral("止损|止損"))},
        {Slot::TakeProfit,
         wordPattern(QStringLiteral("take[- ]?profit|tp"), QStringLiteral("止盈"))},
    };
    return list;
}

struct KeywordsBefore
{
    std::optional<Slot> slot;
    // A keyword ends where the number starts, as in "rsi14".
    bool touching = false;
};

// The keyword that names a number from the text before it: the last specific one ("fast")
// over a generic one ("ma"), as in "fast ma 10".
KeywordsBefore keywordsBefore(const QString &before)
{
    KeywordsBefore found;
    qsizetype specificEnd = -1;
    qsizetype genericEnd = -1;
    for (const Keyword &keyword : keywords()) {
        QRegularExpressionMatchIterator matches = keyword.pattern.globalMatch(before);
        while (matches.hasNext()) {
            const qsizetype end = matches.next().capturedEnd();
            found.touching = found.touching || end == before.size();
            const bool generic = keyword.slot == Slot::Generic;
            qsizetype &bestEnd = generic ? genericEnd : specificEnd;
            if (end <= bestEnd)
                continue;
            bestEnd = end;
            if (!generic || specificEnd < 0)
                found.slot = keyword.slot;
        }
    }
    return found;
}

// A keyword right after a number, as in "0.1 lots" or "20-period".
std::optional<Slot> keywordAfter(const QString &after)
{
    static const QRegularExpression gap(QStringLiteral("^[\\s-]*"));
    const qsizetype start = gap.match(after).capturedEnd();
    for (const Keyword &keyword : keywords()) {
        if (keyword.pattern
                .match(after, start, QRegularExpression::NormalMatch,
                       QRegularExpression::AnchorAtOffsetMatchOption)
                .hasMatch()) {
            return keyword.slot;
        }
    }
    return std::nullopt;
}

// A number glued to a word counts only when that word is a keyword ("rsi14"), never as in
// "MT4", "MQL5" or "H1".
bool gluedToOtherWord(const QString &text, qsizetype start, const KeywordsBefore &before)
{
    return start > 0 && text.at(start - 1).isLetter() && !before.touching;
}

// Each number in the request with what it sets; the text searched for a number's keyword
// reaches back to the number before it and on to the one after it.
QList<Reading> readNumbers(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("(?<![\\d.])\\d+(?:\\.\\d+)?(?!\\d)"));
    QList<QRegularExpressionMatch> matches;
    for (QRegularExpressionMatchIterator it = number.globalMatch(text); it.hasNext();)
        matches.append(it.next());

    QList<Reading> readings;
    qsizetype previousEnd = 0;
    for (qsizetype i = 0; i < matches.size(); ++i) {
        const QRegularExpressionMatch &match = matches.at(i);
        const qsizetype nextStart =
            i + 1 < matches.size() ? matches.at(i + 1).capturedStart() : text.size();
        const KeywordsBefore before =
            keywordsBefore(text.mid(previousEnd, match.capturedStart() - previousEnd));
        const bool glued = gluedToOtherWord(text, match.capturedStart(), before);
        const std::optional<Slot> after =
            keywordAfter(text.mid(match.capturedEnd(), nextStart - match.capturedEnd()));
        previousEnd = match.capturedEnd();
        if (glued)
            continue;
        const Slot slot = before.slot ? *before.slot : after.value_or(Slot::Generic);
        readings.append({slot, match.captured().toDouble(), !match.captured().contains(u'.')});
    }
    return readings;
}

QList<Slot> strategySlots(TradingIdea::Strategy strategy)
{
    switch (strategy) {
    case TradingIdea::Strategy::MovingAverage:
        return {Slot::MaPeriod};
    case TradingIdea::Strategy::Crossover:
        return {Slot::FastPeriod, Slot::SlowPeriod};
    case TradingIdea::Strategy::Rsi:
        return {Slot::RsiPeriod, Slot::Overbought, Slot::Oversold};
    }
    return {};
}

// Values out of range leave the idea as it was.
void assign(TradingIdea &idea, Slot slot, const Reading &reading)
{
    const bool period = reading.whole && reading.value >= 1 && reading.value <= maxPeriod;
    const bool level = reading.value > 0 && reading.value < 100;
    const bool points = reading.whole && reading.value <= maxPoints;
    const int whole = static_cast<int>(reading.value);
    switch (slot) {
    case Slot::Generic:
        break;
    case Slot::MaPeriod:
        idea.maPeriod = period ? whole : idea.maPeriod;
        break;
    case Slot::FastPeriod:
        idea.fastPeriod = period ? whole : idea.fastPeriod;
        break;
    case Slot::SlowPeriod:
        idea.slowPeriod = period ? whole : idea.slowPeriod;
        break;
    case Slot::RsiPeriod:
        idea.rsiPeriod = period ? whole : idea.rsiPeriod;
        break;
    case Slot::Overbought:
        idea.overbought = level ? reading.value : idea.overbought;
        break;
    case Slot::Oversold:
        idea.oversold = level ? reading.value : idea.oversold;
        break;
    case Slot::Lots:
        idea.lots =
            reading.value >= minLots && reading.value <= maxLots ? reading.value : idea.lots;
        break;
    case Slot::StopLoss:
        idea.stopLossPoints = points ? whole : idea.stopLossPoints;
        break;
    case Slot::TakeProfit:
        idea.takeProfitPoints = points ? whole : idea.takeProfitPoints;
        break;
    }
}

// A pair given the wrong way round ("slow 10 fast 50", "levels 30/70") is meant the right
// way round; a pair of equal values keeps the one before.
template<typename T>
void orderPair(T &low, T &high, T previousLow, T previousHigh)
{
    if (low > high)
        std::swap(low, high);
    if (low == high) {
        low = previousLow;
        high = previousHigh;
    }
}

// The strategy a request asks to switch to, as in "switch to RSI", "use a crossover instead",
// "replace it with an EMA" or "改成相对强弱".
std::optional<TradingIdea::Strategy> strategyAskedFor(const QString &request)
{
    static const QRegularExpression switchTo(
        QStringLiteral(
            "(?:switch|change|convert|turn)\\w*\\b[^.;,]{0,30}?\\b(?:to|into)\\b([^.;,]{0,40})|"
            "replace\\w*\\b[^.;,]{0,40}?\\bwith\\b([^.;,]{0,40})|"
            "([^.;,]{0,40})\\binstead\\b|"
            "(?:改成|改为|改為|换成|換成|改用|切换到|切換到|切换成|切換成)"
            "([^。；，,]{0,20})"),
        QRegularExpression::CaseInsensitiveOption);
    for (QRegularExpressionMatchIterator it = switchTo.globalMatch(request); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= switchTo.captureCount(); ++group) {
            if (const auto strategy = TradingIdea::strategyNamedIn(match.captured(group)))
                return strategy;
        }
    }
    return std::nullopt;
}

std::optional<TradingIdea::MaMethod> maMethodNamedIn(const QString &request)
{
    static const QRegularExpression exponential =
        wordPattern(QStringLiteral("ema|exponential"), QStringLiteral("指数|指數"));
    static const QRegularExpression smoothed =
        wordPattern(QStringLiteral("smma|smoothed"), QStringLiteral("平滑"));
    static const QRegularExpression weighted =
        wordPattern(QStringLiteral("l?wma|(?:linear )?weighted"), QStringLiteral("加权|加權"));
    static const QRegularExpression simple =
        wordPattern(QStringLiteral("sma|simple"), QStringLiteral("简单|簡單"));
    if (request.contains(exponential))
        return TradingIdea::MaMethod::Exponential;
    if (request.contains(smoothed))
        return TradingIdea::MaMethod::Smoothed;
    if (request.contains(weighted))
        return TradingIdea::MaMethod::LinearWeighted;
    if (request.contains(simple))
        return TradingIdea::MaMethod::Simple;
    return std::nullopt;
}

} // namespace

std::optional<TradingIdea::Strategy> TradingIdea::strategyNamedIn(const QString &request)
{
    static const QRegularExpression rsi =
        wordPattern(QStringLiteral("rsi|relative strength"), QStringLiteral("相对强弱|相對強弱"));
    static const QRegularExpression crossover =
        wordPattern(QStringLiteral("cross\\w*|fast(?:er)?|slow(?:er)?"),
                    QStringLiteral("交叉|金叉|死叉|快线|快線|慢线|慢線"));
    static const QRegularExpression movingAverage = wordPattern(
        QStringLiteral("s?ma|ema|smma|l?wma|moving averages?"), QStringLiteral("均线|均線"));
    if (request.contains(rsi))
        return TradingIdea::Strategy::Rsi;
    if (request.contains(crossover))
        return TradingIdea::Strategy::Crossover;
    if (request.contains(movingAverage))
        return TradingIdea::Strategy::MovingAverage;
    return std::nullopt;
}

TradingIdea TradingIdea::refinedBy(const QString &request) const
{
    return withValuesOf(request, strategyNamedIn(request).value_or(strategy));
}

TradingIdea TradingIdea::changedBy(const QString &request) const
{
    return withValuesOf(request, strategyAskedFor(request).value_or(strategy));
}

QList<TradingIdea::Change> TradingIdea::changesFrom(const TradingIdea &before) const
{
    QList<Change> changes;
    const auto compare = [&changes](Change::What what, const QString &old, const QString &now) {
        if (old != now)
            changes.append({what, old, now});
    };
    compare(Change::What::Strategy, before.summary(), summary());
    compare(Change::What::Lots, QString::number(before.lots), QString::number(lots));
    compare(Change::What::StopLoss, QString::number(before.stopLossPoints),
            QString::number(stopLossPoints));
    compare(Change::What::TakeProfit, QString::number(before.takeProfitPoints),
            QString::number(takeProfitPoints));
    return changes;
}

TradingIdea TradingIdea::withValuesOf(const QString &request, Strategy chosen) const
{
    TradingIdea idea = *this;
    idea.strategy = chosen;
    idea.maMethod = maMethodNamedIn(request).value_or(maMethod);

    const QList<Reading> readings = readNumbers(request);
    QList<Slot> unnamed = strategySlots(idea.strategy);
    for (const Reading &reading : readings) {
        if (reading.slot != Slot::Generic) {
            assign(idea, reading.slot, reading);
            unnamed.removeOne(reading.slot);
        }
    }
    for (const Reading &reading : readings) {
        if (reading.slot == Slot::Generic && !unnamed.isEmpty())
            assign(idea, unnamed.takeFirst(), reading);
    }

    orderPair(idea.fastPeriod, idea.slowPeriod, fastPeriod, slowPeriod);
    orderPair(idea.oversold, idea.overbought, oversold, overbought);
    return idea;
}

QString TradingIdea::maMethodName() const
{
    switch (maMethod) {
    case MaMethod::Simple:
        return QStringLiteral("SMA");
    case MaMethod::Exponential:
        return QStringLiteral("EMA");
    case MaMethod::Smoothed:
        return QStringLiteral("SMMA");
    case MaMethod::LinearWeighted:
        return QStringLiteral("LWMA");
    }
    return {};
}

QString TradingIdea::summary() const
{
    switch (strategy) {
    case Strategy::MovingAverage:
        return QStringLiteral("%1(%2)").arg(maMethodName()).arg(maPeriod);
    case Strategy::Crossover:
        return QStringLiteral("%1(%2)/%1(%3) cross")
            .arg(maMethodName())
            .arg(fastPeriod)
            .arg(slowPeriod);
    case Strategy::Rsi:
        return QStringLiteral("RSI(%1) %2/%3").arg(rsiPeriod).arg(overbought).arg(oversold);
    }
    return {};
}
