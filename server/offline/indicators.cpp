#include "indicators.h"

#include "strategy.h"

namespace offline {

namespace {

const QString tf = QStringLiteral("InpTimeframe");

constexpr Words periodLabel{"Period", "周期", "週期"};
constexpr Words levelLabel{"Level", "水平", "水平"};
constexpr Words upperLabel{"Upper", "上方水平", "上方水平"};
constexpr Words lowerLabel{"Lower", "下方水平", "下方水平"};

Parameter period(const char *name = "Period", Words label = periodLabel, double value = 14)
{
    return {name, value, 1, 1000, true, label};
}

Parameter level(const char *name, Words label, double value, double high)
{
    return {name, value, 0, high, false, label};
}

QString methodName(MaMethod method)
{
    static const QStringList names{"SMA", "EMA", "SMMA", "LWMA"};
    return names.at(int(method));
}

QString methodConstant(MaMethod method)
{
    static const QStringList names{"MODE_SMA", "MODE_EMA", "MODE_SMMA", "MODE_LWMA"};
    return names.at(int(method));
}

QString call(const CodeLine &line, const char *shift)
{
    return line.accessor + u'(' + QLatin1String(shift) + u')';
}

void addLine(RuleCode &code, const QString &name, const QString &mql4, const QString &create, int buffer)
{
    code.lines.append({code.prefix + name, name, mql4, create, buffer});
}

// Buy when a crosses above b between the bar before and this one; sell the other way.
void crossing(RuleCode &code, const QString &a1, const QString &a0, const QString &b1, const QString &b0)
{
    code.buy = QStringLiteral("%1 <= %2 && %3 > %4").arg(a1, b1, a0, b0);
    code.sell = QStringLiteral("%1 >= %2 && %3 < %4").arg(a1, b1, a0, b0);
}

// An oscillator's levels: buy below the lower one (Zone) or back above it, or above the
// midline (Above); sell the other way.
void levelSignals(RuleCode &code, Condition condition, const QString &v1, const QString &v0,
                  const QString &upper, const QString &lower)
{
    if (condition == Condition::Above) {
        code.buy = v0 + " > " + upper;
        code.sell = v0 + " < " + lower;
    } else if (condition == Condition::Zone) {
        code.buy = v0 + " < " + lower;
        code.sell = v0 + " > " + upper;
    } else {
        code.buy = QStringLiteral("%1 < %2 && %3 >= %2").arg(v1, lower, v0);
        code.sell = QStringLiteral("%1 > %2 && %3 <= %2").arg(v1, upper, v0);
    }
}

void averageCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString method = QStringLiteral("Inp") + code.prefix + QStringLiteral("Method");
    code.inputs.append(QStringLiteral("input ENUM_MA_METHOD %1 = %2; // ").arg(method, methodConstant(rule.method))
                       + textIn(code.language, {"Moving average method", "均线计算方法", "均線計算方法"}));
    const bool cross = rule.indicator == Indicator::MaCross;
    for (int i = 0; i < (cross ? 2 : 1); ++i) {
        const QString args = QStringLiteral("_Symbol, %1, %2, 0, %3, PRICE_CLOSE").arg(tf, in[i], method);
        addLine(code, cross ? (i ? "Slow" : "Fast") : "Value", "iMA(" + args + ", s)", "iMA(" + args + ")", 0);
    }
    const QList<CodeLine> &l = code.lines;
    if (cross && rule.condition == Condition::Above) {
        code.buy = call(l[0], "s") + " > " + call(l[1], "s");
        code.sell = call(l[0], "s") + " < " + call(l[1], "s");
    } else if (cross) {
        crossing(code, call(l[0], "s + 1"), call(l[0], "s"), call(l[1], "s + 1"), call(l[1], "s"));
    } else if (rule.condition == Condition::Above) {
        code.buy = "BarClose(s) > " + call(l[0], "s");
        code.sell = "BarClose(s) < " + call(l[0], "s");
    } else {
        crossing(code, "BarClose(s + 1)", "BarClose(s)", call(l[0], "s + 1"), call(l[0], "s"));
    }
}

void rsiCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString args = "_Symbol, " + tf + ", " + in[0] + ", PRICE_CLOSE";
    addLine(code, "Value", "iRSI(" + args + ", s)", "iRSI(" + args + ")", 0);
    code.levelInputs = {in[1], in[2]};
    levelSignals(code, rule.condition, call(code.lines[0], "s + 1"), call(code.lines[0], "s"), in[1], in[2]);
}

void cciCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString args = "_Symbol, " + tf + ", " + in[0] + ", PRICE_TYPICAL";
    addLine(code, "Value", "iCCI(" + args + ", s)", "iCCI(" + args + ")", 0);
    code.levelInputs = {in[1], "-" + in[1]};
    levelSignals(code, rule.condition, call(code.lines[0], "s + 1"), call(code.lines[0], "s"), in[1], "-" + in[1]);
}

void momentumCode(RuleCode &code, const Rule &, const QStringList &in)
{
    const QString args = "_Symbol, " + tf + ", " + in[0] + ", PRICE_CLOSE";
    addLine(code, "Value", "iMomentum(" + args + ", s)", "iMomentum(" + args + ")", 0);
    crossing(code, call(code.lines[0], "s + 1"), call(code.lines[0], "s"), in[1], in[1]);
    code.levelInputs = {in[1]};
}

void macdCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString args = QStringLiteral("_Symbol, %1, %2, %3, %4, PRICE_CLOSE").arg(tf, in[0], in[1], in[2]);
    addLine(code, "Main", "iMACD(" + args + ", MODE_MAIN, s)", "iMACD(" + args + ")", 0);
    addLine(code, "Signal", "iMACD(" + args + ", MODE_SIGNAL, s)", "iMACD(" + args + ")", 1);
    const QString m1 = call(code.lines[0], "s + 1"), m0 = call(code.lines[0], "s");
    const QString s1 = call(code.lines[1], "s + 1"), s0 = call(code.lines[1], "s");
    if (rule.condition == Condition::ZeroLine)
        crossing(code, m1, m0, "0.0", "0.0");
    else if (rule.condition == Condition::Histogram)
        crossing(code, "(" + m1 + " - " + s1 + ")", "(" + m0 + " - " + s0 + ")", "0.0", "0.0");
    else
        crossing(code, m1, m0, s1, s0);
}

void bandsCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString four = QStringLiteral("_Symbol, %1, %2, %3, 0, PRICE_CLOSE").arg(tf, in[0], in[1]);
    const QString five = QStringLiteral("iBands(_Symbol, %1, %2, 0, %3, PRICE_CLOSE)").arg(tf, in[0], in[1]);
    addLine(code, "Upper", "iBands(" + four + ", MODE_UPPER, s)", five, 1);
    addLine(code, "Middle", "iBands(" + four + ", MODE_MAIN, s)", five, 0);
    addLine(code, "Lower", "iBands(" + four + ", MODE_LOWER, s)", five, 2);
    const QString u1 = call(code.lines[0], "s + 1"), u0 = call(code.lines[0], "s");
    const QString l1 = call(code.lines[2], "s + 1"), l0 = call(code.lines[2], "s");
    if (rule.condition == Condition::Outside) {
        code.buy = "BarClose(s) > " + u0;
        code.sell = "BarClose(s) < " + l0;
    } else if (rule.condition == Condition::Touch) {
        code.buy = "BarLow(s) <= " + l0;
        code.sell = "BarHigh(s) >= " + u0;
    } else {
        code.buy = QStringLiteral("BarClose(s + 1) < %1 && BarClose(s) >= %2").arg(l1, l0);
        code.sell = QStringLiteral("BarClose(s + 1) > %1 && BarClose(s) <= %2").arg(u1, u0);
    }
}

