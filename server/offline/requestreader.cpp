#include "requestreader.h"

#include "indicators.h"
#include "lexicon.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace offline {

namespace {

using Match = QRegularExpressionMatch;

// The request as the reader reads it (lower case, number words as digits, single blanks),
// with, for each of its characters, where it came from in the request: what is named back to
// the trader is quoted in the trader's own words.
struct Mapped
{
    QString text;
    QList<qsizetype> from; // one more than text: the end of the request

    // The request's words that became text[start, end).
    QString quote(const QString &request, qsizetype start, qsizetype end) const
    {
        if (start >= end)
            return {};
        qsizetype last = end;
        while (last < text.size() && from[last] == from[end - 1])
            ++last;
        return request.mid(from[start], from[last] - from[start]).trimmed();
    }
};

// Each match replaced by what with() makes of it; a replaced piece comes from where its match
// started.
void replaceAll(Mapped &mapped, const QRegularExpression &re, const std::function<QString(const Match &)> &with)
{
    Mapped out;
    qsizetype copied = 0;
    for (auto it = re.globalMatch(mapped.text); it.hasNext();) {
        const Match m = it.next();
        const QString replacement = with(m);
        out.text += QStringView(mapped.text).mid(copied, m.capturedStart() - copied);
        out.from += mapped.from.mid(copied, m.capturedStart() - copied);
        out.text += replacement;
        if (replacement == m.captured())
            out.from += mapped.from.mid(m.capturedStart(), m.capturedLength());
        else
            out.from += QList<qsizetype>(replacement.size(), mapped.from[m.capturedStart()]);
        copied = m.capturedEnd();
    }
    out.text += QStringView(mapped.text).mid(copied);
    out.from += mapped.from.mid(copied);
    mapped = std::move(out);
}

// Number words become digits, so that "fourteen" and "十四" read as 14.
void englishNumbersAsDigits(Mapped &text)
{
    const Lexicon &words = lexicon(Language::English);
    static const QStringList &ones = words.numbers;
    static const QStringList &tens = words.tens;
    static const QString hundred = words.multipliers.first();
    static const QRegularExpression said(
        "\\b(?:(" + ones.mid(1).join('|') + ")|(" + tens.join('|') + ")(?:[- ](" + ones.mid(1, 9).join('|')
        + "))?)(?: " + hundred + ")?\\b");
    // The zero stays a word: "zero line".
    replaceAll(text, said, [](const Match &m) {
        int value = m.capturedLength(1) ? int(ones.indexOf(m.captured(1)))
                                        : 20 + 10 * int(tens.indexOf(m.captured(2)))
                                              + std::max<int>(0, int(ones.indexOf(m.captured(3))));
        if (m.captured().endsWith(hundred))
            value *= 100;
        return QString::number(value);
    });
    // "zero point five", "1 point 5": a decimal said in words.
    static const QRegularExpression point("\\b(" + ones.first() + "|\\d+) " + words.point + " (\\d+)\\b");
    replaceAll(text, point, [](const Match &m) {
        return (m.captured(1) == ones.first() ? QStringLiteral("0") : m.captured(1)) + u'.' + m.captured(2);
    });
}

// The Chinese number words of both scripts, as the characters of each kind.
struct ChineseNumbers
{
    QString digits;  // by value
    QString twos;    // another 2 of each script: "两"
    QString units;   // 10, 100, 1000
    QString points;
    QString measures;
    QString numberedAfter;
    QString lineCounters;
};

const ChineseNumbers &chineseNumbers()
{
    static const ChineseNumbers numbers = [] {
        ChineseNumbers n;
        const Lexicon &simplified = lexicon(Language::SimplifiedChinese);
        n.digits = simplified.numbers.join(QString());
        n.units = simplified.multipliers.join(QString());
        for (const Language language : {Language::SimplifiedChinese, Language::TraditionalChinese}) {
            const Lexicon &words = lexicon(language);
            n.twos += words.two;
            n.points += words.point;
            n.measures += words.measures;
            n.numberedAfter += words.numberedAfter;
            n.lineCounters += words.lineCounter;
        }
        return n;
    }();
    return numbers;
}

void chineseNumbersAsDigits(Mapped &text)
{
    const ChineseNumbers &n = chineseNumbers();
    // "零点五": a decimal, its fraction digit by digit.
    static const QRegularExpression run("([" + n.digits + n.twos + n.units + "]+)(?:[" + n.points + "]([" + n.digits
                                        + "]+)(?![" + n.points + "\\d]))?");
    const QString source = text.text;
    replaceAll(text, run, [&source, &n](const Match &m) {
        const QChar next = m.capturedEnd() < source.size() ? source.at(m.capturedEnd()) : QChar();
        const QChar previous = m.capturedStart() > 0 ? source.at(m.capturedStart() - 1) : QChar();
        const QString zero = n.digits.left(1);
        const QString one = n.digits.mid(1, 1);
        if (m.captured() == zero || n.lineCounters.contains(next)
            || (m.captured() == one && next.script() == QChar::Script_Han && !n.measures.contains(next)
                && !n.numberedAfter.contains(previous)))
            return m.captured(); // "零轴": the zero line; "两条线": lines, not a value; "一个": "a"; "一目均衡表": a name
        int total = 0;
        int digit = -1;
        for (QChar c : m.captured(1)) {
            static constexpr int scales[] = {0, 10, 100, 1000};
            const int unit = scales[n.units.indexOf(c) + 1];
            if (unit) {
                total += (digit < 0 ? 1 : digit) * unit;
                digit = -1;
            } else {
                digit = n.twos.contains(c) ? 2 : int(n.digits.indexOf(c));
            }
        }
        total += std::max(digit, 0);
        QString fraction;
        for (QChar c : m.captured(2))
            fraction += QString::number(n.digits.indexOf(c));
        return QString::number(total) + (fraction.isEmpty() ? QString() : u'.' + fraction);
    });
}

Mapped normalized(const QString &request)
{
    Mapped text;
    text.text.reserve(request.size());
    text.from.reserve(request.size() + 1);
    for (qsizetype i = 0; i < request.size();) {
        const QChar c = request.at(i);
        if (c.unicode() < 0x80) { // most of a request, and nothing to normalise
            text.text += c.toLower();
            text.from.append(i++);
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < request.size() ? 2 : 1;
        QString piece = request.mid(i, length).normalized(QString::NormalizationForm_KC).toLower();
        for (auto [from, to] : {std::pair{u'。', u'.'}, {u'、', u','}, {u'，', u','}, {u'；', u';'},
                                {u'－', u'-'}, {u'−', u'-'}, {u'“', u'"'}, {u'”', u'"'}})
            piece.replace(from, to);
        text.text += piece;
        text.from += QList<qsizetype>(piece.size(), i);
        i += length;
    }
    text.from.append(request.size());
    // A number glued to an indicator's name is its period: "rsi14", "ema200"; "rsi(14)": the
    // period in brackets.
    static const QString names = [] {
        QStringList glued;
        for (const IndicatorDescription &description : indicatorDescriptions())
            glued += description.glued;
        return u'(' + glued.join(u'|') + u')';
    }();
    static const QRegularExpression glued(QStringLiteral("\\b") + names + QStringLiteral("(\\d)"));
    replaceAll(text, glued, [](const Match &m) { return m.captured(1) + u' ' + m.captured(2); });
    static const QRegularExpression bracketed(QStringLiteral("\\b") + names + QStringLiteral("\\s*\\(\\s*(\\d+)\\s*\\)"));
    replaceAll(text, bracketed, [](const Match &m) { return m.captured(1) + u' ' + m.captured(2); });
    englishNumbersAsDigits(text);
    chineseNumbersAsDigits(text);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    replaceAll(text, blanks, [](const Match &) { return QStringLiteral(" "); });
    while (text.text.startsWith(u' ')) {
        text.text.remove(0, 1);
        text.from.removeFirst();
    }
    while (text.text.endsWith(u' ')) {
        text.text.chop(1);
        text.from.remove(text.from.size() - 2);
    }
    return text;
}

// An indicator with its forms: the average with the crossover of two.
Indicator family(Indicator indicator)
{
    return describedIndicator(indicator).reading.formOf.value_or(indicator);
}

// The form the indicator has, if any: the crossover of two averages.
std::optional<Indicator> formOf(Indicator indicator)
{
    for (const IndicatorDescription &description : indicatorDescriptions()) {
        if (description.reading.formOf == indicator)
            return description.indicator;
    }
    return std::nullopt;
}

int levelSlot(const QStringList &names)
{
    const int level = int(names.indexOf("Level"));
    return level >= 0 ? level : int(names.indexOf("Threshold"));
}

bool hasLevels(const Rule &rule)
{
    const QStringList names = rule.valueNames();
    return names.contains("Upper") || levelSlot(names) >= 0;
}

const QString number = QStringLiteral("(\\d+(?:\\.\\d+)?)");

QStringList unitsOf(Language language)
{
    const Lexicon &words = lexicon(language);
    return words.pointUnits + words.pipUnits + words.percent;
}

const QString unitWords = u'(' + longestFirst(unitsOf(Language::English) + unitsOf(Language::SimplifiedChinese)
                                               + unitsOf(Language::TraditionalChinese)) + u')';

// The unit a word of unitWords names.
std::optional<Unit> unitNamed(const QString &word)
{
    static const QRegularExpression pips = readerPattern("^(?:" + anyLanguage(&Lexicon::pipUnits) + ")$");
    static const QRegularExpression percent = readerPattern("^(?:" + anyLanguage(&Lexicon::percent) + ")$");
    if (word.isEmpty())
        return std::nullopt;
    if (word.contains(pips))
        return Unit::Pips;
    if (word.contains(percent))
        return Unit::Percent;
    return Unit::Points;
}

enum class Kind {
    Indicator,
    ValueName, // a value of a form named on its own: "fast", "慢线"
    FormName,  // a form named: "crossover"
    Period,
    Level,
    StopLoss,
    TakeProfit,
    Trailing,
    BreakEven,
    AtrMultiple,
    Lots,
    MaxLots,
    Risk,
    Martingale,
    Grid,
    Spread,
    Positions,
    Magic,
    Hours,
    TimeFilter,
    Weekdays,
    DayFilter,
    Timeframe,
    CurrentBar,
    ClosedBar,
    Direction,
    Opposite,
    CloseAfter,
    CloseAt,
    Arrows,
    Alert,
    Colour,
    Unsupported
};

struct Subject
{
    Kind kind;
    QRegularExpression pattern;
    Indicator indicator = Indicator::MovingAverage;
    Unbuilt::Reason reason = Unbuilt::Reason::NotUnderstood;
};

// A subject's words as each language says them; each language's words make a pattern of their own.
struct SubjectWords
{
    Kind kind;
    std::function<QStringList(Language)> said;
    Unbuilt::Reason reason = Unbuilt::Reason::NotUnderstood;
};

// The subject's words the lexicon holds.
std::function<QStringList(Language)> named(QStringList SubjectNames::*words)
{
    return [words](Language language) { return lexicon(language).subjects.*words; };
}

// Words of one kind as a language says them: its form, with "%1" any of the words.
QString saidAs(const QString &form, const QStringList &words)
{
    return QString(form).replace(QLatin1String("%1"), "(?:" + words.join(u'|') + u')');
}

QStringList joined(const QList<QStringList> &lists)
{
    QStringList all;
    for (const QStringList &list : lists)
        all += list;
    return all;
}

// Any day of the week, as the language says it.
QString dayIn(Language language)
{
    const Lexicon &words = lexicon(language);
    return saidAs(words.daySaid, joined(words.days));
}

// Several days: "mon to fri", "周一到周五", "not on fridays".
QString days(Language language)
{
    const Lexicon &words = lexicon(language);
    const QString day = dayIn(language);
    const QString on = words.onDays.isEmpty() ? QString() : "(?:(?:" + words.onDays.join(u'|') + ")\\s+)?";
    const QString end = words.afterDays.isEmpty() ? QString() : "(?:\\s*(?:" + words.afterDays.join(u'|') + "))?";
    return "(?:(?:" + words.notOnDays.join(u'|') + ")\\s+" + on + ")?" + day + "(?:\\s*(?:" + words.dayJoiners.join(u'|') + ")\\s*"
           + day + ")*" + end;
}

// By the place of each in the lexicon's lists, what names it in any language: a day, a colour.
QList<QRegularExpression> namesByPlace(QString Lexicon::*form, QList<QStringList> Lexicon::*lists, qsizetype count)
{
    QList<QRegularExpression> names;
    for (qsizetype i = 0; i < count; ++i) {
        QStringList said;
        for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese}) {
            const Lexicon &words = lexicon(language);
            if (!(words.*lists).at(i).isEmpty())
                said.append(saidAs(words.*form, (words.*lists).at(i)));
        }
        names.append(readerPattern("^(?:" + said.join(u'|') + ")$"));
    }
    return names;
}

