#pragma once

#include "language.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace offline {

// The words that name what a request is about, each a pattern of the language's; a number
// the subject carries is captured.
struct SubjectNames final
{
    QStringList period;
    QStringList level;
    QStringList trailing;
    QStringList stopLoss;
    QStringList takeProfit;
    QStringList breakEven;
    QStringList atrMultiple;   // "2x ATR": the multiple
    QStringList maxLots;
    QStringList lots;
    QStringList risk;
    QStringList martingale;
    QStringList grid;
    QStringList spread;
    QStringList positions;     // "at most 3 positions": the count
    QStringList magic;         // the number
    QStringList hours;         // "between 8am and 5pm": each hour, its minutes, am or pm
    QStringList timeFilter;
    QStringList dayFilter;
    QStringList timeframe;
    QStringList currentBar;
    QStringList closedBar;
    QStringList direction;
    QStringList opposite;      // closing on the opposite signal
    QStringList closeAfter;    // the count of bars
    QStringList closeAt;       // the hour, its minutes, am or pm
    QStringList arrows;
    QStringList alert;
    // What is not built, by why.
    QStringList news;
    QStringList machineLearning;
    QStringList otherSymbols;
    QStringList otherAccount;
    QStringList orderBook;
    QStringList outsideData;
    QStringList pattern;
    QStringList otherIndicator;
};