void stochasticCode(RuleCode &code, const Rule &rule, const QStringList &in)
{
    const QString args = QStringLiteral("_Symbol, %1, %2, %3, %4, MODE_SMA").arg(tf, in[0], in[1], in[2]);
    addLine(code, "Main", "iStochastic(" + args + ", 0, MODE_MAIN, s)", "iStochastic(" + args + ", STO_LOWHIGH)", 0);
    addLine(code, "Signal", "iStochastic(" + args + ", 0, MODE_SIGNAL, s)", "iStochastic(" + args + ", STO_LOWHIGH)", 1);
    const QString k1 = call(code.lines[0], "s + 1"), k0 = call(code.lines[0], "s");
    code.levelInputs = {in[3], in[4]};
    if (rule.condition == Condition::Cross || rule.condition == Condition::CrossInZone)
        crossing(code, k1, k0, call(code.lines[1], "s + 1"), call(code.lines[1], "s"));
    if (rule.condition == Condition::CrossInZone) {
        code.buy += " && " + k1 + " < " + in[4];
        code.sell += " && " + k1 + " > " + in[3];
    } else if (rule.condition != Condition::Cross) {
        levelSignals(code, rule.condition, k1, k0, in[3], in[4]);
    }
}

void adxCode(RuleCode &code, const Rule &, const QStringList &in)
{
    const QString four = QStringLiteral("_Symbol, %1, %2, PRICE_CLOSE").arg(tf, in[0]);
    const QString five = QStringLiteral("iADX(_Symbol, %1, %2)").arg(tf, in[0]);
    addLine(code, "Main", "iADX(" + four + ", MODE_MAIN, s)", five, 0);
    addLine(code, "PlusDi", "iADX(" + four + ", MODE_PLUSDI, s)", five, 1);
    addLine(code, "MinusDi", "iADX(" + four + ", MODE_MINUSDI, s)", five, 2);
    crossing(code, call(code.lines[1], "s + 1"), call(code.lines[1], "s"), call(code.lines[2], "s + 1"),
             call(code.lines[2], "s"));
    const QString strong = " && " + call(code.lines[0], "s") + " > " + in[1];
    code.buy += strong;
    code.sell += strong;
    code.levelInputs = {in[1]};
}

void atrCode(RuleCode &code, const Rule &, const QStringList &in)
{
    const QString args = QStringLiteral("_Symbol, %1, %2").arg(tf, in[0]);
    addLine(code, "Value", "iATR(" + args + ", s)", "iATR(" + args + ")", 0);
    code.buy = code.sell = call(code.lines[0], "s") + " / _Point > " + in[1];
}

void sarCode(RuleCode &code, const Rule &, const QStringList &in)
{
    const QString args = QStringLiteral("_Symbol, %1, %2, %3").arg(tf, in[0], in[1]);
    addLine(code, "Value", "iSAR(" + args + ", s)", "iSAR(" + args + ")", 0);
    crossing(code, "BarClose(s + 1)", "BarClose(s)", call(code.lines[0], "s + 1"), call(code.lines[0], "s"));
}

void breakoutCode(RuleCode &code, const Rule &, const QStringList &in)
{
    addLine(code, "High", QStringLiteral("iHigh(_Symbol, %1, iHighest(_Symbol, %1, MODE_HIGH, %2, s + 1))").arg(tf, in[0]), {}, 0);
    addLine(code, "Low", QStringLiteral("iLow(_Symbol, %1, iLowest(_Symbol, %1, MODE_LOW, %2, s + 1))").arg(tf, in[0]), {}, 0);
    code.buy = QStringLiteral("BarClose(s) > %1 && BarClose(s + 1) <= %2")
                   .arg(call(code.lines[0], "s"), call(code.lines[0], "s + 1"));
    code.sell = QStringLiteral("BarClose(s) < %1 && BarClose(s + 1) >= %2")
                    .arg(call(code.lines[1], "s"), call(code.lines[1], "s + 1"));
}

using I = Indicator;
using C = Condition;