// A colour in any of its names, as the language says it.
QString colourIn(Language language)
{
    const Lexicon &words = lexicon(language);
    return saidAs(words.colourSaid, joined(words.colours));
}

const QList<SubjectWords> &subjectWords()
{
    using R = Unbuilt::Reason;
    using S = SubjectNames;
    static const QList<SubjectWords> list = {
        {Kind::Period, named(&S::period)},
        {Kind::Level, named(&S::level)},
        {Kind::Trailing, named(&S::trailing)},
        {Kind::StopLoss, named(&S::stopLoss)},
        {Kind::TakeProfit, named(&S::takeProfit)},
        {Kind::BreakEven, named(&S::breakEven)},
        {Kind::AtrMultiple, named(&S::atrMultiple)},
        {Kind::MaxLots, named(&S::maxLots)},
        {Kind::Lots, named(&S::lots)},
        {Kind::Risk, named(&S::risk)},
        {Kind::Martingale, named(&S::martingale)},
        {Kind::Grid, named(&S::grid)},
        {Kind::Spread, named(&S::spread)},
        {Kind::Positions, named(&S::positions)},
        {Kind::Magic, named(&S::magic)},
        {Kind::Hours, named(&S::hours)},
        {Kind::TimeFilter, named(&S::timeFilter)},
        {Kind::Weekdays, [](Language language) { return QStringList{days(language)} + lexicon(language).workdays; }},
        {Kind::DayFilter, named(&S::dayFilter)},
        {Kind::Timeframe, named(&S::timeframe)},
        {Kind::CurrentBar, named(&S::currentBar)},
        {Kind::ClosedBar, named(&S::closedBar)},
        {Kind::Direction, named(&S::direction)},
        {Kind::Opposite, named(&S::opposite)},
        {Kind::CloseAfter, named(&S::closeAfter)},
        {Kind::CloseAt, named(&S::closeAt)},
        {Kind::Arrows, named(&S::arrows)},
        {Kind::Alert, named(&S::alert)},
        {Kind::Colour, [](Language language) { return QStringList{colourIn(language)}; }},
        {Kind::Unsupported, named(&S::news), R::NewsData},
        {Kind::Unsupported, named(&S::machineLearning), R::MachineLearning},
        {Kind::Unsupported, named(&S::otherSymbols), R::OtherSymbols},
        {Kind::Unsupported, named(&S::otherAccount), R::OtherAccount},
        {Kind::Unsupported, named(&S::orderBook), R::OrderBook},
        {Kind::Unsupported, named(&S::outsideData), R::OutsideData},
        {Kind::Unsupported, named(&S::pattern), R::Pattern},
        {Kind::Unsupported, named(&S::otherIndicator), R::OtherIndicator},
    };
    return list;
}

const QList<Subject> &subjects()
{
    static const QList<Subject> list = [] {
        QList<Subject> subjects;
        // One subject a language, so that the longest words are read whatever their script.
        for (const IndicatorDescription &description : indicatorDescriptions()) {
            for (const QStringList *names : {&description.en, &description.cn, &description.tw}) {
                if (!names->isEmpty())
                    subjects.append(Subject{Kind::Indicator, readerPattern(names->join(u'|')), description.indicator});
            }
        }
        // A form's words: its names, then its values' names, each language a subject.
        for (const IndicatorDescription &description : indicatorDescriptions()) {
            const ReadingDetails &reading = description.reading;
            for (const QStringList *names : {&reading.formNames.en, &reading.formNames.cn, &reading.formNames.tw}) {
                if (!names->isEmpty())
                    subjects.append(Subject{Kind::FormName, readerPattern(names->join(u'|')), description.indicator});
            }
            for (QStringList PatternWords::*language : {&PatternWords::en, &PatternWords::cn, &PatternWords::tw}) {
                QStringList names;
                for (const PatternWords &value : reading.valueNames)
                    names += value.*language;
                if (!names.isEmpty())
                    subjects.append(Subject{Kind::ValueName, readerPattern(names.join(u'|')), description.indicator});
            }
        }
        for (const SubjectWords &words : subjectWords()) {
            for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese}) {
                const QStringList said = words.said(language);
                if (!said.isEmpty())
                    subjects.append(Subject{words.kind, readerPattern(said.join(u'|')), Indicator::MovingAverage, words.reason});
            }
        }
        return subjects;
    }();
    return list;
}

// An indicator's own words (ReadingDetails), as the reader matches them.
struct DetailMatchers
{
    // The words that choose its condition: after its name, in it, before it, anywhere.
    QList<std::pair<Condition, QRegularExpression>> after;
    QList<std::pair<Condition, QRegularExpression>> inName;
    QList<std::pair<Condition, QRegularExpression>> before;
    QList<std::pair<Condition, QRegularExpression>> anywhere;
    std::optional<QRegularExpression> valueWords;
    std::optional<QRegularExpression> valuesInName;
    // An average's method in its name or the lexicon's words, in the order they are tried.
    QList<std::pair<MaMethod, QRegularExpression>> methods;
    // Of an indicator with a form: its values after its name, one or the form's two.
    std::optional<QRegularExpression> formValues;
    // Of a form: each of its values' names, and the value after one.
    QList<QRegularExpression> valueNames;
    std::optional<QRegularExpression> namedValue;
};

