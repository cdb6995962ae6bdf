#include "offlinetexts.h"

#include "indicators.h"
#include "programwriter.h"

#include <QHash>
#include <QRegularExpression>

namespace offline {

namespace {

QString in(Language language, const Words &words)
{
    return textIn(language, words);
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

// A unit after the value: "1 pip", "40 pips".
QString unitName(Unit unit, double value, Language language)
{
    static const Words names[] = {{"points", "点", "點"},
                                  {"pips", "pips", "pips"},
                                  {"% of the price", "% 价格", "% 價格"},
                                  {"x ATR(14)", "倍 ATR(14)", "倍 ATR(14)"}};
    static const Words one[] = {{"point", "点", "點"}, {"pip", "pips", "pips"}};
    return in(language, value == 1 && unit <= Unit::Pips ? one[int(unit)] : names[int(unit)]);
}

QString distanceText(const Distance &distance, Language language)
{
    return number(distance.value) + (distance.unit == Unit::Percent ? "" : " ")
           + unitName(distance.unit, distance.value, language);
}

// The indicator with its numbers, as the clauses name it.
QString indicatorNotation(const Rule &rule, Language language)
{
    return filledIn(in(language, describedIndicator(rule.indicator).notation), rule, QString());
}

const ConditionText *conditionText(const Rule &rule)
{
    const QList<ConditionText> &texts = describedIndicator(rule.indicator).conditions;
    const auto found = std::find_if(texts.begin(), texts.end(), [&rule](const ConditionText &c) { return c.condition == rule.condition; });
    return found == texts.end() ? nullptr : &*found;
}

QString clause(const Rule &rule, bool buy, Language language)
{
    const ConditionText *text = conditionText(rule);
    const QString notation = indicatorNotation(rule, language);
    return text ? filledIn(in(language, buy ? text->buy : text->sell), rule, notation) : notation;
}

// A value's name as the answer says it: "Period", "周期".
QString valueName(const Rule &rule, int slot, Language language)
{
    return in(language, describedIndicator(rule.indicator).parameters.at(slot).label);
}

QString minuteText(int minute)
{
    return QStringLiteral("%1:%2").arg(minute / 60, 2, 10, QLatin1Char('0')).arg(minute % 60, 2, 10, QLatin1Char('0'));
}

QString defaultMark(bool given, Language language)
{
    return given ? QString() : in(language, {" (default)", "（默认）", "（預設）"});
}

QString signalLine(const Strategy &s, bool buy, const Target &target, Language language)
{
    QStringList parts;
    for (const Rule &rule : s.rules)
        parts.append(clause(rule, buy, language));
    const QString joined = parts.join(s.anyRule ? in(language, {" or ", " 或 ", " 或 "})
                                                : in(language, {" and ", " 且 ", " 且 "}));
    // An indicator signals; only an Expert Advisor buys and sells.
    if (target.indicator) {
        return (buy ? in(language, {"Buy signal when ", "买入信号：", "買入訊號："})
                    : in(language, {"Sell signal when ", "卖出信号：", "賣出訊號："}))
               + joined + in(language, {".", "。", "。"});
    }
    return (buy ? in(language, {"Buys when ", "买入条件：", "買入條件："})
                : in(language, {"Sells when ", "卖出条件：", "賣出條件："}))
           + joined + in(language, {".", "。", "。"});
}

QString distanceLine(const Distance &distance, const Words &name, Language language)
{
    if (distance.value > 0)
        return in(language, name) + distanceText(distance, language) + in(language, {".", "。", "。"});
    return in(language, name) + in(language, {"none (input 0, off).", "无（输入为 0，关闭）。", "無（輸入為 0，關閉）。"});
}

} // namespace

QString ruleNotation(const Rule &rule, Language language)
{
    const IndicatorDescription &description = describedIndicator(rule.indicator);
    const ConditionText *text = conditionText(rule);
    const Words &summary = text && text->summary.en ? text->summary : description.summary;
    const QString notation = indicatorNotation(rule, language);
    return summary.en ? filledIn(in(language, summary), rule, notation) : notation;
}

QStringList describe(const Strategy &s, const Target &target, Language language)
{
    QStringList lines;
    const QString timeframe = s.timeframe.isEmpty() ? in(language, {"the chart's timeframe", "图表周期", "圖表週期"}) : s.timeframe;
    lines.append((s.currentBar ? in(language, {"Signals on the current bar, ", "信号基于当前K线，", "訊號基於當前K線，"})
                               : in(language, {"Signals on the closed bar, ", "信号基于已收盘K线，", "訊號基於已收盤K線，"}))
                 + timeframe + in(language, {".", "。", "。"}));
    if (s.direction != Strategy::Direction::SellOnly)
        lines.append(signalLine(s, true, target, language));
    if (s.direction != Strategy::Direction::BuyOnly)
        lines.append(signalLine(s, false, target, language));
    if (s.direction != Strategy::Direction::Both && !target.indicator) {
        lines.append(s.direction == Strategy::Direction::BuyOnly ? in(language, {"Only buys.", "只做多。", "只做多。"})
                                                                 : in(language, {"Only sells.", "只做空。", "只做空。"}));
    }
    if (target.indicator) {
        lines.append(in(language, {"Draws ", "绘制 ", "繪製 "}) + drawnLines(s).join(", ")
                     + (s.arrows ? in(language, {", with arrows where a signal fires", "，信号出现处画箭头", "，訊號出現處畫箭頭"}) : QString())
                     + (s.alert ? in(language, {", with an alert", "，并发出提醒", "，並發出提醒"}) : QString())
                     + in(language, {".", "。", "。"}));
    } else {
        lines.append(distanceLine(s.stopLoss, {"Stop loss: ", "止损：", "停損："}, language));
        lines.append(distanceLine(s.takeProfit, {"Take profit: ", "止盈：", "停利："}, language));
        if (s.trailingStop.value > 0)
            lines.append(distanceLine(s.trailingStop, {"Trailing stop: ", "移动止损：", "移動停損："}, language));
        if (s.breakEven.value > 0)
            lines.append(distanceLine(s.breakEven, {"Stop to break-even after a profit of ", "盈利达到后移至保本：", "獲利達到後移至保本："}, language));
        if (s.closeAfterBars > 0)
            lines.append(in(language, s.closeAfterBars == 1 ? Words{"Closes a position after %1 bar.", "持仓 %1 根K线后平仓。", "持倉 %1 根K線後平倉。"}
                                                         : Words{"Closes a position after %1 bars.", "持仓 %1 根K线后平仓。", "持倉 %1 根K線後平倉。"}).arg(s.closeAfterBars));
        if (s.closeAtMinute >= 0)
            lines.append(in(language, {"Closes everything at %1 (server time).", "%1（服务器时间）全部平仓。", "%1（伺服器時間）全部平倉。"}).arg(minuteText(s.closeAtMinute)));
        lines.append(s.closeOnOpposite ? in(language, {"Closes on the opposite signal", "反向信号时平仓", "反向訊號時平倉"}) + defaultMark(s.closeOnOppositeGiven, language) + in(language, {".", "。", "。"})
                                       : in(language, {"Does not close on the opposite signal.", "反向信号时不平仓。", "反向訊號時不平倉。"}));
        if (s.riskPercent > 0)
            lines.append(in(language, {"Risks %1% of the balance per trade, sized with the stop loss (%2 lots without one).", "每笔交易风险为余额的 %1%，按止损计算手数（无止损时 %2 手）。", "每筆交易風險為餘額的 %1%，按停損計算手數（無停損時 %2 手）。"}).arg(number(s.riskPercent), number(s.lots)));
        else
            lines.append(in(language, {"Lots: ", "手数：", "手數："}) + number(s.lots) + defaultMark(s.lotsGiven, language) + in(language, {".", "。", "。"}));
        if (s.martingaleSteps > 0)
            lines.append(in(language, {"Martingale: lots x %1 after each loss in a row, at most %2 %3%4, never above %5 %6%7.", "马丁格尔：每连续亏损一次手数乘以 %1，最多 %2 %3%4，不超过 %5 %6%7。", "馬丁格爾：每連續虧損一次手數乘以 %1，最多 %2 %3%4，不超過 %5 %6%7。"})
                             .arg(number(s.martingaleFactor) + defaultMark(s.martingaleFactorGiven, language), QString::number(s.martingaleSteps),
                                  s.martingaleSteps == 1 ? in(language, {"time", "次", "次"}) : in(language, {"times", "次", "次"}),
                                  defaultMark(s.martingaleStepsGiven, language), number(s.maxLots),
                                  s.maxLots == 1 ? in(language, {"lot", "手", "手"}) : in(language, {"lots", "手", "手"}),
                                  defaultMark(s.maxLotsGiven, language)));
        if (s.gridOrders > 0)
            lines.append(in(language, s.gridOrders == 1 ? Words{"Grid: up to %1 position, each %2 against the last.", "网格：最多 %1 个持仓，每个与上一个相距 %2。", "網格：最多 %1 個持倉，每個與上一個相距 %2。"}
                                                      : Words{"Grid: up to %1 positions, each %2 against the last.", "网格：最多 %1 个持仓，每个与上一个相距 %2。", "網格：最多 %1 個持倉，每個與上一個相距 %2。"})
                             .arg(QString::number(s.gridOrders), distanceText(s.gridStep, language)));
        if (s.fromMinute >= 0)
            lines.append(in(language, {"Trades from %1 to %2 (server time).", "交易时间 %1 至 %2（服务器时间）。", "交易時間 %1 至 %2（伺服器時間）。"}).arg(minuteText(s.fromMinute), minuteText(s.toMinute)));
        if (s.weekdays) {
            static const Words days[] = {{"Sun", "周日", "週日"}, {"Mon", "周一", "週一"}, {"Tue", "周二", "週二"}, {"Wed", "周三", "週三"},
                                         {"Thu", "周四", "週四"}, {"Fri", "周五", "週五"}, {"Sat", "周六", "週六"}};
            QStringList names;
            for (int d = 0; d < 7; ++d) {
                if ((s.weekdays >> d) & 1)
                    names.append(in(language, days[d]));
            }
            lines.append(in(language, {"Trades on ", "交易日：", "交易日："}) + names.join(", ") + in(language, {".", "。", "。"}));
        }
        if (s.maxSpread.value > 0)
            lines.append(in(language, {"Maximum spread: ", "最大点差：", "最大點差："}) + distanceText(s.maxSpread, language) + in(language, {".", "。", "。"}));
        const int positions = std::max(s.maxPositions, s.gridOrders);
        lines.append(in(language, positions == 1 ? Words{"At most %1 open position", "最多 %1 个持仓", "最多 %1 個持倉"}
                                                 : Words{"At most %1 open positions", "最多 %1 个持仓", "最多 %1 個持倉"}).arg(positions) + defaultMark(s.maxPositionsGiven, language)
                     + in(language, {", magic number ", "，魔术号 ", "，魔術號 "}) + QString::number(s.magic) + defaultMark(s.magicGiven, language) + in(language, {".", "。", "。"}));
        if (s.alert)
            lines.append(in(language, {"Alerts when a signal fires.", "信号出现时提醒。", "訊號出現時提醒。"}));
    }
    QStringList defaults;
    for (const Rule &rule : s.rules) {
        const QStringList names = rule.valueNames();
        for (int i = 0; i < names.size(); ++i) {
            if (!((rule.given >> i) & 1))
                defaults.append(QStringLiteral("%1 %2 %3").arg(filledIn(in(language, describedIndicator(rule.indicator).name), rule, QString()), valueName(rule, i, language), number(rule.values[i])));
        }
    }
    if (!defaults.isEmpty())
        lines.append(in(language, {"Defaults you did not give: ", "您未指定、使用默认值的参数：", "您未指定、使用預設值的參數："}) + defaults.join(", ") + in(language, {".", "。", "。"}));
    return lines;
}

QList<std::pair<QString, QString>> facts(const Strategy &s, const Target &target, Language language)
{
    QStringList rules;
    for (const Rule &rule : s.rules)
        rules.append(ruleNotation(rule, language));
    QList<std::pair<QString, QString>> list{{QStringLiteral("rules"), rules.join(s.anyRule ? " | " : " & ")}};
    const QStringList skipped{signalLine(s, true, target, language), signalLine(s, false, target, language)};
    const QString defaults = in(language, {"Defaults", "您未指定", "您未指定"});
    // Every other line is a fact of its own, keyed by its words before the first value: before
    // a colon, a comma, a number or a name ("Stop loss: ", "Draws ", "At most ").
    static const QRegularExpression firstNumber(QStringLiteral("[:：,，\\d]|(?<=.)[A-Z]"));
    for (const QString &line : describe(s, target, language)) {
        if (!skipped.contains(line) && !line.startsWith(defaults))
            list.append({line.section(firstNumber, 0, 0), line});
    }
    return list;
}

QString unbuiltLine(const Unbuilt &u, Language language)
{
    using R = Unbuilt::Reason;
    static const QHash<int, Words> reasons = {
        {int(R::NotUnderstood), {"the offline generator does not understand it", "离线生成器不理解这部分", "離線產生器不理解這部分"}},
        {int(R::NewsData), {"offline generation has no news data", "离线生成没有新闻数据", "離線產生沒有新聞資料"}},
        {int(R::MachineLearning), {"offline generation cannot train or run models", "离线生成无法训练或运行模型", "離線產生無法訓練或執行模型"}},
        {int(R::OtherSymbols), {"an offline program trades its chart's symbol only", "离线程序只交易图表上的品种", "離線程式只交易圖表上的商品"}},
        {int(R::OtherAccount), {"an offline program sees only its own account's trades", "离线程序只能看到自己账户的交易", "離線程式只能看到自己帳戶的交易"}},
        {int(R::OrderBook), {"offline generation has no order book data", "离线生成没有订单簿数据", "離線產生沒有訂單簿資料"}},
        {int(R::OutsideData), {"offline generation reads no data from outside the terminal", "离线生成不读取终端之外的数据", "離線產生不讀取終端之外的資料"}},
        {int(R::Pattern), {"offline generation knows no chart patterns", "离线生成不识别图表形态", "離線產生不識別圖表形態"}},
        {int(R::OtherIndicator), {"the offline generator does not know this indicator", "离线生成器不认识这个指标", "離線產生器不認識這個指標"}},
        {int(R::IndicatorInEa), {"an Expert Advisor draws no lines or arrows", "EA 不绘制线条或箭头", "EA 不繪製線條或箭頭"}},
        {int(R::TradingInIndicator), {"an indicator draws, it does not trade", "指标只绘图，不交易", "指標只繪圖，不交易"}},
        {int(R::OwnWindow), {"its line needs a window of its own, so it only decides the signals on the price chart", "其线条需要单独的窗口，因此只用于价格图上的信号", "其線條需要單獨的視窗，因此只用於價格圖上的訊號"}},
    };
    return in(language, {"Not built: \"%1\" — %2; a model server can write it.",
                         "未生成：“%1”——%2；模型服务器可以编写。",
                         "未產生：「%1」——%2；模型伺服器可以編寫。"})
        .arg(u.what, in(language, reasons.value(int(u.reason))));
}

QList<Unbuilt> partsOutsideTarget(const Strategy &s, const Target &target, Language language)
{
    QList<Unbuilt> parts;
    const auto add = [&](bool present, const Words &what, Unbuilt::Reason reason) {
        if (present)
            parts.append({in(language, what), reason});
    };
    if (target.indicator) {
        const auto reason = Unbuilt::Reason::TradingInIndicator;
        add(s.stopLoss.value > 0, {"stop loss", "止损", "停損"}, reason);
        add(s.takeProfit.value > 0, {"take profit", "止盈", "停利"}, reason);
        add(s.trailingStop.value > 0, {"trailing stop", "移动止损", "移動停損"}, reason);
        add(s.breakEven.value > 0, {"break-even", "保本", "保本"}, reason);
        add(s.lotsGiven || s.riskPercent > 0, {"position size", "仓位大小", "倉位大小"}, reason);
        add(s.martingaleSteps > 0, {"martingale", "马丁格尔", "馬丁格爾"}, reason);
        add(s.gridOrders > 0, {"grid", "网格", "網格"}, reason);
        add(s.closeAfterBars > 0 || s.closeAtMinute >= 0, {"closing positions", "平仓", "平倉"}, reason);
        add(s.fromMinute >= 0 || s.weekdays || s.maxSpread.value > 0, {"trading filters", "交易过滤", "交易過濾"}, reason);
        add(s.maxPositionsGiven || s.magicGiven, {"positions and magic number", "持仓数与魔术号", "持倉數與魔術號"}, reason);
        const auto overlay = [](const Rule &rule) { return isOverlay(rule.indicator); };
        if (std::any_of(s.rules.begin(), s.rules.end(), overlay)) {
            for (const Rule &rule : s.rules) {
                if (!overlay(rule))
                    parts.append({indicatorNotation(rule, language), Unbuilt::Reason::OwnWindow});
            }
        }
    } else {
        add(s.arrows, {"arrows", "箭头", "箭頭"}, Unbuilt::Reason::IndicatorInEa);
        add(!s.colours.isEmpty(), {"line colours", "线条颜色", "線條顏色"}, Unbuilt::Reason::IndicatorInEa);
    }
    return parts;
}

Language languageOf(const QString &request, Language fallback)
{
    // Characters written differently in the two scripts, each at the same place in both.
    static const QString simplified = QStringLiteral(
        "们这个为时说对后过发会买卖单线价图设损点级动关开无号数标见长门问间马东车风书带轨仓续亏盘护测试调换删启预网络实际计边钟双仅随机强势顺历写编种获利当从还让给应该");
    static const QString traditional = QStringLiteral(
        "們這個為時說對後過發會買賣單線價圖設損點級動關開無號數標見長門問間馬東車風書帶軌倉續虧盤護測試調換刪啟預網絡實際計邊鐘雙僅隨機強勢順歷寫編種獲利當從還讓給應該");
    int han = 0;
    int simple = 0;
    int complex = 0;
    for (const QChar c : request) {
        if (c.script() != QChar::Script_Han)
            continue;
        ++han;
        simple += simplified.contains(c) && !traditional.contains(c);
        complex += traditional.contains(c) && !simplified.contains(c);
    }
    // Indicator names and units are written the same way in every language.
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    static const QStringList shared{"rsi", "ema", "sma", "smma", "lwma", "macd", "cci", "adx", "atr",
                                    "sar", "dmi", "pips", "pip", "lot", "lots", "mt4", "mt5"};
    int english = 0;
    for (auto it = word.globalMatch(request); it.hasNext();)
        english += !shared.contains(it.next().captured().toLower());
    if (han >= 2 && han >= 2 * english) {
        if (complex != simple)
            return complex > simple ? Language::TraditionalChinese : Language::SimplifiedChinese;
        return fallback == Language::English ? Language::SimplifiedChinese : fallback;
    }
    return han == 0 && english >= 2 ? Language::English : fallback;
}

QString changedOutside(Language language)
{
    return in(language,
              {"This program was changed outside this chat (edited by hand, or it is another "
               "program that carries this chat's description line), so offline generation does "
               "not change it. Send \"rebuild it\" to write it again from its description: the "
               "changes made outside would be lost. Or let a model server change the program as "
               "it is: Settings > Code generator…",
               "这个程序在本对话之外被修改过（手动编辑过，或是另一个带有本对话描述行的程序），因此离线生成不修改它。"
               "发送“重新生成”即可按它的描述重新编写：在外部所做的修改将会丢失。也可以让模型服务器按现状修改程序："
               "设置 > 代码生成器…",
               "這個程式在本對話之外被修改過（手動編輯過，或是另一個帶有本對話描述行的程式），因此離線產生不修改它。"
               "傳送「重新產生」即可按它的描述重新編寫：在外部所做的修改將會遺失。也可以讓模型伺服器按現狀修改程式："
               "設定 > 程式碼產生器…"});
}

QString tooLong(qsizetype longest, Language language)
{
    return in(language, {"This request is too long for offline generation, which reads at most %1 characters, so "
                         "no program was written. Describe the strategy in fewer words, or let a model server "
                         "read it: Settings > Code generator…",
                         "这个请求太长，离线生成最多读取 %1 个字符，因此没有编写程序。请用更少的文字描述策略，"
                         "或让模型服务器来读：设置 > 代码生成器…",
                         "這個請求太長，離線產生最多讀取 %1 個字元，因此沒有編寫程式。請用更少的文字描述策略，"
                         "或讓模型伺服器來讀：設定 > 程式碼產生器…"})
        .arg(longest);
}

QString completeness(bool whole, Language language)
{
    return whole ? in(language, {"Built as you asked.", "已按您的要求生成。", "已按您的要求產生。"})
                 : in(language, {"Built without the parts named as not built above; everything else is as you asked.",
                                 "生成的程序不包含上面列为未生成的部分；其余均按您的要求。",
                                 "產生的程式不包含上面列為未產生的部分；其餘均按您的要求。"});
}

QString contradiction(const QString &first, const QString &second, Language language)
{
    return in(language, {"Your request says both \"%1\" and \"%2\": which one do you mean? No program was "
                         "written; send the request again with the one you mean.",
                         "您的请求同时写了“%1”和“%2”：您指的是哪一个？没有编写程序；请只保留您要的那一个，再发送一次。",
                         "您的請求同時寫了「%1」和「%2」：您指的是哪一個？沒有編寫程式；請只保留您要的那一個，再傳送一次。"})
        .arg(first, second);
}

QString otherPlatform(const Target &target, Language language)
{
    const QString now = target.mql5 ? QStringLiteral("MT5") : QStringLiteral("MT4");
    const QString other = target.mql5 ? QStringLiteral("MT4") : QStringLiteral("MT5");
    return in(language,
              {"This chat writes programs for %1 only, so it was not changed to %2. To write the "
               "program for %2, choose %2 at the top and press New Chat, then send the request there.",
               "本对话只为 %1 编写程序，因此没有改为 %2。要为 %2 编写程序，请在顶部选择 %2 并点击“新建对话”，然后在那里发送请求。",
               "本對話只為 %1 編寫程式，因此沒有改為 %2。要為 %2 編寫程式，請在頂部選擇 %2 並點擊「新建對話」，然後在那裡傳送請求。"})
        .arg(now, other);
}

QString nothingToBuild(Language language)
{
    return in(language,
              {"Offline, I could not find a strategy I can build in this request, so I wrote no "
               "program. Name a signal, for example: \"buy when RSI(14) crosses back above 30, sell "
               "below 70, stop loss 40 pips\", \"EMA 10/50 crossover with a trailing stop of 30 "
               "points\" or \"MACD histogram indicator with arrows\". A model server can write "
               "anything else.",
               "离线模式下，我在这个请求中找不到可以生成的策略，因此没有编写程序。请说明一个信号，例如："
               "“RSI(14) 回到 30 之上买入，70 之下卖出，止损 40 pips”、“EMA 10/50 金叉死叉，移动止损 30 点”"
               "或“MACD 柱状图指标，带箭头”。其他内容可由模型服务器编写。",
               "離線模式下，我在這個請求中找不到可以產生的策略，因此沒有編寫程式。請說明一個訊號，例如："
               "「RSI(14) 回到 30 之上買入，70 之下賣出，停損 40 pips」、「EMA 10/50 黃金交叉，移動停損 30 點」"
               "或「MACD 柱狀圖指標，帶箭頭」。其他內容可由模型伺服器編寫。"});
}

} // namespace offline