ReadingDetails averageReading()
{
    ReadingDetails reading;
    reading.methodNames = {{MaMethod::Exponential, {"^ema"}}, {MaMethod::Smoothed, {"smma"}},
                           {MaMethod::LinearWeighted, {"wma"}}, {MaMethod::Simple, {"^sma"}}};
    reading.shortNames = {"ma", "ema", "sma"};
    return reading;
}

ReadingDetails crossReading()
{
    ReadingDetails reading;
    reading.formOf = I::MovingAverage;
    reading.formNames.en = {"\\bcross ?overs?\\b"};
    reading.valueNames = {{{"\\bfast(?:er)?\\b"}, {"快线"}, {"快線"}}, {{"\\bslow(?:er)?\\b"}, {"慢线"}, {"慢線"}}};
    return reading;
}

ReadingDetails bandsReading()
{
    ReadingDetails reading;
    reading.before = {{C::Outside, {"clos\\w* (?:above|below|outside|beyond)"}, {"收盘价?(?:跌破|突破|站上)", "跌破"},
                       {"收盤價?(?:跌破|突破|站上)", "跌破"}}};
    reading.anywhere = {{C::Touch, {"touch\\w*(?: the)? (?:upper|lower|outer) bands?"}, {"触及.{0,3}[上下]轨"},
                         {"觸及.{0,3}[上下]軌"}}};
    reading.beside = {{I::Breakout, C::Outside}};
    return reading;
}

ReadingDetails stochasticReading()
{
    ReadingDetails reading;
    reading.inName = {{C::Cross, {"^%k"}, {"^%k"}, {"^%k"}}};
    reading.zonedCross = true;
    return reading;
}

ReadingDetails cciReading()
{
    ReadingDetails reading;
    reading.symmetricLevel = true;
    return reading;
}

ReadingDetails sarReading()
{
    ReadingDetails reading;
    reading.valueWords.en = {"^\\s*step\\s*(?:of\\s*)?(\\d+(?:\\.\\d+)?)(?:\\s*(?:,|and)?\\s*max(?:imum)?\\s*(?:of\\s*)?(\\d+(?:\\.\\d+)?))?"};
    return reading;
}

ReadingDetails breakoutReading()
{
    ReadingDetails reading;
    reading.usage = true;
    reading.valuesInName.cn = reading.valuesInName.tw = {"^(\\d+)\\s*根"};
    return reading;
}

} // namespace

QString textIn(Language language, const Words &words)
{
    switch (language) {
    case Language::SimplifiedChinese:
        return QString::fromUtf8(words.cn);
    case Language::TraditionalChinese:
        return QString::fromUtf8(words.tw);
    case Language::English:
        break;
    }
    return QString::fromUtf8(words.en);
}

QString filledIn(QString text, const Rule &rule, const QString &notation)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (text.at(i) != u'%' || !(next == u'n' || next == u'm' || (next >= u'1' && next <= u'9'))) {
            out += text.at(i);
            continue;
        }
        ++i;
        if (next == u'n')
            out += notation;
        else if (next == u'm')
            out += methodName(rule.method);
        else
            out += QString::number(rule.values.value(next.unicode() - u'1'), 'g', 10);
    }
    return out;
}