const DetailMatchers &detailMatchers(Indicator indicator)
{
    static const QList<DetailMatchers> all = [] {
        const auto conditions = [](const QList<ConditionWords> &list) {
            QList<std::pair<Condition, QRegularExpression>> matchers;
            for (const ConditionWords &words : list)
                matchers.append({words.condition, anyOf(words.en + words.cn + words.tw)});
            return matchers;
        };
        const auto pattern = [](const PatternWords &words) {
            const QStringList all = words.en + words.cn + words.tw;
            return all.isEmpty() ? std::nullopt : std::optional(anyOf(all));
        };
        QList<DetailMatchers> list;
        for (const IndicatorDescription &description : indicatorDescriptions()) {
            const ReadingDetails &reading = description.reading;
            DetailMatchers &matchers = list.emplace_back();
            matchers.after = conditions(description.conditionWords);
            matchers.inName = conditions(reading.inName);
            matchers.before = conditions(reading.before);
            matchers.anywhere = conditions(reading.anywhere);
            matchers.valueWords = pattern(reading.valueWords);
            matchers.valuesInName = pattern(reading.valuesInName);
            for (const auto &[method, inName] : reading.methodNames) {
                QStringList all = inName;
                for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese})
                    all += lexicon(language).methods.at(int(method));
                matchers.methods.append({method, anyOf(all)});
            }
            if (formOf(description.indicator)) {
                matchers.formValues = QRegularExpression(
                    "^[\\s(]*(?:" + anyLanguage(&Lexicon::crossover) + ")?\\s*(?:" + anyLanguage(&Lexicon::valueLeads) + "|:)?\\s*(\\d+)(?:(?:\\s*(?:"
                    + anyLanguage(&Lexicon::joiners) + "|,|/|&|-)\\s*|\\s+)(?:(?:" + reading.shortNames.join(u'|')
                    + ")\\s*)?(\\d+))?\\s*\\)?(?!\\s*(?:" + anyLanguage(&Lexicon::afterValue) + "|\\.\\d))");
            }
            for (const PatternWords &words : reading.valueNames)
                matchers.valueNames.append(anyOf(words.en + words.cn + words.tw));
            if (!reading.valueNames.isEmpty()) {
                const QStringList shortNames = describedIndicator(family(description.indicator)).reading.shortNames;
                matchers.namedValue = QRegularExpression("^\\s*(?:" + shortNames.join(u'|') + u'|' + anyLanguage(&Lexicon::line)
                                                         + ")?\\s*(?:" + anyLanguage(&Lexicon::periodWord) + ")?\\s*(?:"
                                                         + anyLanguage(&Lexicon::valueIs) + ")?\\s*" + number);
            }
        }
        return list;
    }();
    return all.at(int(indicator));
}

// The averaging method words name, as "ema", "exponential" or "指数".
std::optional<MaMethod> methodNamed(Indicator indicator, const QString &words)
{
    for (const auto &[method, name] : detailMatchers(indicator).methods) {
        if (words.contains(name))
            return method;
    }
    return std::nullopt;
}

// The condition an indicator's name chooses for the other's rule when it stands right beside it.
std::optional<Condition> besideCondition(Indicator rule, Indicator name)
{
    for (const auto &[indicator, condition] : describedIndicator(rule).reading.beside) {
        if (indicator == name)
            return condition;
    }
    return std::nullopt;
}

// Every capture of the match, in order, as numbers.
QList<double> capturedNumbers(const Match &m)
{
    QList<double> numbers;
    for (int group = 1; group <= m.lastCapturedIndex(); ++group) {
        if (m.capturedLength(group))
            numbers.append(m.captured(group).toDouble());
    }
    return numbers;
}

// Words every request has, which mean nothing to build on their own.
bool isFillerWord(const QString &word)
{
    static const QSet<QString> words(lexicon(Language::English).fillers.begin(), lexicon(Language::English).fillers.end());
    return words.contains(word);
}

// Chinese words of that kind; what is left of a run of characters once they are gone is named.
const QRegularExpression &chineseFillers()
{
    static const QRegularExpression fillers(
        longestFirst(lexicon(Language::SimplifiedChinese).fillers + lexicon(Language::TraditionalChinese).fillers));
    return fillers;
}

// An oscillator's lower level is its buy level, whatever order the trader wrote them in.
void orderLevels(Rule &rule)
{
    const int upper = int(rule.valueNames().indexOf("Upper"));
    if (upper < 0 || rule.values[upper] >= rule.values[upper + 1])
        return;
    std::swap(rule.values[upper], rule.values[upper + 1]);
    const int bits = (rule.given >> upper) & 3;
    rule.given = (rule.given & ~(3 << upper)) | (((bits & 1) << 1 | bits >> 1) << upper);
}

struct Place
{
    const Subject *subject;
    qsizetype start;
    qsizetype end;
};

class Reader final
{
public:
    Reader(const Strategy &before, const QString &request)
        : m_request(request)
        , m_mapped(normalized(request))
        , m_text(m_mapped.text)
        , m_free(m_text)
        , m_strategy(before)
        , m_refining(!before.isEmpty())
    {
    }

    Reading read();

private:
    QList<Place> places() const;
    void handle(const Place &place, qsizetype segmentEnd, qsizetype ruleEnd);
    void consume(qsizetype start, qsizetype end)
    {
        for (qsizetype i = start; i < end; ++i)
            m_free[i] = u' ';
    }
    // The first match of a pattern in the unread part of [start, end), read; "^" is start.
    std::optional<Match> take(const QRegularExpression &re, qsizetype start, qsizetype end)
    {
        // A little of what follows the end stays in sight for the patterns that look ahead
        // ("0.5 lots" is no period); a match reaching past the end is read again within it:
        // "ema 20 and ema 50".
        constexpr qsizetype lookAhead = 40;
        Match m = re.match(m_free.mid(start, std::max<qsizetype>(0, end - start) + lookAhead));
        if (m.hasMatch() && m.capturedEnd() > end - start)
            m = re.match(m_free.mid(start, std::max<qsizetype>(0, end - start)));
        if (!m.hasMatch())
            return std::nullopt;
        consume(start + m.capturedStart(), start + m.capturedEnd());
        return m;
    }
    // before: a pattern ending at "$", read in the lookBack characters before start; else after,
    // read from end on; either is read.
    std::optional<Match> besideSubject(const QRegularExpression &before, const QRegularExpression &after,
                                       const Place &place, qsizetype lookBack, qsizetype end)
    {
        const qsizetype from = std::max<qsizetype>(0, place.start - lookBack);
        const Match prior = before.match(m_free.mid(from, place.start - from));
        if (!prior.hasMatch())
            return take(after, place.end, std::min(end, m_text.size()));
        consume(from + prior.capturedStart(), place.start);
        return prior;
    }
    // An indicator's name starts at the position.
    bool startsAt(Indicator indicator, qsizetype position) const
    {
        return std::any_of(subjects().begin(), subjects().end(), [&](const Subject &s) {
            return s.kind == Kind::Indicator && s.indicator == indicator
                   && s.pattern.match(m_text, position, QRegularExpression::NormalMatch,
                                      QRegularExpression::AnchorAtOffsetMatchOption).hasMatch();
        });
    }
    bool negated(qsizetype start);
    bool removedIfNegated(const Place &place);
    bool switching(qsizetype start) const;
    std::optional<double> numberBefore(qsizetype start);
    Rule *ruleFor(Indicator indicator, qsizetype start);
    bool chosenBeside(const Place &place, qsizetype end);
    void readCondition(Rule &rule, const Place &place, qsizetype ruleEnd);
    void readIndicator(const Place &place, qsizetype end, qsizetype ruleEnd);
    void readWithForm(const Place &place, qsizetype end);
    void readDistance(Distance &distance, const Place &place, qsizetype end);
    void readRuleValues(Rule &rule, QList<double> numbers, int firstSlot);
    void setFormValue(Indicator form, int slot, std::optional<double> period, qsizetype start);
    void readLevels(Rule &rule, qsizetype start, qsizetype end);
    void setLevel(Rule &rule, double value, std::optional<bool> crossed, std::optional<bool> upperNamed);
    void readFixed(const Place &place, const Match &match);
    void readWeekdays(const QString &text);
    void noteGiven(const QString &key, const Place &place, const QString &valueText, const QString &value);
    bool joins(qsizetype end, qsizetype start) const;
    void readUnsupported(const Place &place);
    void addUnbuilt(const QString &what, Unbuilt::Reason reason)
    {
        m_unbuilt.append({quoted(what.trimmed()), reason});
    }
    // The trader's own words for what the reader found in its text, as the trader wrote them.
    QString quoted(const QString &what) const
    {
        const auto digitAt = [this](qsizetype i) { return i >= 0 && i < m_text.size() && m_text.at(i).isDigit(); };
        for (qsizetype at = m_text.indexOf(what); at >= 0 && !what.isEmpty(); at = m_text.indexOf(what, at + 1)) {
            if (!(what.front().isDigit() && digitAt(at - 1)) && !(what.back().isDigit() && digitAt(at + what.size())))
                return m_mapped.quote(m_request, at, at + what.size());
        }
        return what;
    }
    void leftovers();

    QString m_request;
    Mapped m_mapped;
    QString m_text;
    QString m_free;
    Strategy m_strategy;
    bool m_refining;
    QList<Unbuilt> m_unbuilt;
    bool m_replaced = false;
    bool m_directionGiven = false;
    bool m_singleNamed = false; // an indicator with a form was named in this message: an average
    qsizetype m_gridEnd = -1;
    struct PendingAtr
    {
        QString said;
        double value;
        qsizetype end;
    };
    std::optional<PendingAtr> m_pendingAtr; // a multiple of ATR waiting for its distance
    std::optional<int> m_pendingSlot;       // a form's value named ("fast"), waiting for its number
    // An indicator's name right before another's that only chooses that one's condition: "突破布林带".
    std::optional<std::pair<Indicator, Condition>> m_pendingCondition;
    QString m_hoursNamed;                   // "trading hours", named as not built without hours
    int m_lastRule = -1;
    qsizetype m_lastIndicatorEnd = 0;
    // The last indicator read and whether this message added its rule, and the last part that
    // cannot be built: words between them may tie them together.
    struct LastIndicator
    {
        qsizetype start;
        qsizetype end;
        int rule;
        bool created;
    };
    std::optional<LastIndicator> m_lastIndicator;
    struct LastUnsupported
    {
        qsizetype start;
        qsizetype end;
        qsizetype index;
        Unbuilt::Reason reason;
    };
    std::optional<LastUnsupported> m_lastUnsupported;
    // What this message gave, by what it sets: the words and the value.
    QHash<QString, std::pair<QString, QString>> m_given;
    QList<std::pair<QString, QString>> m_contradictions;
    Distance *m_lastDistance = nullptr;
};