// The words of one language the reader needs beside its subjects, as data: matchers are built
// from them, never from words of several languages written into one pattern.
struct Lexicon final
{
    SubjectNames subjects;
    QStringList fillers;           // words every request has, which mean nothing to build on their own
    // A distance's units, by kind: "points", "点"; "pips"; "%".
    QStringList pointUnits;
    QStringList pipUnits;
    QStringList percent;
    // Number words by their value: English 0-19, Chinese 0-9.
    QStringList numbers;
    QStringList tens;              // English 20, 30, ... 90
    QStringList multipliers;       // English "hundred"; Chinese 10, 100, 1000
    QString two;             // Chinese: the 2 that counts, "两"
    QString point;           // a decimal point said in words
    // Chinese: what a number counts ("根", "手", ...), after which "一" is one rather than "a";
    // what follows "一" when it is a number of its own ("周一": Monday); what follows a count
    // of lines ("两条线"), which is no value.
    QString measures;
    QString numberedAfter;
    QString lineCounter;
    // Words read around the subjects, as patterns.
    QStringList buys;              // one side of the trade: "buy", "买"
    QStringList sells;
    QStringList either;            // one rule is enough: "or", "或者"
    QStringList negations;         // "remove", "不要"
    QStringList switches;          // what was there is replaced: "switch to", "改成"
    QStringList bars;              // what a count of bars is said in: "bars", "根k线"
    QStringList setTo;             // a value given: "to", "改为"
    QStringList levelTo;           // a level given: "at", "改成"
    QStringList is;                // a value said: "is", "为"
    QStringList joiners;           // two values: "and", "和"
    QStringList above;             // a level crossed or kept, upwards: "above", "高于"
    QStringList below;
    QStringList back;              // a level crossed back: "comes back", "回到"
    QStringList moveTo;            // a distance given or changed: "set to", "改成"
    QStringList profit;            // the profit that moves the stop: "profit of", "获利"
    QStringList atMost;            // a limit: "below", "不超过"
    QStringList upTo;              // a count at most: "up to", "最多"
    QStringList gridUnits;         // what a grid counts: "orders", "单"
    QStringList gridStep;          // a grid's step: "every", "间距"
    QStringList doubling;          // a martingale's steps: "加倍"
    QStringList martingaleUnits;   // what a martingale counts: "steps", "次"
    QStringList multiplier;        // a factor: "multiplier", "倍数"
    QStringList times;             // a factor after its number: "x", "倍"
    QStringList indicatorWord;     // "indicator", "指标"
    QStringList valueJoiners;      // between an indicator's values: "and", "和"
    QStringList afterValue;        // after a number that is no indicator's value: "pips", "手"
    QStringList crossover;         // "crossover", "交叉"
    QStringList crossed;           // lines crossed: "crosses", "金叉"
    QStringList price;             // "price", "价格"
    QStringList sides;             // a side of an average: "above", "之上"
    QStringList connectors;        // only connecting two names: "of", "的"
    QStringList patternAdjectives; // before a pattern: "bullish", "看涨"
    QStringList excluding;         // days excluded: "not", "不交易"
    QStringList line;              // "line", "线"
    QStringList upperLevel;        // "overbought", "超买"
    QStringList lowerLevel;
    QStringList crossing;          // a level crossed rather than kept: "上穿"
    QStringList both;              // both directions: "both", "双向"
    QStringList buySide;           // one direction, the buying one: "long", "多"
    QStringList through;           // a range of days: "to", "到"
    QStringList rebuild;           // a whole request to write the program again: "rebuild it", "重新生成"
    QStringList sideAfterLevel;    // a level's side said after it: "20 以下"
    QStringList sideAfterLine;     // a side of an average said after it: "EMA 200 之上"
    QStringList crossesLevel;      // a level crossed, said before it: "crosses 0"
    QStringList instead;           // what was there is replaced, anywhere in the message: "instead"
    QStringList dont;              // a rule said not to apply: "don't close on the opposite signal"
    QStringList levelVerbs;        // what an indicator does at a level: "drops", "rises"
    QStringList articles;          // between a negation and what it negates: "the", "any"
    QStringList levelNouns;        // a level named before its value: "level", "line"
    QStringList valueLeads;        // before an indicator's values: "period", "with"
    QStringList riskIs;            // a risk given after its word: "of", "per trade"
    QStringList ofBalance;         // what a risk is a share of: "of the account"
    QStringList gridCount;         // a grid's count given: "of", "with"
    QStringList apart;             // after a grid's step: "apart"
    QStringList lotSize;           // between the lots' word and their number: "size"
    QStringList limitIs;           // before a limit: "is"
    QStringList factorOf;          // between a factor's word and its number: "of"
    QStringList timesBefore;       // a factor before its number: "x", as in "x2"
    QStringList atr;               // after a multiple that is a distance's, not a factor: "atr"
    QStringList lineArticle;       // before an average a side is said of: "the"
    QStringList periodWord;        // "period", also in "200-period"
    QStringList valueIs;           // a form's value given: "of", "=", ":"
    QStringList morning;           // after an hour: "am"
    QStringList afternoon;         // "pm"
    // Days of the week by day, Sunday first, each day's names; how a day is said with one
    // ("%1(?:day)?s?", "星期%1"); Monday to Friday said at once.
    QList<QStringList> days;
    QString daySaid;
    QStringList workdays;
    // Around a list of days: what excludes them, said before it ("not", "不在"), and the word
    // that may follow that ("on"); what joins two days ("to", "和"); what may follow the list.
    QStringList notOnDays;
    QStringList onDays;
    QStringList dayJoiners;
    QStringList afterDays;
    // By knownColours(): each colour's names; how a colour is said with one ("%1色").
    QList<QStringList> colours;
    QString colourSaid;
    // By MaMethod: each method's name.
    QList<QStringList> methods;
    // By timeframe, M1 to MN1 (timeframeNames): how a request names it once read as one.
    QList<QStringList> timeframes;
};

// The timeframes as the terminal names them, in the order of Lexicon::timeframes.
const QStringList &timeframeNames();

const Lexicon &lexicon(Language language);

// A symbol as a request names it: "eurusd".
const QString &symbolName();

// A pattern of the reader's: "\b" is a boundary of English words and numbers only, as Chinese
// touches them without a space ("RSI周期").
QRegularExpression readerPattern(QString text);

// Alternatives of a pattern, the longest first, so that "柱状图" is not read as "柱".
QString longestFirst(QStringList words);

// The alternatives of every language for the words of one kind, the longest first.
QString anyLanguage(QStringList Lexicon::*words);

// One pattern matching any of the words, the longest first.
QRegularExpression anyOf(const QStringList &words);

} // namespace offline