// Each in the order of IndicatorDescription: kind, key; names in a request (en, zh-CN, zh-TW),
// glued names; name, notation, summary; default condition, overlay, direction; values;
// conditions' texts, conditions' words; code; what only its requests say.
const QList<IndicatorDescription> &indicatorDescriptions()
{
    constexpr Words none{nullptr, nullptr, nullptr};
    static const QList<IndicatorDescription> list = {
        {I::MovingAverage, "Ma",
         {"\\b(?:s|e|sm|lw|w)?mas?\\b", "moving averages?"}, {"均线", "移动平均线?"}, {"均線", "移動平均線?"},
         {"s?ma", "ema", "smma", "lwma", "wma"},
         {"%m", "%m", "%m"},
         {"%m(%1)", "%m(%1)", "%m(%1)"}, none, C::Cross, true, true,
         {period("Period", periodLabel, 20)},
         {{C::Cross, {"the close crosses above %n", "收盘价上穿 %n", "收盤價上穿 %n"},
           {"the close crosses below %n", "收盘价下穿 %n", "收盤價下穿 %n"}},
          {C::Above, {"the close is above %n", "收盘价在 %n 之上", "收盤價在 %n 之上"},
           {"the close is below %n", "收盘价在 %n 之下", "收盤價在 %n 之下"}}},
         {}, averageCode, averageReading()},
        {I::MaCross, "Cross", {}, {}, {}, {},
         {"%m", "%m", "%m"},
         {"%m(%1)", "%m(%1)", "%m(%1)"}, {"%m(%1)/%m(%2) cross", "%m(%1)/%m(%2) 交叉", "%m(%1)/%m(%2) 交叉"},
         C::Cross, true, true,
         {period("FastPeriod", {"FastPeriod", "快线周期", "快線週期"}, 10),
          period("SlowPeriod", {"SlowPeriod", "慢线周期", "慢線週期"}, 50)},
         {{C::Cross, {"%m(%1) crosses above %m(%2)", "%m(%1) 上穿 %m(%2)（金叉）", "%m(%1) 上穿 %m(%2)（黃金交叉）"},
           {"%m(%1) crosses below %m(%2)", "%m(%1) 下穿 %m(%2)（死叉）", "%m(%1) 下穿 %m(%2)（死亡交叉）"}},
          {C::Above, {"%m(%1) is above %m(%2)", "%m(%1) 在 %m(%2) 之上", "%m(%1) 在 %m(%2) 之上"},
           {"%m(%1) is below %m(%2)", "%m(%1) 在 %m(%2) 之下", "%m(%1) 在 %m(%2) 之下"},
           {"%m(%1) > %m(%2)", "%m(%1) > %m(%2)", "%m(%1) > %m(%2)"}}},
         {}, averageCode, crossReading()},
        {I::Rsi, "Rsi",
         {"\\brsi\\b", "relative strength(?: index)?"}, {"相对强弱(?:指数|指标)?"}, {"相對強弱(?:指數|指標)?"},
         {"rsi"},
         {"RSI", "RSI", "RSI"},
         {"RSI(%1)", "RSI(%1)", "RSI(%1)"}, {"RSI(%1) %2/%3", "RSI(%1) %2/%3", "RSI(%1) %2/%3"},
         C::CrossBack, false, true,
         {period(), level("Upper", upperLabel, 70, 100), level("Lower", lowerLabel, 30, 100)},
         {{C::Cross, {"%n crosses above %3", "%n 上穿 %3", "%n 上穿 %3"}, {"%n crosses below %2", "%n 下穿 %2", "%n 下穿 %2"}},
          {C::CrossBack, {"%n comes back above %3", "%n 从下方回到 %3 之上", "%n 從下方回到 %3 之上"},
           {"%n comes back below %2", "%n 从上方回到 %2 之下", "%n 從上方回到 %2 之下"}},
          {C::Zone, {"%n is below %3", "%n 低于 %3", "%n 低於 %3"}, {"%n is above %2", "%n 高于 %2", "%n 高於 %2"}},
          {C::Above, {"%n is above %2", "%n 高于 %2", "%n 高於 %2"}, {"%n is below %3", "%n 低于 %3", "%n 低於 %3"}}},
         {{C::CrossBack, {"cross\\w* back", "leaves?"}, {"回到"}, {"回到"}}}, rsiCode},
        {I::Macd, "Macd", {"\\bmacd\\b"}, {}, {}, {"macd"},
         {"MACD", "MACD", "MACD"},
         {"MACD(%1,%2,%3)", "MACD(%1,%2,%3)", "MACD(%1,%2,%3)"}, none, C::Cross, false, true,
         {period("Fast", {"Fast", "快线", "快線"}, 12), period("Slow", {"Slow", "慢线", "慢線"}, 26),
          period("Signal", {"Signal", "信号线", "訊號線"}, 9)},
         {{C::Cross, {"the %n main line crosses above its signal line", "%n 主线上穿信号线", "%n 主線上穿訊號線"},
           {"the %n main line crosses below its signal line", "%n 主线下穿信号线", "%n 主線下穿訊號線"}},
          {C::Histogram, {"the %n histogram turns positive", "%n 柱状图转为正值", "%n 柱狀圖轉為正值"},
           {"the %n histogram turns negative", "%n 柱状图转为负值", "%n 柱狀圖轉為負值"}},
          {C::ZeroLine, {"the %n main line crosses above zero", "%n 主线上穿零轴", "%n 主線上穿零軸"},
           {"the %n main line crosses below zero", "%n 主线下穿零轴", "%n 主線下穿零軸"}}},
         {{C::Histogram, {"histogram"}, {"柱状图", "柱", "转正", "转负"}, {"柱狀圖", "柱", "轉正", "轉負"}},
          {C::ZeroLine, {"zero"}, {"零轴"}, {"零軸"}},
          {C::Cross, {"signal"}, {"信号线"}, {"信號線"}}},
         macdCode},
        {I::Bollinger, "Bands", {"bollinger(?: bands?)?", "\\bbb\\b"}, {"布林(?:带|线|通道)?"}, {"布林(?:帶|線|通道)?"}, {},
         {"Bollinger Bands", "布林带", "布林通道"},
         {"Bollinger Bands(%1, %2)", "布林带(%1, %2)", "布林通道(%1, %2)"}, none, C::CrossBack, true, true,
         {period("Period", periodLabel, 20), {"Deviation", 2, 0.1, 10, false, {"Deviation", "标准差倍数", "標準差倍數"}}},
         {{C::CrossBack, {"the close comes back inside %n from below", "收盘价从下轨外回到 %n 之内", "收盤價從下軌外回到 %n 之內"},
           {"the close comes back inside %n from above", "收盘价从上轨外回到 %n 之内", "收盤價從上軌外回到 %n 之內"}},
          {C::Outside, {"a bar closes above the upper band of %n", "K线收在 %n 上轨之上", "K線收在 %n 上軌之上"},
           {"a bar closes below the lower band of %n", "K线收在 %n 下轨之下", "K線收在 %n 下軌之下"}},
          {C::Touch, {"the low touches the lower band of %n", "最低价触及 %n 下轨", "最低價觸及 %n 下軌"},
           {"the high touches the upper band of %n", "最高价触及 %n 上轨", "最高價觸及 %n 上軌"}}},
         {{C::Outside, {"outside", "beyond"}, {"收在.{0,4}外", "外侧"}, {"收在.{0,4}外", "外側"}},
          {C::Touch, {"touch\\w*"}, {"触及", "碰到"}, {"觸及", "碰到"}},
          {C::CrossBack, {"(?:back|returns?|re-?enters?) (?:inside|into)", "mean reversion"}, {"回到", "均值回归"},
           {"回到", "均值回歸"}}},
         bandsCode, bandsReading()},
        {I::Stochastic, "Stoch",
         {"stoch(?:astics?)?(?: oscillator)?", "\\bkd\\b",
          "%k(?=\\s*(?:line\\s*)?cross\\w*\\s*(?:above |below |over |under )?(?:the )?%d)"},
         {"随机指标", "%k(?=\\s*(?:line\\s*)?(?:上穿|下穿|金叉|死叉)\\s*(?:above |below |over |under )?(?:the )?%d)"},
         {"隨機指標", "%k(?=\\s*(?:line\\s*)?(?:上穿|下穿|金叉|死叉)\\s*(?:above |below |over |under )?(?:the )?%d)"},
         {},
         {"Stochastic", "随机指标", "隨機指標"},
         {"Stochastic(%1,%2,%3)", "随机指标(%1,%2,%3)", "隨機指標(%1,%2,%3)"},
         {"Stochastic(%1,%2,%3) %4/%5", "随机指标(%1,%2,%3) %4/%5", "隨機指標(%1,%2,%3) %4/%5"}, C::Cross, false, true,
         {period("K", {"K", "K", "K"}, 5), period("D", {"D", "D", "D"}, 3), period("Slowing", {"Slowing", "平滑", "平滑"}, 3),
          level("Upper", upperLabel, 80, 100), level("Lower", lowerLabel, 20, 100)},
         {{C::CrossInZone, {"%n %K crosses above %D below %5", "%n 的 %K 在 %5 之下上穿 %D", "%n 的 %K 在 %5 之下上穿 %D"},
           {"%n %K crosses below %D above %4", "%n 的 %K 在 %4 之上下穿 %D", "%n 的 %K 在 %4 之上下穿 %D"}},
          {C::Above, {"%n %K is above %4", "%n 的 %K 高于 %4", "%n 的 %K 高於 %4"},
           {"%n %K is below %5", "%n 的 %K 低于 %5", "%n 的 %K 低於 %5"}},
          {C::Cross, {"%n %K crosses above %D", "%n 的 %K 上穿 %D", "%n 的 %K 上穿 %D"},
           {"%n %K crosses below %D", "%n 的 %K 下穿 %D", "%n 的 %K 下穿 %D"}},
          {C::CrossBack, {"%n %K comes back above %5", "%n 的 %K 回到 %5 之上", "%n 的 %K 回到 %5 之上"},
           {"%n %K comes back below %4", "%n 的 %K 回到 %4 之下", "%n 的 %K 回到 %4 之下"}},
          {C::Zone, {"%n %K is below %5", "%n 的 %K 低于 %5", "%n 的 %K 低於 %5"},
           {"%n %K is above %4", "%n 的 %K 高于 %4", "%n 的 %K 高於 %4"}}},
         {{C::Cross, {"%k", "%d", "\\bk\\b.{0,12}\\bd\\b"}, {"金叉", "死叉", "交叉"}, {"金叉", "死叉", "交叉"}}},
         stochasticCode, stochasticReading()},
        {I::Cci, "Cci", {"\\bcci\\b", "commodity channel index"}, {"顺势指标"}, {"順勢指標"}, {"cci"},
         {"CCI", "CCI", "CCI"},
         {"CCI(%1)", "CCI(%1)", "CCI(%1)"}, {"CCI(%1) %2", "CCI(%1) %2", "CCI(%1) %2"}, C::CrossBack, false, true,
         {period(), level("Level", levelLabel, 100, 1000)},
         {{C::CrossBack, {"%n comes back above -%2", "%n 回到 -%2 之上", "%n 回到 -%2 之上"},
           {"%n comes back below %2", "%n 回到 %2 之下", "%n 回到 %2 之下"}},
          {C::Zone, {"%n is below -%2", "%n 低于 -%2", "%n 低於 -%2"}, {"%n is above %2", "%n 高于 %2", "%n 高於 %2"}}},
         {}, cciCode, cciReading()},
        {I::Adx, "Adx", {"\\badx\\b", "\\bdmi\\b", "average directional(?: index)?"}, {"趋向指标"}, {"趨向指標"}, {"adx"},
         {"ADX", "ADX", "ADX"},
         {"ADX(%1)", "ADX(%1)", "ADX(%1)"}, {"ADX(%1) > %2", "ADX(%1) > %2", "ADX(%1) > %2"}, C::Cross, false, true,
         {period(), level("Threshold", {"Threshold", "阈值", "閾值"}, 25, 100)},
         {{C::Cross, {"+DI crosses above -DI while %n is above %2", "+DI 上穿 -DI 且 %n 高于 %2", "+DI 上穿 -DI 且 %n 高於 %2"},
           {"-DI crosses above +DI while %n is above %2", "-DI 上穿 +DI 且 %n 高于 %2", "-DI 上穿 +DI 且 %n 高於 %2"}}},
         {}, adxCode},
        {I::Atr, "Atr", {"\\batr\\b", "average true range"}, {"真实波幅"}, {"真實波幅"}, {"atr"},
         {"ATR", "ATR", "ATR"},
         {"ATR(%1)", "ATR(%1)", "ATR(%1)"}, {"ATR(%1) %2", "ATR(%1) %2", "ATR(%1) %2"}, C::Above, false, false,
         {period(), level("Level", levelLabel, 100, 100000)},
         {{C::Above, {"%n is above %2 points", "%n 高于 %2 点", "%n 高於 %2 點"},
           {"%n is above %2 points", "%n 高于 %2 点", "%n 高於 %2 點"}}},
         {}, atrCode},
        {I::Sar, "Sar", {"parabolic(?: sar)?", "\\bsar\\b"}, {"抛物线"}, {"拋物線"}, {},
         {"Parabolic SAR", "抛物线 SAR", "拋物線 SAR"},
         {"Parabolic SAR(%1, %2)", "抛物线 SAR(%1, %2)", "拋物線 SAR(%1, %2)"}, none, C::Cross, true, true,
         {{"Step", 0.02, 0.001, 1, false, {"Step", "步长", "步長"}},
          {"Maximum", 0.2, 0.01, 10, false, {"Maximum", "最大值", "最大值"}}},
         {{C::Cross, {"the close crosses above %n", "收盘价上穿 %n", "收盤價上穿 %n"},
           {"the close crosses below %n", "收盘价下穿 %n", "收盤價下穿 %n"}}},
         {}, sarCode, sarReading()},
        {I::Momentum, "Momentum", {"\\bmomentum\\b"}, {"动量(?:指标)?"}, {"動量(?:指標)?"}, {"momentum"},
         {"Momentum", "动量", "動量"},
         {"Momentum(%1)", "动量(%1)", "動量(%1)"}, {"Momentum(%1) %2", "动量(%1) %2", "動量(%1) %2"}, C::Cross, false, true,
         {period(), level("Level", levelLabel, 100, 1000)},
         {{C::Cross, {"%n crosses above %2", "%n 上穿 %2", "%n 上穿 %2"}, {"%n crosses below %2", "%n 下穿 %2", "%n 下穿 %2"}}},
         {}, momentumCode},
        {I::Breakout, "Breakout",
         {"break ?outs?", "breaks? (?:out|above|below)", "donchian(?: channel)?", "highs? ?(?:and|or|/) ?lows?",
          "\\b(?:bar|period|day|candle)s? (?:highs?|lows?)\\b"},
         {"(?:\\d+\\s*根\\s*k线\\s*)?(?:的)?(?:最高点|高点|最低点)", "突破", "新高", "新低"},
         {"(?:\\d+\\s*根\\s*k線\\s*)?(?:的)?(?:最高點|高點|最低點)", "突破", "新高", "新低"},
         {},
         {"Breakout", "突破", "突破"},
         {"%1-bar breakout", "%1 根K线突破", "%1 根K線突破"}, none, C::Breakout, true, true,
         {period("Bars", {"Bars", "K线数", "K線數"}, 20)},
         {{C::Breakout, {"the close breaks above the highest high of the last %1 bars", "收盘价突破前 %1 根K线的最高点", "收盤價突破前 %1 根K線的最高點"},
           {"the close breaks below the lowest low of the last %1 bars", "收盘价跌破前 %1 根K线的最低点", "收盤價跌破前 %1 根K線的最低點"}}},
         {}, breakoutCode, breakoutReading()},
    };
    return list;
}

const IndicatorDescription &describedIndicator(Indicator indicator)
{
    const IndicatorDescription &description = indicatorDescriptions().at(int(indicator));
    Q_ASSERT(description.indicator == indicator);
    return description;
}

} // namespace offline