QList<Place> Reader::places() const
{
    QList<Place> found;
    for (const Subject &subject : subjects()) {
        for (auto it = subject.pattern.globalMatch(m_text); it.hasNext();) {
            const Match m = it.next();
            if (m.capturedLength() > 0)
                found.append({&subject, m.capturedStart(), m.capturedEnd()});
        }
    }
    std::sort(found.begin(), found.end(), [](const Place &a, const Place &b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    QList<Place> kept;
    for (const Place &place : found) {
        if (kept.isEmpty() || place.start >= kept.last().end)
            kept.append(place);
    }
    return kept;
}

Reading Reader::read()
{
    const QList<Place> all = places();
    for (qsizetype i = 0; i < all.size(); ++i) {
        // A rule's condition words reach to the next indicator: "布林带 20 周期，触及下轨".
        qsizetype ruleEnd = m_text.size();
        for (qsizetype j = i + 1; j < all.size() && ruleEnd == m_text.size(); ++j) {
            if (all.at(j).subject->kind == Kind::Indicator)
                ruleEnd = all.at(j).start;
        }
        handle(all.at(i), i + 1 < all.size() ? all.at(i + 1).start : m_text.size(), ruleEnd);
    }
    // A first request that names only one side of the trade asks for that side only.
    static const QRegularExpression buys = readerPattern(anyLanguage(&Lexicon::buys));
    static const QRegularExpression sells = readerPattern(anyLanguage(&Lexicon::sells));
    if (!m_refining && !m_directionGiven && m_text.contains(buys) != m_text.contains(sells))
        m_strategy.direction = m_text.contains(buys) ? Strategy::Direction::BuyOnly : Strategy::Direction::SellOnly;
    static const QRegularExpression either = readerPattern(anyLanguage(&Lexicon::either));
    if (m_strategy.rules.size() > 1 && m_text.contains(either))
        m_strategy.anyRule = true;
    if (m_pendingAtr)
        addUnbuilt(m_pendingAtr->said, Unbuilt::Reason::NotUnderstood);
    if (!m_hoursNamed.isEmpty() && m_strategy.fromMinute < 0)
        addUnbuilt(m_hoursNamed, Unbuilt::Reason::NotUnderstood);
    for (Rule &rule : m_strategy.rules)
        orderLevels(rule);
    leftovers();
    return {m_strategy, m_unbuilt, m_contradictions};
}

// "no RSI", "remove the moving averages": the indicator's rules go, with its forms'.
bool Reader::removedIfNegated(const Place &place)
{
    if (!negated(place.start))
        return false;
    const Indicator removed = family(place.subject->indicator);
    m_strategy.rules.removeIf([removed](const Rule &rule) { return family(rule.indicator) == removed; });
    m_lastRule = -1;
    return true;
}

// "remove the trailing stop", "no stop loss", "不要止损".
bool Reader::negated(qsizetype start)
{
    static const QRegularExpression negation = readerPattern(
        "(?:" + anyLanguage(&Lexicon::negations) + ")\\s*(?:(?:" + anyLanguage(&Lexicon::articles) + ") )?(?:[a-z]+ )?$");
    const qsizetype from = std::max<qsizetype>(0, start - 24);
    const Match m = negation.match(m_free.mid(from, start - from));
    if (!m.hasMatch())
        return false;
    consume(from + m.capturedStart(), start);
    return true;
}

bool Reader::switching(qsizetype start) const
{
    static const QRegularExpression verbs = readerPattern("(?:" + anyLanguage(&Lexicon::switches) + ")$");
    static const QRegularExpression instead = readerPattern(anyLanguage(&Lexicon::instead));
    const qsizetype from = std::max<qsizetype>(0, start - 40);
    return m_text.mid(from, start - from).contains(verbs) || m_text.contains(instead);
}

// A number right before a subject, as in "20 ema" or "a 40 pip stop loss".
std::optional<double> Reader::numberBefore(qsizetype start)
{
    static const QRegularExpression before(
        number + "\\s*(?:-\\s*)?(?:" + anyLanguage(&Lexicon::bars) + ")?\\s*(?:-\\s*)?$");
    const qsizetype from = std::max<qsizetype>(0, start - 40);
    const Match m = before.match(m_free.mid(from, start - from));
    if (!m.hasMatch())
        return std::nullopt;
    consume(from + m.capturedStart(), start);
    return m.captured(1).toDouble();
}

Rule *Reader::ruleFor(Indicator indicator, qsizetype start)
{
    const auto same = [indicator](const Rule &rule) { return family(rule.indicator) == family(indicator); };
    const auto found = std::find_if(m_strategy.rules.begin(), m_strategy.rules.end(), same);
    if (found != m_strategy.rules.end()) {
        m_lastRule = int(found - m_strategy.rules.begin());
        return &*found;
    }
    if (m_refining && !m_replaced && switching(start)) {
        m_strategy.rules.clear();
        m_replaced = true;
    }
    m_strategy.rules.append(Rule::withDefaults(indicator));
    m_lastRule = int(m_strategy.rules.size() - 1);
    return &m_strategy.rules.last();
}

void Reader::handle(const Place &place, qsizetype segmentEnd, qsizetype ruleEnd)
{
    const Subject &subject = *place.subject;
    if (m_free.mid(place.start, place.end - place.start).trimmed().isEmpty())
        return; // read already, as a part of another subject
    consume(place.start, place.end);
    const Match match = subject.pattern.match(m_text, place.start,
                                              QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption);
    switch (subject.kind) {
    case Kind::Indicator:
        if (formOf(subject.indicator))
            readWithForm(place, segmentEnd);
        else
            readIndicator(place, segmentEnd, ruleEnd);
        m_lastIndicatorEnd = place.end;
        return;
    case Kind::FormName:
        // "crossover 10 50" on its own is the averages'; after another indicator, that one's.
        if (m_lastRule < 0 || family(m_strategy.rules[m_lastRule].indicator) == family(subject.indicator))
            readWithForm(place, segmentEnd);
        return;
    case Kind::ValueName: {
        const DetailMatchers &own = detailMatchers(subject.indicator);
        const QString said = match.captured();
        const int slot = int(std::find_if(own.valueNames.begin(), own.valueNames.end(),
                                          [&said](const QRegularExpression &name) { return said.contains(name); })
                             - own.valueNames.begin());
        std::optional<double> value = numberBefore(place.start);
        if (const auto m = take(*own.namedValue, place.end, segmentEnd))
            value = m->captured(1).toDouble();
        // "the fast EMA(12)": the average that follows has the number.
        if (!value && startsAt(family(subject.indicator), segmentEnd) && m_free.mid(place.end, segmentEnd - place.end).trimmed().isEmpty())
            m_pendingSlot = slot;
        else
            setFormValue(subject.indicator, slot, value, place.start);
        return;
    }
    case Kind::Period: {
        if (m_lastRule < 0 && m_strategy.rules.isEmpty())
            return; // "14週期 RSI": the number is the indicator's, read with it
        static const QRegularExpression value("^\\s*(?:" + anyLanguage(&Lexicon::setTo) + ")?\\s*" + number);
        std::optional<double> period = numberBefore(place.start);
        if (const auto m = take(value, place.end, segmentEnd))
            period = m->captured(1).toDouble();
        if (m_lastRule < 0 && !m_strategy.rules.isEmpty())
            m_lastRule = 0;
        if (period && m_lastRule >= 0)
            readRuleValues(m_strategy.rules[m_lastRule], {*period}, 0);
        // "周期 9，80 和 20": the levels follow the period.
        static const QRegularExpression levelPair("^\\s*,?\\s*(\\d+(?:\\.\\d+)?)\\s*(?:" + anyLanguage(&Lexicon::joiners)
                                                  + "|/)\\s*(\\d+(?:\\.\\d+)?)");
        if (m_lastRule >= 0 && m_strategy.rules[m_lastRule].valueNames().contains("Upper")) {
            if (const auto m = take(levelPair, place.end, segmentEnd)) {
                setLevel(m_strategy.rules[m_lastRule], m->captured(1).toDouble(), std::nullopt, std::nullopt);
                setLevel(m_strategy.rules[m_lastRule], m->captured(2).toDouble(), std::nullopt, std::nullopt);
            }
        }
        if (m_lastRule >= 0)
            readLevels(m_strategy.rules[m_lastRule], place.end, segmentEnd);
        return;
    }
    case Kind::Level: {
        if (m_lastRule < 0 && !m_strategy.rules.isEmpty())
            m_lastRule = int(m_strategy.rules.size() - 1);
        if (m_lastRule < 0)
            return;
        static const QRegularExpression values = readerPattern("^\\s*(?:" + anyLanguage(&Lexicon::levelNouns) + ")?\\s*(?:" + anyLanguage(&Lexicon::levelTo)
                                                         + ")?\\s*(-?\\d+(?:\\.\\d+)?)(?:\\s*(?:" + anyLanguage(&Lexicon::joiners)
                                                         + "|/|,)\\s*(-?\\d+(?:\\.\\d+)?))?");
        const QString said = match.captured();
        static const QRegularExpression upperWords(anyLanguage(&Lexicon::upperLevel));
        static const QRegularExpression lowerWords(anyLanguage(&Lexicon::lowerLevel));
        const std::optional<bool> upper = said.contains(upperWords) ? std::optional(true)
                                          : said.contains(lowerWords) ? std::optional(false)
                                                                      : std::nullopt;
        Rule &rule = m_strategy.rules[m_lastRule];
        // "80/20 levels", "70 and 30 levels": both before the word.
        static const QRegularExpression pair("(-?\\d+(?:\\.\\d+)?)\\s*(?:" + anyLanguage(&Lexicon::joiners)
                                             + "|/|,)\\s*(-?\\d+(?:\\.\\d+)?)\\s*$");
        const qsizetype from = std::max<qsizetype>(0, place.start - 20);
        if (const Match m = pair.match(m_free.mid(from, place.start - from)); m.hasMatch()) {
            consume(from + m.capturedStart(), place.start);
            setLevel(rule, m.captured(1).toDouble(), std::nullopt, upper);
            setLevel(rule, m.captured(2).toDouble(), std::nullopt, upper);
        } else if (const std::optional<double> before = numberBefore(place.start)) {
            setLevel(rule, *before, std::nullopt, upper);
        }
        if (const auto m = take(values, place.end, segmentEnd)) {
            setLevel(rule, m->captured(1).toDouble(), std::nullopt, upper);
            if (m->capturedLength(2))
                setLevel(rule, m->captured(2).toDouble(), std::nullopt, upper);
        }
        readLevels(rule, place.end, segmentEnd);
        return;
    }
    case Kind::StopLoss:
        return readDistance(m_strategy.stopLoss, place, segmentEnd);
    case Kind::TakeProfit:
        return readDistance(m_strategy.takeProfit, place, segmentEnd);
    case Kind::Trailing:
        return readDistance(m_strategy.trailingStop, place, segmentEnd);
    case Kind::BreakEven:
        return readDistance(m_strategy.breakEven, place, segmentEnd);
    case Kind::Grid: {
        if (negated(place.start)) {
            m_strategy.gridOrders = 0;
            return;
        }
        m_strategy.gridOrders = m_strategy.gridOrders ? m_strategy.gridOrders : 5;
        m_gridEnd = place.end;
        if (!m_strategy.gridStep.given)
            m_strategy.gridStep = {200, Unit::Points, false};
        // The grid's numbers reach to the end of its clause: "grid max 4 orders 30 pips apart".
        static const QRegularExpression clauseEnd(QStringLiteral("[,;]|\\.(?!\\d)"));
        const qsizetype stop = m_text.indexOf(clauseEnd, place.end);
        const qsizetype end = stop < 0 ? m_text.size() : stop;
        static const QRegularExpression orders = readerPattern("(?:" + anyLanguage(&Lexicon::gridCount) + u'|' + anyLanguage(&Lexicon::upTo)
                                                         + ")?\\s*(\\d+)\\s*(?:" + anyLanguage(&Lexicon::gridUnits) + u')');
        if (const auto m = take(orders, place.end, end))
            m_strategy.gridOrders = std::clamp(m->captured(1).toInt(), 1, 20);
        static const QRegularExpression step = readerPattern("(?:" + anyLanguage(&Lexicon::gridStep) + ")?\\s*" + number + "\\s*"
                                                       + unitWords + "(?:\\s*(?:" + anyLanguage(&Lexicon::apart) + "))?");
        if (const auto m = take(step, place.end, end)) {
            const double value = m->captured(1).toDouble();
            if (value > 0 && value <= 100000)
                m_strategy.gridStep = {value, unitNamed(m->captured(2)).value_or(Unit::Points), true};
            else
                addUnbuilt(m->captured(), Unbuilt::Reason::NotUnderstood);
        }
        return;
    }
    case Kind::AtrMultiple:
        if (m_lastDistance) {
            *m_lastDistance = {match.captured(1).toDouble(), Unit::Atr, true};
            m_lastDistance = nullptr;
        } else {
            m_pendingAtr = {match.captured(), match.captured(1).toDouble(), place.end};
        }
        return;
    case Kind::Arrows:
    case Kind::Alert:
    case Kind::Colour:
    case Kind::Direction:
    case Kind::Timeframe:
    case Kind::CurrentBar:
    case Kind::ClosedBar:
        readFixed(place, match);
        // "RSI indicator with arrows when it crosses back above 25": the levels go on after it.
        if (m_lastRule >= 0 && hasLevels(m_strategy.rules[m_lastRule]))
            readLevels(m_strategy.rules[m_lastRule], place.end, segmentEnd);
        return;
    default:
        return readFixed(place, match);
    }
}

// A value of the form, which the rule becomes: the fast (slot 0) or slow average of the crossover.
void Reader::setFormValue(Indicator form, int slot, std::optional<double> period, qsizetype start)
{
    Rule *rule = ruleFor(form, start);
    if (rule->indicator != form) {
        const MaMethod method = rule->method;
        *rule = Rule::withDefaults(form);
        rule->method = method;
    }
    if (period && *period >= 1 && *period <= 1000) {
        rule->values[slot] = *period;
        rule->given |= 1 << slot;
    } else if (period) {
        addUnbuilt(QString::number(*period), Unbuilt::Reason::NotUnderstood);
    }
}

// Numbers into the rule's values from slot on: each must suit its value.
void Reader::readRuleValues(Rule &rule, QList<double> numbers, int firstSlot)
{
    const QStringList names = rule.valueNames();
    for (int slot = firstSlot; slot < names.size() && !numbers.isEmpty(); ++slot) {
        const double value = numbers.takeFirst();
        if (rule.fits(slot, value)) {
            rule.values[slot] = value;
            rule.given |= 1 << slot;
        } else {
            addUnbuilt(QString::number(value), Unbuilt::Reason::NotUnderstood);
        }
    }
}

// A level into its slot: the upper or lower one by its size on a 0-100 scale, else the rule's
// only level.
// crossed: the level is crossed ("crosses back above 30"), or only named (nullopt: "levels 70
// and 30"), which leaves the condition as it was.
void Reader::setLevel(Rule &rule, double value, std::optional<bool> crossed, std::optional<bool> upperNamed)
{
    const QStringList names = rule.valueNames();
    // "RSI above 50": the midline, a trend's side rather than a zone; crossing it is a cross.
    const int upper = int(names.indexOf("Upper"));
    if (value == 50 && upper >= 0 && !upperNamed && crossed) {
        rule.values[upper] = rule.values[upper + 1] = 50;
        rule.given |= 3 << upper;
        rule.condition = *crossed ? Condition::Cross : Condition::Above;
        rule.conditionGiven = true;
        return;
    }
    int slot = int(names.indexOf(upperNamed.value_or(value >= 50) ? "Upper" : "Lower"));
    if (slot < 0)
        slot = levelSlot(names);
    if (slot < 0) {
        addUnbuilt(QString::number(value), Unbuilt::Reason::NotUnderstood);
        return;
    }
    const ReadingDetails &reading = describedIndicator(rule.indicator).reading;
    const double level = reading.symmetricLevel ? std::abs(value) : value;
    if (!rule.fits(slot, level)) {
        addUnbuilt(QString::number(value), Unbuilt::Reason::NotUnderstood);
        return;
    }
    rule.values[slot] = level;
    rule.given |= 1 << slot;
    if (!crossed)
        return;
    // "%K crosses %D below 20": the lines' cross, inside the zone the level bounds.
    if (reading.zonedCross && rule.conditionGiven
        && (rule.condition == Condition::Cross || rule.condition == Condition::CrossInZone)) {
        rule.condition = Condition::CrossInZone;
        return;
    }
    // A cross named for one level ("crosses back above 30 ... below 70") is meant for both.
    const bool keepCross = rule.conditionGiven && rule.condition == Condition::CrossBack;
    if ((names.at(slot) == "Upper" || names.at(slot) == "Lower" || reading.symmetricLevel)
        && (*crossed || !keepCross)) {
        rule.condition = *crossed ? Condition::CrossBack : Condition::Zone;
        rule.conditionGiven = true;
    }
}


// "above 70", "below 30", "crosses back above 25": the rule's levels and its condition.
void Reader::readLevels(Rule &rule, qsizetype start, qsizetype end)
{
    static const QRegularExpression level = readerPattern("(" + anyLanguage(&Lexicon::back) + ")?\\s*(?:" + anyLanguage(&Lexicon::levelVerbs) + ")?\\s*("
                                                    + anyLanguage(&Lexicon::above) + u'|' + anyLanguage(&Lexicon::below)
                                                    + ")\\s*([-+]?\\d+(?:\\.\\d+)?)");
    for (std::optional<Match> m; (m = take(level, start, end));) {
        static const QRegularExpression crossing(anyLanguage(&Lexicon::crossing));
        const bool crossed = m->capturedLength(1) > 0 || m->captured(2).contains(crossing);
        setLevel(rule, m->captured(3).toDouble(), crossed, std::nullopt);
    }
    // "在 20 以下": the number first.
    static const QRegularExpression postfix = readerPattern("([-+]?\\d+(?:\\.\\d+)?)\\s*(?:" + anyLanguage(&Lexicon::sideAfterLevel) + u')');
    for (std::optional<Match> m; (m = take(postfix, start, end));)
        setLevel(rule, m->captured(1).toDouble(), false, std::nullopt);
    static const QRegularExpression crossing = readerPattern("(?:" + anyLanguage(&Lexicon::crossesLevel) + ")\\s+(-?\\d+(?:\\.\\d+)?)");
    for (std::optional<Match> m; (m = take(crossing, start, end));)
        setLevel(rule, m->captured(1).toDouble(), true, std::nullopt);
}

// "Bollinger breakout", "突破布林带上轨": a name right beside another indicator's that only
// chooses that one's condition, now or when it follows.
bool Reader::chosenBeside(const Place &place, qsizetype end)
{
    const Indicator indicator = place.subject->indicator;
    if (m_lastRule >= 0) {
        Rule &last = m_strategy.rules[m_lastRule];
        if (const std::optional<Condition> condition = besideCondition(last.indicator, indicator);
            condition && m_free.mid(place.start - 3, 3).trimmed().isEmpty()) {
            last.condition = *condition;
            last.conditionGiven = true;
            return true;
        }
    }
    if (!m_free.mid(place.end, end - place.end).trimmed().isEmpty())
        return false;
    for (const IndicatorDescription &description : indicatorDescriptions()) {
        const std::optional<Condition> condition = besideCondition(description.indicator, indicator);
        if (condition && startsAt(description.indicator, end)) {
            m_pendingCondition = {description.indicator, *condition};
            return true;
        }
    }
    return false;
}

// The words around an indicator's name that choose its rule's condition.
void Reader::readCondition(Rule &rule, const Place &place, qsizetype ruleEnd)
{
    const auto choose = [&rule](Condition condition) {
        rule.condition = condition;
        rule.conditionGiven = true;
    };
    const Indicator indicator = place.subject->indicator;
    if (m_pendingCondition && m_pendingCondition->first == indicator)
        choose(std::exchange(m_pendingCondition, std::nullopt)->second);
    const DetailMatchers &own = detailMatchers(indicator);
    const QString name = m_text.mid(place.start, place.end - place.start);
    for (const auto &[condition, words] : own.inName) {
        if (name.contains(words))
            choose(condition);
    }
    // "price closes below the lower Bollinger band": how the bands are used, said before them.
    if (!own.before.isEmpty()) {
        static const QRegularExpression clauseStart(QStringLiteral("[,;]|\\.(?!\\d)"));
        const qsizetype from = std::max({m_text.lastIndexOf(clauseStart, place.start) + 1, m_lastIndicatorEnd, place.start - 40});
        for (const auto &[condition, words] : own.before) {
            if (take(words, from, place.start))
                choose(condition);
        }
    }
    for (const auto &[condition, words] : own.after) {
        while (take(words, place.end, ruleEnd))
            choose(condition);
    }
    // "bollinger 20 2 and RSI 14: buy when the low touches the lower band": words that name
    // the bands are theirs wherever they stand.
    for (const auto &[condition, words] : own.anywhere) {
        if (!rule.conditionGiven && take(words, ruleEnd, m_text.size()))
            choose(condition);
    }
}

void Reader::readIndicator(const Place &place, qsizetype end, qsizetype ruleEnd)
{
    const Indicator indicator = place.subject->indicator;
    if (chosenBeside(place, end) || removedIfNegated(place))
        return;
    // "Ichimoku cloud breakout", "divergence on the RSI": the words go with what cannot be
    // built, and nothing is built in its place.
    if (m_lastUnsupported && joins(m_lastUnsupported->end, place.start)
        && (m_lastUnsupported->reason == Unbuilt::Reason::Pattern || describedIndicator(indicator).reading.usage)) {
        m_unbuilt[m_lastUnsupported->index].what = m_mapped.quote(m_request, m_lastUnsupported->start, place.end);
        m_lastUnsupported->end = place.end;
        return;
    }
    const std::optional<double> before = numberBefore(place.start);
    const qsizetype rulesBefore = m_strategy.rules.size();
    Rule &rule = *ruleFor(indicator, place.start);
    m_lastIndicator = LastIndicator{place.start, place.end, m_lastRule, m_strategy.rules.size() > rulesBefore};
    readCondition(rule, place, ruleEnd);
    const DetailMatchers &own = detailMatchers(indicator);
    const QString name = m_text.mid(place.start, place.end - place.start);
    static const QString joined = "\\s*(?:[,/]|" + anyLanguage(&Lexicon::valueJoiners) + ")\\s*|\\s+";
    static const QRegularExpression values = readerPattern(
        "^[\\s(,:]*(?:" + anyLanguage(&Lexicon::indicatorWord) + ")?[\\s(,:]*(?:" + anyLanguage(&Lexicon::valueLeads) + ")?\\s*((?:\\d+(?:\\.\\d+)?)(?:(?:"
        + joined + ")\\d+(?:\\.\\d+)?)*)(?![.\\d])\\s*\\)?(?!\\s*(?:" + anyLanguage(&Lexicon::afterValue) + "|\\d))");
    static const QRegularExpression separator = readerPattern(joined);
    QList<double> numbers;
    if (before)
        numbers.append(*before);
    // "55 根K線高點": the number of bars is a part of the name.
    if (own.valuesInName)
        numbers += capturedNumbers(own.valuesInName->match(name));
    // "step 0.02 max 0.2": values said by their names.
    if (own.valueWords) {
        if (const auto m = take(*own.valueWords, place.end, end))
            numbers += capturedNumbers(*m);
    }
    if (const auto m = take(values, place.end, end)) {
        for (const QString &part : m->captured(1).split(separator))
            numbers.append(part.toDouble());
    }
    // "RSI 70/30": two levels, the period left as it was.
    const int upper = int(rule.valueNames().indexOf("Upper"));
    const bool levelsOnly = upper > 0 && numbers.size() == 2 && numbers[0] != numbers[1]
                            && ((numbers[0] > numbers[1] && numbers[1] >= 5) || numbers[0] + numbers[1] == 100);
    readRuleValues(rule, numbers, levelsOnly ? upper : 0);
    readLevels(rule, place.end, end);
}

// An indicator with a form of two of it, its rule either: "EMA 20", "EMA 10/50", "fast 10 slow 50
// crossover", "price above the 200 SMA".
void Reader::readWithForm(const Place &place, qsizetype end)
{
    const Indicator single = family(place.subject->indicator);
    const Indicator pair = *formOf(single);
    const DetailMatchers &own = detailMatchers(single);
    const QString keyword = m_text.mid(place.start, place.end - place.start);
    if (removedIfNegated(place))
        return;
    // "exponential moving average": the method said before the name.
    static const QRegularExpression methodWords = [] {
        QStringList words;
        for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese}) {
            for (const QStringList &method : lexicon(language).methods)
                words += method;
        }
        return QRegularExpression("(" + longestFirst(words) + ")\\s*$");
    }();
    const qsizetype from = std::max<qsizetype>(0, place.start - 20);
    const Match said = own.methods.isEmpty() ? Match() : methodWords.match(m_free.mid(from, place.start - from));
    if (said.hasMatch())
        consume(from + said.capturedStart(), place.start);
    const QString method = said.captured(1) + keyword;
    // "2 moving averages": a count, which the crossover they make says, not a period.
    const std::optional<double> number = numberBefore(place.start);
    const std::optional<double> before = keyword.endsWith(u's') ? std::nullopt : number;
    if (const std::optional<int> slot = std::exchange(m_pendingSlot, std::nullopt)) {
        static const QRegularExpression period(QStringLiteral("^\\s*\\(?\\s*(\\d+)\\s*\\)?"));
        const auto m = take(period, place.end, end);
        setFormValue(pair, *slot, m ? std::optional(m->captured(1).toDouble()) : before, place.start);
        Rule &rule = m_strategy.rules[m_lastRule];
        rule.method = methodNamed(single, method).value_or(rule.method);
        return;
    }
    const bool hadRule = std::any_of(m_strategy.rules.begin(), m_strategy.rules.end(), [single](const Rule &rule) {
        return family(rule.indicator) == single;
    });
    Rule *rule = ruleFor(single, place.start);
    const std::optional<MaMethod> named = methodNamed(single, method);

    QList<double> numbers;
    if (before)
        numbers.append(*before);
    if (const auto m = take(*own.formValues, place.end, end)) {
        numbers.append(m->captured(1).toDouble());
        if (m->capturedLength(2))
            numbers.append(m->captured(2).toDouble());
    }
    static const QRegularExpression crossWord(anyLanguage(&Lexicon::crossed));
    const qsizetype around = std::max<qsizetype>(0, place.start - 12);
    const bool crossNamed = m_text.mid(around, place.end + 14 - around).contains(crossWord);
    static const QRegularExpression priceWords(anyLanguage(&Lexicon::price));
    const bool priceNamed = m_text.mid(std::max<qsizetype>(0, place.start - 30), 30)
                                .contains(priceWords);
    const bool wasCross = rule->indicator == pair;
    // A second average named with a period of its own: "LWMA 15 and LWMA 60 cross".
    if (rule->indicator == single && m_singleNamed && numbers.size() == 1 && (rule->given & 1)) {
        numbers.prepend(rule->values[0]);
    }
    m_singleNamed = true;
    if (rule->indicator == single
        && (numbers.size() >= 2 || (crossNamed && !priceNamed && numbers.isEmpty() && !hadRule))) {
        const MaMethod kept = rule->method;
        *rule = Rule::withDefaults(pair);
        rule->method = kept;
    }
    if (rule->indicator == pair && numbers.size() == 1 && !wasCross) {
        readRuleValues(*rule, numbers, (rule->given & 1) ? 1 : 0);
    } else if (rule->indicator == pair && numbers.size() >= 2) {
        std::sort(numbers.begin(), numbers.begin() + 2);
        readRuleValues(*rule, numbers.mid(0, 2), 0);
    } else if (rule->indicator == pair && numbers.size() == 1) {
        // A second average beside a crossover: a trend filter, as in "only above the 200 EMA".
        Rule filter = Rule::withDefaults(single);
        filter.method = named.value_or(rule->method);
        filter.condition = Condition::Above;
        filter.conditionGiven = true;
        readRuleValues(filter, numbers, 0);
        m_strategy.rules.append(filter);
        m_lastRule = int(m_strategy.rules.size() - 1);
        return;
    } else {
        readRuleValues(*rule, numbers, 0);
    }
    rule->method = named.value_or(rule->method);
    static const QRegularExpression above("(?:" + anyLanguage(&Lexicon::sides)
                                          + ")\\s*(?:(?:" + anyLanguage(&Lexicon::lineArticle) + ")\\s*)?(?:\\d+\\s*)?(?:-?(?:"
                                          + anyLanguage(&Lexicon::periodWord) + ")\\s*)?[a-z]*\\s*$");
    // "在 EMA 200 之上": the side said after the average.
    static const QRegularExpression aboveAfter("^\\s*\\(?\\s*(?:\\d+\\s*)?\\)?\\s*(?:" + anyLanguage(&Lexicon::sideAfterLine) + u')');
    const qsizetype start = std::max<qsizetype>(0, place.start - 30);
    const bool aboveNamed = (m_text.mid(start, place.start - start).contains(above) || m_text.mid(place.end, 12).contains(aboveAfter))
                            && !m_text.mid(start, place.start - start).contains(crossWord);
    if (rule->indicator == pair && aboveNamed && !wasCross) {
        // "the 50 EMA is above the 200 EMA": a position of the two, not their cross.
        rule->condition = Condition::Above;
        rule->conditionGiven = true;
    }
    if (rule->indicator == single) {
        if (aboveNamed) {
            rule->condition = Condition::Above;
            rule->conditionGiven = true;
        } else if (crossNamed && priceNamed) {
            rule->condition = Condition::Cross;
            rule->conditionGiven = true;
        }
    }
}

void Reader::readDistance(Distance &distance, const Place &place, qsizetype end)
{
    if (negated(place.start)) {
        distance = {0, distance.unit, true};
        return;
    }
    static const QRegularExpression before(number + QStringLiteral("\\s*") + unitWords + QStringLiteral("?\\s*(?:-\\s*)?$"));
    static const QRegularExpression after("^\\s*(?:" + anyLanguage(&Lexicon::moveTo) + ")?\\s*" + number + "\\s*" + unitWords + u'?');
    std::optional<Match> m = besideSubject(before, after, place, 14, end);
    if (!m && &distance == &m_strategy.breakEven) {
        // "获利 100 点后把止损移到保本": the profit that moves the stop comes first in its clause.
        static const QRegularExpression profit("(?:" + anyLanguage(&Lexicon::profit) + ")\\s*" + number + "\\s*" + unitWords + u'?');
        static const QRegularExpression clauseStart(QStringLiteral("[,;.]"));
        const qsizetype from = std::max<qsizetype>(m_text.lastIndexOf(clauseStart, place.start) + 1, place.start - 40);
        m = take(profit, from, place.start);
    }
    if (!m && m_pendingAtr && place.start - m_pendingAtr->end <= 8) { // "a 2 ATR stop"
        distance = {m_pendingAtr->value, Unit::Atr, true};
        m_pendingAtr.reset();
        return;
    }
    if (!m) {
        m_lastDistance = &distance; // "stop loss 2 x ATR"
        if (!distance.given)
            distance = {0, Unit::Points, false};
        return;
    }
    const double value = m->captured(1).toDouble();
    const Unit unit = unitNamed(m->captured(2)).value_or(distance.given ? distance.unit : Unit::Points);
    if (value < 0 || value > 100000 || (unit == Unit::Percent && value > 50)) {
        addUnbuilt(m->captured(), Unbuilt::Reason::NotUnderstood);
        return;
    }
    distance = {value, unit, true};
    noteGiven(QString::number(quintptr(&distance)), place, m->captured().trimmed(), QString::number(value) + u' ' + QString::number(int(unit)));
}

// The same value given twice in one message, differently ("stop loss 40 pips and stop loss 60
// pips"), is asked about, never settled by the order of the words.
void Reader::noteGiven(const QString &key, const Place &place, const QString &valueText, const QString &value)
{
    qsizetype start = place.start;
    qsizetype end = place.end;
    if (!valueText.isEmpty()) {
        const qsizetype at = m_text.indexOf(valueText, std::max<qsizetype>(0, place.start - 20));
        if (at >= 0) {
            start = std::min(start, at);
            end = std::max(end, at + valueText.size());
        }
    }
    const QString said = m_mapped.quote(m_request, start, end);
    const auto earlier = m_given.constFind(key);
    if (earlier == m_given.constEnd())
        m_given.insert(key, {said, value});
    else if (earlier->second != value)
        m_contradictions.append({earlier->first, said});
}

void Reader::readFixed(const Place &place, const Match &match)
{
    const QString text = match.captured();
    const auto wholeOf = [&match](std::initializer_list<int> groups) {
        for (int group : groups) {
            if (match.capturedLength(group))
                return match.captured(group).toInt();
        }
        return 0;
    };
    switch (place.subject->kind) {
    case Kind::Lots: {
        static const QRegularExpression after("^\\s*(?:" + anyLanguage(&Lexicon::lotSize) + ")?\\s*(?:" + anyLanguage(&Lexicon::is)
                                              + ")?\\s*" + number);
        static const QRegularExpression before(number + QStringLiteral("\\s*$"));
        std::optional<double> value;
        QString said;
        if (const auto m = besideSubject(before, after, place, 10, place.end + 20)) {
            value = m->captured(1).toDouble();
            said = m->captured().trimmed();
        }
        if (value && *value >= 0.01 && *value <= 100) {
            noteGiven(QStringLiteral("lots"), place, said, QString::number(*value));
            m_strategy.lots = *value;
            m_strategy.lotsGiven = true;
            m_strategy.riskPercent = 0;
        } else if (value) {
            addUnbuilt(QString::number(*value), Unbuilt::Reason::NotUnderstood);
        }
        return;
    }
    case Kind::MaxLots: {
        static const QRegularExpression after("^\\s*(?:" + anyLanguage(&Lexicon::is) + ")?\\s*" + number);
        const auto m = take(after, place.end, place.end + 12);
        const double value = m ? m->captured(1).toDouble() : 0;
        if (value >= 0.01 && value <= 100) {
            m_strategy.maxLots = value;
            m_strategy.maxLotsGiven = true;
        }
        else
            addUnbuilt(text, Unbuilt::Reason::NotUnderstood);
        return;
    }
    case Kind::Risk: {
        static const QString percentWords = "\\s*(?:" + anyLanguage(&Lexicon::percent) + u')';
        static const QRegularExpression percent("(?:^|\\s)(?:" + anyLanguage(&Lexicon::riskIs) + ")?\\s*" + number + percentWords);
        static const QRegularExpression before(number + percentWords + "\\s*(?:(?:" + anyLanguage(&Lexicon::ofBalance) + ") )?$");
        std::optional<double> value;
        if (const auto m = besideSubject(before, percent, place, 12, place.end + 24))
            value = m->captured(1).toDouble();
        if (value && *value > 0 && *value <= 10) {
            m_strategy.riskPercent = *value;
        } else if (value) {
            addUnbuilt(QString::number(*value) + u'%', Unbuilt::Reason::NotUnderstood);
        } else if (negated(place.start)) {
            m_strategy.riskPercent = 0;
        }
        return;
    }
    case Kind::Martingale: {
        if (negated(place.start)) {
            m_strategy.martingaleSteps = 0;
            return;
        }
        m_strategy.martingaleSteps = m_strategy.martingaleSteps ? m_strategy.martingaleSteps : 4;
        const qsizetype end = std::min<qsizetype>(m_text.size(), place.end + 40);
        static const QRegularExpression steps("(?:" + anyLanguage(&Lexicon::upTo) + u'|' + anyLanguage(&Lexicon::doubling)
                                              + ")?\\s*(?<![\\d.])(\\d+)\\s*(?:" + anyLanguage(&Lexicon::martingaleUnits) + u')');
        static const QRegularExpression factor("(?:" + anyLanguage(&Lexicon::multiplier) + ")\\s*(?:" + anyLanguage(&Lexicon::factorOf)
                                               + ")?\\s*" + number + "|" + number + "\\s*(?:" + anyLanguage(&Lexicon::times)
                                               + ")(?!\\s*(?:" + anyLanguage(&Lexicon::atr) + "))|(?<![a-z])(?:"
                                               + anyLanguage(&Lexicon::timesBefore) + ")\\s*" + number);
        if (const auto m = take(factor, place.end, end)) {
            const double factor = (m->captured(1) + m->captured(2) + m->captured(3)).toDouble();
            if (factor > 1 && factor <= 3) {
                m_strategy.martingaleFactor = factor;
                m_strategy.martingaleFactorGiven = true;
            } else
                addUnbuilt(m->captured(), Unbuilt::Reason::NotUnderstood);
        }
        if (const auto m = take(steps, place.end, end)) {
            const int count = m->captured(1).toInt();
            if (count >= 1 && count <= maxMartingaleSteps) {
                m_strategy.martingaleSteps = count;
                m_strategy.martingaleStepsGiven = true;
            } else {
                addUnbuilt(m->captured(), Unbuilt::Reason::NotUnderstood);
            }
        }
        return;
    }
    case Kind::Spread: {
        Distance spread = m_strategy.maxSpread;
        const qsizetype end = std::min<qsizetype>(m_text.size(), place.end + 30);
        if (negated(place.start)) {
            m_strategy.maxSpread = {};
            return;
        }
        static const QRegularExpression after("^\\s*(?:(?:" + anyLanguage(&Lexicon::limitIs) + ")\\s*)?(?:" + anyLanguage(&Lexicon::atMost)
                                              + ")?\\s*" + number + "\\s*" + unitWords + u'?');
        if (const auto m = take(after, place.end, end)) {
            spread = {m->captured(1).toDouble(), unitNamed(m->captured(2)).value_or(Unit::Points), true};
            if (spread.unit == Unit::Percent)
                addUnbuilt(m->captured(), Unbuilt::Reason::NotUnderstood);
            else
                m_strategy.maxSpread = spread;
        }
        return;
    }
    case Kind::Positions: {
        const int count = wholeOf({1, 2});
        if (m_gridEnd >= 0 && place.start - m_gridEnd <= 6) { // "grid max 4 orders"
            m_strategy.gridOrders = std::clamp(count, 1, 20);
            return;
        }
        m_strategy.maxPositions = std::clamp(count ? count : 1, 1, 50);
        m_strategy.maxPositionsGiven = true;
        return;
    }
    case Kind::Magic:
        m_strategy.magic = wholeOf({1, 2});
        m_strategy.magicGiven = true;
        return;
    case Kind::Hours: {
        QList<int> minutes;
        static const QRegularExpression time("(\\d{1,2})(?::(\\d{2}))?\\s*(" + anyLanguage(&Lexicon::morning) + u'|'
                                             + anyLanguage(&Lexicon::afternoon) + ")?");
        static const QRegularExpression afternoon("^(?:" + anyLanguage(&Lexicon::afternoon) + ")$");
        for (auto it = time.globalMatch(text); it.hasNext();) {
            const Match t = it.next();
            int hour = t.captured(1).toInt();
            if (t.captured(3).contains(afternoon) && hour < 12)
                hour += 12;
            minutes.append(hour * 60 + t.captured(2).toInt());
        }
        if (minutes.size() < 2 || minutes[0] > 24 * 60 || minutes[1] > 24 * 60 || minutes[0] == minutes[1]) {
            addUnbuilt(text, Unbuilt::Reason::NotUnderstood);
            return;
        }
        m_strategy.fromMinute = minutes[0] % (24 * 60);
        m_strategy.toMinute = minutes[1] % (24 * 60);
        return;
    }
    case Kind::TimeFilter:
        if (negated(place.start))
            m_strategy.fromMinute = m_strategy.toMinute = -1;
        else
            m_hoursNamed = text;
        return;
    case Kind::DayFilter:
        if (negated(place.start))
            m_strategy.weekdays = 0;
        else
            addUnbuilt(text, Unbuilt::Reason::NotUnderstood);
        return;
    case Kind::Weekdays:
        return readWeekdays(text);
    case Kind::Timeframe: {
        static const QList<QRegularExpression> names = [] {
            QList<QRegularExpression> list;
            for (qsizetype i = 0; i < timeframeNames().size(); ++i) {
                QStringList words;
                for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese})
                    words += lexicon(language).timeframes.at(i);
                list.append(QRegularExpression(words.join(u'|')));
            }
            return list;
        }();
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (text.contains(names.at(i))) {
                m_strategy.timeframe = timeframeNames().at(i);
                return;
            }
        }
        addUnbuilt(text, Unbuilt::Reason::NotUnderstood);
        return;
    }
    case Kind::CurrentBar:
        m_strategy.currentBar = true;
        return;
    case Kind::ClosedBar:
        m_strategy.currentBar = false;
        return;
    case Kind::Direction: {
        static const QRegularExpression both(anyLanguage(&Lexicon::both));
        static const QRegularExpression buys(anyLanguage(&Lexicon::buySide));
        m_directionGiven = true;
        m_strategy.direction = text.contains(both)   ? Strategy::Direction::Both
                               : text.contains(buys) ? Strategy::Direction::BuyOnly
                                                     : Strategy::Direction::SellOnly;
        noteGiven(QStringLiteral("direction"), place, QString(), QString::number(int(m_strategy.direction)));
        return;
    }
    case Kind::Opposite:
        static const QRegularExpression dont = readerPattern(anyLanguage(&Lexicon::dont));
        m_strategy.closeOnOpposite = !text.contains(dont) && !negated(place.start);
        m_strategy.closeOnOppositeGiven = true;
        return;
    case Kind::CloseAfter:
        m_strategy.closeAfterBars = std::clamp(wholeOf({1, 2}), 1, 10000);
        return;
    case Kind::CloseAt: {
        int hour = wholeOf({1, 4});
        if (match.captured(3) == "pm" && hour < 12)
            hour += 12;
        if (hour > 23) {
            addUnbuilt(text, Unbuilt::Reason::NotUnderstood);
            return;
        }
        m_strategy.closeAtMinute = hour * 60 + wholeOf({2, 5});
        return;
    }
    case Kind::Arrows:
        m_strategy.arrows = !negated(place.start);
        return;
    case Kind::Alert:
        m_strategy.alert = !negated(place.start);
        return;
    case Kind::Colour: {
        static const QList<QRegularExpression> names = namesByPlace(&Lexicon::colourSaid, &Lexicon::colours, knownColours().size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (text.contains(names.at(i))) {
                m_strategy.colours.append(knownColours().at(i));
                return;
            }
        }
        return;
    }
    case Kind::Unsupported:
        return readUnsupported(place);
    default:
        return;
    }
}

// Only connecting words between two places: "RSI divergence", "breakout of the Ichimoku cloud".
bool Reader::joins(qsizetype end, qsizetype start) const
{
    static const QRegularExpression connecting = readerPattern("^(?:\\s|" + anyLanguage(&Lexicon::connectors) + ")*$");
    return end <= start && m_free.mid(end, start - end).contains(connecting);
}

void Reader::readUnsupported(const Place &place)
{
    using R = Unbuilt::Reason;
    const R reason = place.subject->reason;
    qsizetype start = place.start;
    // "bullish RSI divergence": the indicator is a part of what is not built.
    if (m_lastIndicator && m_lastIndicator->created && joins(m_lastIndicator->end, place.start)
        && m_lastIndicator->rule >= 0 && m_lastIndicator->rule < m_strategy.rules.size()
        && (reason == R::Pattern
            || (reason == R::OtherIndicator && describedIndicator(m_strategy.rules[m_lastIndicator->rule].indicator).reading.usage))) {
        m_strategy.rules.removeAt(m_lastIndicator->rule);
        m_lastRule = -1;
        start = m_lastIndicator->start;
        static const QRegularExpression adjectives = readerPattern("(?:" + anyLanguage(&Lexicon::patternAdjectives) + ")+$");
        const qsizetype from = std::max<qsizetype>(0, start - 30);
        if (const Match m = adjectives.match(m_free.mid(from, start - from)); m.hasMatch()) {
            consume(from + m.capturedStart(), start);
            start = from + m.capturedStart();
        }
        m_lastIndicator.reset();
    }
    QString what = m_mapped.quote(m_request, start, place.end);
    // A symbol is named as the terminal names it: "EURUSD".
    static const QRegularExpression symbol(symbolName(), QRegularExpression::CaseInsensitiveOption);
    for (auto it = symbol.globalMatch(what); it.hasNext();) {
        const Match m = it.next();
        what.replace(m.capturedStart(), m.capturedLength(), m.captured().toUpper());
    }
    m_unbuilt.append({what, reason});
    m_lastUnsupported = LastUnsupported{start, place.end, m_unbuilt.size() - 1, reason};
}

void Reader::readWeekdays(const QString &text)
{
    static const QRegularExpression dayName(readerPattern(dayIn(Language::English) + u'|' + dayIn(Language::SimplifiedChinese)
                                                         + u'|' + dayIn(Language::TraditionalChinese)));
    static const QList<QRegularExpression> eachDay = namesByPlace(&Lexicon::daySaid, &Lexicon::days, 7);
    QList<int> days;
    for (auto it = dayName.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured();
        const auto day = std::find_if(eachDay.begin(), eachDay.end(), [&name](const QRegularExpression &re) { return name.contains(re); });
        if (day != eachDay.end())
            days.append(int(day - eachDay.begin()));
    }
    int mask = 0;
    if (days.isEmpty()) {
        mask = 0b0111110; // weekdays
    } else if (static const QRegularExpression through(anyLanguage(&Lexicon::through)); days.size() == 2 && text.contains(through)) {
        for (int d = days[0];; d = (d + 1) % 7) {
            mask |= 1 << d;
            if (d == days[1])
                break;
        }
    } else {
        for (int d : days)
            mask |= 1 << d;
    }
    static const QRegularExpression excluded(anyLanguage(&Lexicon::excluding));
    if (text.contains(excluded))
        mask = (m_strategy.weekdays ? m_strategy.weekdays : 0b1111111) & ~mask;
    m_strategy.weekdays = mask == 0b1111111 ? 0 : mask;
}

// What no subject read: content words and numbers that would be dropped silently otherwise.
void Reader::leftovers()
{
    static const QRegularExpression token(QStringLiteral("[a-z][a-z'+%-]*|\\p{Han}+|\\d+(?:\\.\\d+)?"));
    qsizetype runStart = -1;
    qsizetype runEnd = -1;
    const auto flush = [this, &runStart, &runEnd] {
        if (runStart >= 0)
            m_unbuilt.append({m_mapped.quote(m_request, runStart, runEnd), Unbuilt::Reason::NotUnderstood});
        runStart = -1;
    };
    qsizetype previousEnd = 0;
    for (auto it = token.globalMatch(m_free); it.hasNext();) {
        const Match m = it.next();
        QString word = m.captured();
        qsizetype start = m.capturedStart();
        const QString gap = m_free.mid(previousEnd, m.capturedStart() - previousEnd);
        previousEnd = m.capturedEnd();
        static const QRegularExpression punctuation(QStringLiteral("[,.;:!?()]"));
        if (gap.contains(punctuation) || gap.count(u' ') > 2)
            flush();
        if (word.at(0).script() == QChar::Script_Han) {
            word.remove(chineseFillers());
            if (word.size() < 2) {
                flush();
                continue;
            }
            if (const qsizetype inner = m.captured().indexOf(word); inner >= 0)
                start += inner;
        } else if (isFillerWord(word) || (word.size() < 2 && !word.at(0).isDigit())) {
            flush();
            continue;
        }
        if (runStart < 0)
            runStart = start;
        runEnd = start + (word.size() < m.capturedLength() && m.captured().contains(word) ? word.size() : m.capturedLength());
    }
    flush();
}

} // namespace

Reading readRequest(const Strategy &before, const QString &request)
{
    return Reader(before, request).read();
}

} // namespace offline
