#include "programwriter.h"

#include "indicators.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace offline {

namespace {

QString numberText(double value)
{
    QString text = QString::number(value, 'f', 5);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text += u'0';
    return text;
}

QString defaultMark(bool given, Language language)
{
    return given ? QString() : textIn(language, {" (default)", "（默认）", "（預設）"});
}

// An input's comment: the rule's inputs by its prefix in English ("Rsi2 Period"), by its name
// in Chinese ("RSI2 周期").
QString parameterComment(const Rule &rule, const QString &prefix, int slot, Language language)
{
    const IndicatorDescription &description = describedIndicator(rule.indicator);
    const Parameter &parameter = description.parameters.at(slot);
    if (language == Language::English)
        return prefix + u' ' + QLatin1String(parameter.name);
    return filledIn(textIn(language, description.name), rule, QString()) + prefix.mid(qstrlen(description.key)) + u' ' + textIn(language, parameter.label);
}

RuleCode ruleCode(const Rule &rule, const QString &prefix, Language language)
{
    const IndicatorDescription &description = describedIndicator(rule.indicator);
    RuleCode code;
    code.prefix = prefix;
    code.language = language;
    code.overlay = description.overlay;
    QStringList in;
    for (const Parameter &parameter : description.parameters)
        in.append(QStringLiteral("Inp") + prefix + QLatin1String(parameter.name));
    description.code(code, rule, in);
    for (int i = 0; i < in.size(); ++i) {
        const Parameter &parameter = description.parameters.at(i);
        code.inputs.append(QStringLiteral("input %1 %2 = %3; // %4%5")
                               .arg(parameter.whole ? "int" : "double", in[i],
                                    parameter.whole ? QString::number(qRound(rule.values[i])) : numberText(rule.values[i]),
                                    parameterComment(rule, prefix, i, language),
                                    defaultMark((rule.given >> i) & 1, language)));
    }
    return code;
}

QList<RuleCode> rulesCode(const Strategy &s, Language language)
{
    QList<RuleCode> codes;
    QHash<QString, int> seen;
    for (const Rule &rule : s.rules) {
        const QString name = QLatin1String(describedIndicator(rule.indicator).key);
        const int count = ++seen[name];
        codes.append(ruleCode(rule, count > 1 ? name + QString::number(count) : name, language));
    }
    return codes;
}

struct Plot
{
    const CodeLine *line;
    QString colour; // without "clr"
};

// The lines an indicator draws, each with its colour: those of the rules drawn over the prices
// when there are any (the others only decide the signals), else all of them.
QList<Plot> plotsOf(const QList<RuleCode> &rules, const QStringList &colours)
{
    static const QStringList defaultColours{"DodgerBlue", "Orange", "Magenta", "Gray", "Gold", "Teal"};
    const bool overPrices = std::any_of(rules.begin(), rules.end(), [](const RuleCode &rule) { return rule.overlay; });
    QList<Plot> plots;
    for (const RuleCode &rule : rules) {
        for (const CodeLine &line : rule.lines) {
            if (rule.overlay == overPrices) {
                const qsizetype i = plots.size();
                plots.append({&line, colours.value(i, defaultColours.at(i % defaultColours.size()))});
            }
        }
    }
    return plots;
}

QString timeframeConstant(const QString &timeframe)
{
    return timeframe.isEmpty() ? QStringLiteral("PERIOD_CURRENT") : QStringLiteral("PERIOD_") + timeframe;
}

struct UnitCode
{
    Words comment;
    const char *factor; // the price distance of one, as the program computes it
};

const UnitCode &unitCode(Unit unit)
{
    static const UnitCode codes[] = {{{"points", "点", "點"}, "_Point"},
                                     {{"pips", "pips", "pips"}, "PipSize()"},
                                     {{"% of the price", "% 价格", "% 價格"}, "price / 100.0"},
                                     {{"x ATR", "倍 ATR", "倍 ATR"}, "AtrValue()"}};
    return codes[int(unit)];
}

QString distanceFactor(const Distance &distance)
{
    return QString::fromLatin1(unitCode(distance.unit).factor);
}

class Writer final
{
public:
    Writer(const Strategy &s, const Target &t, Language language)
        : m_strategy(s)
        , m_target(t)
        , m_language(language)
        , m_rules(rulesCode(s, language))
    {
    }

    QString program(const QStringList &header);

private:
    bool mql5() const { return m_target.mql5; }
    QString say(const Words &words) const { return textIn(m_language, words); }
    // A function's framed comment, its text in the program's language.
    QString framed(const Words &words) const
    {
        static const QString rule = QStringLiteral("//+------------------------------------------------------------------+\n");
        return rule + say(words) + u'\n' + rule;
    }
    // The hours, days, spread or closing time keep it from trading.
    bool filtersTrading() const
    {
        return m_strategy.fromMinute >= 0 || m_strategy.weekdays || m_strategy.maxSpread.value > 0
               || m_strategy.closeAtMinute >= 0;
    }
    // Stops move or positions close by time, on every tick.
    bool managesPositions() const
    {
        return m_strategy.trailingStop.value > 0 || m_strategy.breakEven.value > 0
               || m_strategy.closeAfterBars > 0 || m_strategy.closeAtMinute >= 0;
    }
    QString handleOf(const CodeLine &line);
    void inputs();
    void accessors();
    void signalFunctions();
    void expertBody();
    void tradingLayer();
    void indicatorBody();
    void helpers();
    void add(const QString &text) { m_code += text + u'\n'; }
    void distanceInput(const char *name, const Distance &distance, const Words &what)
    {
        add(QStringLiteral("input double %1 = %2; // ").arg(QLatin1String(name), numberText(distance.value))
            + say({"%1, %2 (0: off)", "%1，%2（0：关闭）", "%1，%2（0：關閉）"}).arg(say(what), say(unitCode(distance.unit).comment)));
    }
    void distanceFunction(const char *function, const char *input, const Distance &distance)
    {
        add(QStringLiteral("double %1(const double price)\n  {\n   return(%2 * %3);\n  }")
                .arg(QLatin1String(function), QLatin1String(input), distanceFactor(distance)));
    }

    const Strategy &m_strategy;
    Target m_target;
    Language m_language;
    QList<RuleCode> m_rules;
    QStringList m_handles; // MQL5: the creation of each handle, in order
    QString m_code;
};

QString Writer::handleOf(const CodeLine &line)
{
    qsizetype index = m_handles.indexOf(line.mql5Create);
    if (index < 0) {
        m_handles.append(line.mql5Create);
        index = m_handles.size() - 1;
    }
    return QStringLiteral("ExtHandle") + QString::number(index);
}

void Writer::inputs()
{
    const auto comment = [this](const Words &words) { return QStringLiteral(" // ") + say(words); };
    add(QStringLiteral("input ENUM_TIMEFRAMES InpTimeframe = %1;").arg(timeframeConstant(m_strategy.timeframe))
        + comment({"Timeframe of the signals", "信号的时间周期", "訊號的時間週期"}));
    for (const RuleCode &rule : m_rules) {
        for (const QString &input : rule.inputs)
            add(input);
    }
    const QString alert = QStringLiteral("input bool InpAlert = %1;").arg(m_strategy.alert ? "true" : "false")
                          + comment({"Alert when a signal fires", "信号出现时提醒", "訊號出現時提醒"});
    if (m_target.indicator) {
        add(alert);
        return;
    }
    add(QStringLiteral("input double InpLots = %1;").arg(numberText(m_strategy.lots)) + comment({"Lots", "手数", "手數"})
        + defaultMark(m_strategy.lotsGiven || m_strategy.riskPercent > 0, m_language));
    if (m_strategy.riskPercent > 0)
        add(QStringLiteral("input double InpRiskPercent = %1;").arg(numberText(m_strategy.riskPercent))
            + comment({"Balance risked per trade, % (needs the stop loss)", "每笔交易风险占余额的 %（需要止损）",
                       "每筆交易風險佔餘額的 %（需要停損）"}));
    distanceInput("InpStopLoss", m_strategy.stopLoss, {"Stop loss", "止损", "停損"});
    distanceInput("InpTakeProfit", m_strategy.takeProfit, {"Take profit", "止盈", "停利"});
    if (m_strategy.trailingStop.value > 0)
        distanceInput("InpTrailingStop", m_strategy.trailingStop, {"Trailing stop", "移动止损", "移動停損"});
    if (m_strategy.breakEven.value > 0)
        distanceInput("InpBreakEven", m_strategy.breakEven,
                      {"Stop to the open price after a profit of", "盈利达到后止损移至开仓价", "獲利達到後停損移至開倉價"});
    if (m_strategy.closeAfterBars > 0)
        add(QStringLiteral("input int InpCloseAfterBars = %1;").arg(m_strategy.closeAfterBars)
            + comment({"Close a position after this many bars", "持仓达到此K线数后平仓", "持倉達到此K線數後平倉"}));
    if (m_strategy.closeAtMinute >= 0) {
        add(QStringLiteral("input int InpCloseHour = %1;").arg(m_strategy.closeAtMinute / 60)
            + comment({"Close everything at, hour", "全部平仓的时间：时", "全部平倉的時間：時"}));
        add(QStringLiteral("input int InpCloseMinute = %1;").arg(m_strategy.closeAtMinute % 60) + comment({"and minute", "分", "分"}));
    }
    if (m_strategy.fromMinute >= 0) {
        add(QStringLiteral("input int InpStartHour = %1;").arg(m_strategy.fromMinute / 60)
            + comment({"Trading hours: from, hour", "交易时间：开始，时", "交易時間：開始，時"}));
        add(QStringLiteral("input int InpStartMinute = %1;").arg(m_strategy.fromMinute % 60) + comment({"minute", "分", "分"}));
        add(QStringLiteral("input int InpEndHour = %1;").arg(m_strategy.toMinute / 60) + comment({"to, hour", "结束，时", "結束，時"}));
        add(QStringLiteral("input int InpEndMinute = %1;").arg(m_strategy.toMinute % 60) + comment({"minute", "分", "分"}));
    }
    if (m_strategy.weekdays) {
        static const QStringList days{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
        static const Words said[] = {{"Trade on Sunday", "周日交易", "週日交易"},       {"Trade on Monday", "周一交易", "週一交易"},
                                     {"Trade on Tuesday", "周二交易", "週二交易"},      {"Trade on Wednesday", "周三交易", "週三交易"},
                                     {"Trade on Thursday", "周四交易", "週四交易"},     {"Trade on Friday", "周五交易", "週五交易"},
                                     {"Trade on Saturday", "周六交易", "週六交易"}};
        for (int d = 0; d < 7; ++d)
            add(QStringLiteral("input bool Inp%1 = %2;").arg(days[d], (m_strategy.weekdays >> d) & 1 ? "true" : "false") + comment(said[d]));
    }
    if (m_strategy.maxSpread.value > 0)
        distanceInput("InpMaxSpread", m_strategy.maxSpread, {"Maximum spread", "最大点差", "最大點差"});
    if (m_strategy.martingaleSteps > 0) {
        add(QStringLiteral("input double InpMartingaleFactor = %1;").arg(numberText(m_strategy.martingaleFactor))
            + comment({"Lot multiplier after each loss in a row", "每次连续亏损后的手数倍数", "每次連續虧損後的手數倍數"}));
        add(QStringLiteral("input int InpMartingaleSteps = %1;").arg(m_strategy.martingaleSteps)
            + comment({"At most this many multiplications", "最多加倍的次数", "最多加倍的次數"}));
    }
    if (m_strategy.gridOrders > 0) {
        add(QStringLiteral("input int InpGridOrders = %1;").arg(m_strategy.gridOrders)
            + comment({"Grid: positions at most in one direction", "网格：同一方向最多的持仓数", "網格：同一方向最多的持倉數"}));
        distanceInput("InpGridStep", m_strategy.gridStep,
                      {"Grid: distance against the last position", "网格：与上一个持仓的逆向距离", "網格：與上一個持倉的逆向距離"});
    }
    if (m_strategy.martingaleSteps > 0 || m_strategy.gridOrders > 0 || m_strategy.riskPercent > 0)
        add(QStringLiteral("input double InpMaxLots = %1;").arg(numberText(m_strategy.maxLots))
            + comment({"Never more lots than this per position", "每个持仓的手数上限", "每個持倉的手數上限"}));
    if (m_strategy.stopLoss.unit == Unit::Atr || m_strategy.takeProfit.unit == Unit::Atr || m_strategy.trailingStop.unit == Unit::Atr)
        add(QStringLiteral("input int InpAtrPeriod = 14;")
            + comment({"ATR period of the distances in ATR", "以 ATR 计的距离所用的 ATR 周期", "以 ATR 計的距離所用的 ATR 週期"})
            + defaultMark(false, m_language));
    add(QStringLiteral("input int InpMaxPositions = %1;").arg(std::max(m_strategy.maxPositions, m_strategy.gridOrders))
        + comment({"Open positions at most", "最多的持仓数", "最多的持倉數"}) + defaultMark(m_strategy.maxPositionsGiven, m_language));
    add(QStringLiteral("input long InpMagicNumber = %1;").arg(m_strategy.magic)
        + comment({"Magic number of this EA's orders", "本 EA 订单的魔术号", "本 EA 訂單的魔術號"})
        + defaultMark(m_strategy.magicGiven, m_language));
    add(QStringLiteral("input int InpSlippage = 10;") + comment({"Slippage, points", "滑点，点", "滑點，點"}) + defaultMark(false, m_language));
    add(alert);
}

void Writer::accessors()
{
    for (const RuleCode &rule : m_rules) {
        for (const CodeLine &line : rule.lines) {
            const QString body = mql5() && !line.mql5Create.isEmpty()
                ? QStringLiteral("BufferValue(%1, %2, s)").arg(handleOf(line)).arg(line.buffer)
                : line.mql4;
            add(QStringLiteral("double %1(const int s)\n  {\n   return(%2);\n  }").arg(line.accessor, body));
        }
    }
}

void Writer::signalFunctions()
{
    const QString join = m_strategy.anyRule ? QStringLiteral(")\n          || (") : QStringLiteral(")\n          && (");
    for (const bool buy : {true, false}) {
        QStringList parts;
        for (const RuleCode &rule : m_rules)
            parts.append(buy ? rule.buy : rule.sell);
        add(QStringLiteral("// ") + say(buy ? Words{"The buy signal of the bar at shift s.", "偏移 s 处K线的买入信号。", "偏移 s 處K線的買入訊號。"}
                                             : Words{"The sell signal of the bar at shift s.", "偏移 s 处K线的卖出信号。", "偏移 s 處K線的賣出訊號。"})
            + QStringLiteral("\nbool %1Signal(const int s)\n  {\n   return((%2));\n  }").arg(buy ? "Buy" : "Sell", parts.join(join)));
    }
}

void Writer::expertBody()
{
    const QString shift = m_strategy.currentBar ? QStringLiteral("0") : QStringLiteral("1");
    add("int OnInit()\n  {");
    add("   if(InpLots <= 0.0 || InpStopLoss < 0.0 || InpTakeProfit < 0.0 || InpMaxPositions < 1)\n     {\n"
        "      Print(\"Lots and the number of positions must be positive, stop loss and take profit not negative\");\n"
        "      return(INIT_PARAMETERS_INCORRECT);\n     }");
    m_code += QStringLiteral("@HANDLES@");
    if (mql5()) {
        add("   ExtTrade.SetExpertMagicNumber((ulong)InpMagicNumber);\n   ExtTrade.SetDeviationInPoints((ulong)InpSlippage);\n"
            "   ExtTrade.SetTypeFillingBySymbol(_Symbol);");
    }
    add("   return(INIT_SUCCEEDED);\n  }");
    if (mql5())
        m_code += QStringLiteral("@RELEASE@");
    add(framed({"//| Manages the open positions, then follows the signals once a bar  |", "//| 管理持仓，然后每根K线跟随一次信号", "//| 管理持倉，然後每根K線跟隨一次訊號"})
        +         "void OnTick()\n  {");
    if (managesPositions())
        add("   ManagePositions();");
    if (!m_strategy.currentBar) {
        add("   datetime bar = iTime(_Symbol, InpTimeframe, 0);\n   if(bar == ExtLastBar)\n      return;\n   ExtLastBar = bar;");
    }
    if (filtersTrading())
        add("   if(!TradingAllowedNow())\n      return;");
    add(QStringLiteral("   bool buy  = BuySignal(%1);\n   bool sell = SellSignal(%1);").arg(shift));
    add("   if(InpAlert && (buy || sell))\n      Alert(_Symbol, \": \", buy ? \"buy\" : \"sell\", \" signal\");");
    if (m_strategy.closeOnOpposite) {
        add("   if(buy)\n      ClosePositions(-1);\n   if(sell)\n      ClosePositions(1);");
    }
    if (m_strategy.direction != Strategy::Direction::SellOnly)
        add("   if(buy && CountPositions(0) < InpMaxPositions)\n      OpenPosition(1);");
    if (m_strategy.direction != Strategy::Direction::BuyOnly)
        add("   if(sell && CountPositions(0) < InpMaxPositions)\n      OpenPosition(-1);");
    if (m_strategy.gridOrders > 0)
        add("   AddGridPosition();");
    add("  }");
}

void Writer::tradingLayer()
{
    if (mql5()) {
        add("bool SelectPosition(const int index)\n  {\n   ulong ticket = PositionGetTicket(index);\n"
            "   return(ticket != 0 && PositionGetString(POSITION_SYMBOL) == _Symbol\n"
            "          && PositionGetInteger(POSITION_MAGIC) == InpMagicNumber);\n  }\n"
            "int PositionSlots()\n  {\n   return(PositionsTotal());\n  }\n"
            "int PositionDirection()\n  {\n   return(PositionGetInteger(POSITION_TYPE) == POSITION_TYPE_BUY ? 1 : -1);\n  }\n"
            "double PositionOpenPrice()\n  {\n   return(PositionGetDouble(POSITION_PRICE_OPEN));\n  }\n"
            "double PositionStop()\n  {\n   return(PositionGetDouble(POSITION_SL));\n  }\n"
            "datetime PositionOpenTime()\n  {\n   return((datetime)PositionGetInteger(POSITION_TIME));\n  }\n"
            "void CloseSelected()\n  {\n   ulong ticket = (ulong)PositionGetInteger(POSITION_TICKET);\n"
            "   if(!ExtTrade.PositionClose(ticket))\n      Print(\"Closing position \", ticket, \" failed: \", ExtTrade.ResultRetcodeDescription());\n  }");
        if (m_strategy.trailingStop.value > 0 || m_strategy.breakEven.value > 0)
            add("void MoveStop(const double stop)\n  {\n   ulong ticket = (ulong)PositionGetInteger(POSITION_TICKET);\n"
                "   if(!ExtTrade.PositionModify(ticket, stop, PositionGetDouble(POSITION_TP)))\n"
                "      Print(\"Moving the stop of \", ticket, \" failed: \", ExtTrade.ResultRetcodeDescription());\n  }");
    } else {
        add("bool SelectPosition(const int index)\n  {\n"
            "   return(OrderSelect(index, SELECT_BY_POS, MODE_TRADES) && OrderSymbol() == _Symbol\n"
            "          && OrderMagicNumber() == InpMagicNumber && OrderType() <= OP_SELL);\n  }\n"
            "int PositionSlots()\n  {\n   return(OrdersTotal());\n  }\n"
            "int PositionDirection()\n  {\n   return(OrderType() == OP_BUY ? 1 : -1);\n  }\n"
            "double PositionOpenPrice()\n  {\n   return(OrderOpenPrice());\n  }\n"
            "double PositionStop()\n  {\n   return(OrderStopLoss());\n  }\n"
            "datetime PositionOpenTime()\n  {\n   return(OrderOpenTime());\n  }\n"
            "void CloseSelected()\n  {\n   double price = (OrderType() == OP_BUY) ? SymbolInfoDouble(_Symbol, SYMBOL_BID) : SymbolInfoDouble(_Symbol, SYMBOL_ASK);\n"
            "   if(!OrderClose(OrderTicket(), OrderLots(), price, InpSlippage))\n      Print(\"Closing order \", OrderTicket(), \" failed, error \", GetLastError());\n  }");
        if (m_strategy.trailingStop.value > 0 || m_strategy.breakEven.value > 0)
            add("void MoveStop(const double stop)\n  {\n"
                "   if(!OrderModify(OrderTicket(), OrderOpenPrice(), stop, OrderTakeProfit(), 0))\n"
                "      Print(\"Moving the stop of \", OrderTicket(), \" failed, error \", GetLastError());\n  }");
    }
    add(framed({"//| This EA's positions on this symbol: 1 buys, -1 sells, 0 all       |", "//| 本 EA 在此品种上的持仓数：1 买入，-1 卖出，0 全部", "//| 本 EA 在此商品上的持倉數：1 買入，-1 賣出，0 全部"})
        +         "int CountPositions(const int direction)\n  {\n   int count = 0;\n"
        "   for(int i = PositionSlots() - 1; i >= 0; i--)\n"
        "      if(SelectPosition(i) && (direction == 0 || PositionDirection() == direction))\n         count++;\n"
        "   return(count);\n  }\n"
        "void ClosePositions(const int direction)\n  {\n"
        "   for(int i = PositionSlots() - 1; i >= 0; i--)\n"
        "      if(SelectPosition(i) && PositionDirection() == direction)\n         CloseSelected();\n  }");
    add("double TradeLots(const double price)\n  {\n   double lots = InpLots;");
    if (m_strategy.riskPercent > 0) {
        add("   double tick_value = SymbolInfoDouble(_Symbol, SYMBOL_TRADE_TICK_VALUE);\n"
            "   double tick_size  = SymbolInfoDouble(_Symbol, SYMBOL_TRADE_TICK_SIZE);\n"
            "   double risked     = StopLossDistance(price) / tick_size * tick_value;\n"
            "   if(InpStopLoss > 0.0 && risked > 0.0)\n"
            "      lots = AccountInfoDouble(ACCOUNT_BALANCE) * InpRiskPercent / 100.0 / risked;");
    }
    if (m_strategy.martingaleSteps > 0) {
        add("   int losses = LossesInARow();\n   if(losses > 0)\n"
            "      lots = lots * MathPow(InpMartingaleFactor, MathMin(losses, InpMartingaleSteps));");
    }
    if (m_strategy.martingaleSteps > 0 || m_strategy.gridOrders > 0 || m_strategy.riskPercent > 0)
        add("   lots = MathMin(lots, InpMaxLots);");
    add("   double step = SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_STEP);\n   lots = MathFloor(lots / step) * step;\n"
        "   return(MathMax(SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_MIN), MathMin(lots, SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_MAX))));\n  }");
    add(framed({"//| Opens a position: 1 buys, -1 sells                               |", "//| 开仓：1 买入，-1 卖出", "//| 開倉：1 買入，-1 賣出"})
        +         "void OpenPosition(const int direction)\n  {\n"
        "   double price = (direction > 0) ? SymbolInfoDouble(_Symbol, SYMBOL_ASK) : SymbolInfoDouble(_Symbol, SYMBOL_BID);\n"
        "   double sl    = (InpStopLoss > 0.0) ? NormalizeDouble(price - direction * StopLossDistance(price), _Digits) : 0.0;\n"
        "   double tp    = (InpTakeProfit > 0.0) ? NormalizeDouble(price + direction * TakeProfitDistance(price), _Digits) : 0.0;\n"
        "   double lots  = TradeLots(price);");
    if (mql5()) {
        add("   bool sent = (direction > 0) ? ExtTrade.Buy(lots, _Symbol, price, sl, tp, \"TavrinAI\")\n"
            "                               : ExtTrade.Sell(lots, _Symbol, price, sl, tp, \"TavrinAI\");\n"
            "   if(!sent)\n      Print(\"Opening the position failed: \", ExtTrade.ResultRetcodeDescription());\n  }");
    } else {
        add("   if(OrderSend(_Symbol, (direction > 0) ? OP_BUY : OP_SELL, lots, price, InpSlippage, sl, tp, \"TavrinAI\", (int)InpMagicNumber, 0, clrNONE) < 0)\n"
            "      Print(\"Opening the order failed, error \", GetLastError());\n  }");
    }
    distanceFunction("StopLossDistance", "InpStopLoss", m_strategy.stopLoss);
    distanceFunction("TakeProfitDistance", "InpTakeProfit", m_strategy.takeProfit);
    if (managesPositions()) {
        add(framed({"//| Moves stops and closes positions as the exits ask                |", "//| 按出场条件移动止损并平仓", "//| 按出場條件移動停損並平倉"})
            +             "void ManagePositions()\n  {");
        if (m_strategy.closeAtMinute >= 0) {
            add("   MqlDateTime now;\n   TimeToStruct(TimeCurrent(), now);\n"
                "   datetime cutoff = TimeCurrent() - (now.hour * 3600 + now.min * 60 + now.sec) + InpCloseHour * 3600 + InpCloseMinute * 60;");
        }
        const bool movesStops = m_strategy.trailingStop.value > 0 || m_strategy.breakEven.value > 0;
        add("   for(int i = PositionSlots() - 1; i >= 0; i--)\n     {\n      if(!SelectPosition(i))\n         continue;");
        if (m_strategy.closeAfterBars > 0)
            add("      if(iBarShift(_Symbol, InpTimeframe, PositionOpenTime()) >= InpCloseAfterBars)\n        {\n         CloseSelected();\n         continue;\n        }");
        if (m_strategy.closeAtMinute >= 0)
            add("      if(TimeCurrent() >= cutoff && PositionOpenTime() < cutoff)\n        {\n         CloseSelected();\n         continue;\n        }");
        if (movesStops) {
            add("      int    direction = PositionDirection();\n"
                "      double price = (direction > 0) ? SymbolInfoDouble(_Symbol, SYMBOL_BID) : SymbolInfoDouble(_Symbol, SYMBOL_ASK);\n"
                "      double stop = PositionStop();");
        }
        if (m_strategy.breakEven.value > 0) {
            add("      if(InpBreakEven > 0.0 && direction * (price - PositionOpenPrice()) >= BreakEvenDistance(price)\n"
                "         && (stop == 0.0 || direction * (PositionOpenPrice() - stop) > 0.0))\n"
                "        {\n         stop = NormalizeDouble(PositionOpenPrice(), _Digits);\n         MoveStop(stop);\n        }");
        }
        if (m_strategy.trailingStop.value > 0) {
            add("      double trailed = NormalizeDouble(price - direction * TrailingDistance(price), _Digits);\n"
                "      if(InpTrailingStop > 0.0 && direction * (trailed - PositionOpenPrice()) > 0.0\n"
                "         && (stop == 0.0 || direction * (trailed - stop) >= _Point))\n"
                "         MoveStop(trailed);");
        }
        add("     }\n  }");
        if (m_strategy.trailingStop.value > 0)
            distanceFunction("TrailingDistance", "InpTrailingStop", m_strategy.trailingStop);
        if (m_strategy.breakEven.value > 0)
            distanceFunction("BreakEvenDistance", "InpBreakEven", m_strategy.breakEven);
    }
    if (filtersTrading()) {
        add(framed({"//| The time and spread filters                                      |", "//| 时间与点差过滤", "//| 時間與點差過濾"})
            +             "bool TradingAllowedNow()\n  {");
        if (m_strategy.fromMinute >= 0 || m_strategy.weekdays || m_strategy.closeAtMinute >= 0)
            add("   MqlDateTime now;\n   TimeToStruct(TimeCurrent(), now);");
        if (m_strategy.fromMinute >= 0 || m_strategy.closeAtMinute >= 0)
            add("   int minute = now.hour * 60 + now.min;");
        if (m_strategy.fromMinute >= 0) {
            add("   int start = InpStartHour * 60 + InpStartMinute;\n   int end = InpEndHour * 60 + InpEndMinute;\n"
                "   bool inside = (start <= end) ? (minute >= start && minute < end) : (minute >= start || minute < end);\n"
                "   if(!inside)\n      return(false);");
        }
        if (m_strategy.closeAtMinute >= 0)
            add("   if(minute >= InpCloseHour * 60 + InpCloseMinute)\n      return(false);");
        if (m_strategy.weekdays) {
            add("   bool day = (now.day_of_week == 0 && InpSunday) || (now.day_of_week == 1 && InpMonday)\n"
                "              || (now.day_of_week == 2 && InpTuesday) || (now.day_of_week == 3 && InpWednesday)\n"
                "              || (now.day_of_week == 4 && InpThursday) || (now.day_of_week == 5 && InpFriday)\n"
                "              || (now.day_of_week == 6 && InpSaturday);\n"
                "   if(!day)\n      return(false);");
        }
        if (m_strategy.maxSpread.value > 0) {
            add(QStringLiteral("   if(SymbolInfoInteger(_Symbol, SYMBOL_SPREAD) * _Point > InpMaxSpread * %1)\n      return(false);")
                    .arg(distanceFactor(m_strategy.maxSpread)));
        }
        add("   return(true);\n  }");
    }
    if (m_strategy.martingaleSteps > 0) {
        add(framed({"//| Closed losing trades of this EA in a row, the latest first       |", "//| 本 EA 最近连续亏损的已平仓交易数", "//| 本 EA 最近連續虧損的已平倉交易數"})
            +             "int LossesInARow()\n  {\n   int losses = 0;");
        if (mql5()) {
            add("   if(!HistorySelect(0, TimeCurrent()))\n      return(0);\n"
                "   for(int i = HistoryDealsTotal() - 1; i >= 0; i--)\n     {\n      ulong deal = HistoryDealGetTicket(i);\n"
                "      if(deal == 0 || HistoryDealGetString(deal, DEAL_SYMBOL) != _Symbol || HistoryDealGetInteger(deal, DEAL_MAGIC) != InpMagicNumber\n"
                "         || HistoryDealGetInteger(deal, DEAL_ENTRY) != DEAL_ENTRY_OUT)\n         continue;\n"
                "      if(HistoryDealGetDouble(deal, DEAL_PROFIT) >= 0.0)\n         break;\n      losses++;\n     }");
        } else {
            add("   for(int i = OrdersHistoryTotal() - 1; i >= 0; i--)\n     {\n"
                "      if(!OrderSelect(i, SELECT_BY_POS, MODE_HISTORY) || OrderSymbol() != _Symbol || OrderMagicNumber() != InpMagicNumber\n"
                "         || OrderType() > OP_SELL)\n         continue;\n"
                "      if(OrderProfit() >= 0.0)\n         break;\n      losses++;\n     }");
        }
        add("   return(losses);\n  }");
    }
    if (m_strategy.gridOrders > 0) {
        add(framed({"//| Another position when the price went the grid step against the   |\n"
            "//| newest one, up to InpGridOrders in one direction                 |",
            "//| 价格逆向移动一个网格间距时再开一个持仓，同一方向最多 InpGridOrders 个",
            "//| 價格逆向移動一個網格間距時再開一個持倉，同一方向最多 InpGridOrders 個"})
            +             "void AddGridPosition()\n  {\n   int direction = 0;\n   double newest = 0.0;\n   datetime newest_time = 0;\n"
            "   int count = 0;\n   for(int i = PositionSlots() - 1; i >= 0; i--)\n     {\n      if(!SelectPosition(i))\n         continue;\n"
            "      count++;\n      direction = PositionDirection();\n      if(PositionOpenTime() >= newest_time)\n        {\n"
            "         newest_time = PositionOpenTime();\n         newest = PositionOpenPrice();\n        }\n     }\n"
            "   if(count == 0 || count >= InpGridOrders || CountPositions(direction) != count)\n      return;\n"
            "   double price = (direction > 0) ? SymbolInfoDouble(_Symbol, SYMBOL_ASK) : SymbolInfoDouble(_Symbol, SYMBOL_BID);\n"
            "   if(direction * (newest - price) >= GridDistance(price))\n      OpenPosition(direction);\n  }");
        distanceFunction("GridDistance", "InpGridStep", m_strategy.gridStep);
    }
}

void Writer::indicatorBody()
{
    const QList<Plot> plotted = plotsOf(m_rules, m_strategy.colours);
    const bool anyOverlay = std::any_of(m_rules.begin(), m_rules.end(), [](const RuleCode &rule) { return rule.overlay; });
    const int arrows = m_strategy.arrows ? 2 : 0;
    const int buffers = int(plotted.size()) + arrows;
    QString head = QStringLiteral("#property indicator_%1\n#property indicator_buffers %2\n")
                       .arg(anyOverlay ? "chart_window" : "separate_window").arg(buffers);
    if (mql5())
        head += QStringLiteral("#property indicator_plots %1\n").arg(buffers);
    m_code.replace(QStringLiteral("@PROPERTIES@"), head);
    for (int i = 0; i < buffers; ++i)
        add(QStringLiteral("double ExtBuffer%1[];").arg(i));
    add("datetime ExtLastAlert = 0;");
    add("int OnInit()\n  {");
    m_code += QStringLiteral("@HANDLES@");
    for (int i = 0; i < buffers; ++i) {
        const bool arrow = i >= plotted.size();
        const QString colour = QStringLiteral("clr") + (arrow ? (i == plotted.size() ? "LimeGreen" : "Red") : plotted[i].colour);
        const QString label = arrow ? (i == plotted.size() ? "Buy" : "Sell") : plotted[i].line->accessor;
        const bool sar = !arrow && plotted[i].line->accessor.startsWith("Sar");
        add(QStringLiteral("   SetIndexBuffer(%1, ExtBuffer%1%2);").arg(i).arg(mql5() ? ", INDICATOR_DATA" : ""));
        if (mql5()) {
            add(QStringLiteral("   ArraySetAsSeries(ExtBuffer%1, true);\n   PlotIndexSetInteger(%1, PLOT_DRAW_TYPE, %2);\n"
                               "   PlotIndexSetInteger(%1, PLOT_LINE_COLOR, %3);\n   PlotIndexSetString(%1, PLOT_LABEL, \"%4\");\n"
                               "   PlotIndexSetDouble(%1, PLOT_EMPTY_VALUE, EMPTY_VALUE);")
                    .arg(i).arg(arrow || sar ? "DRAW_ARROW" : "DRAW_LINE", colour, label));
            if (arrow || sar)
                add(QStringLiteral("   PlotIndexSetInteger(%1, PLOT_ARROW, %2);").arg(i).arg(sar ? 159 : i == plotted.size() ? 233 : 234));
        } else {
            add(QStringLiteral("   SetIndexStyle(%1, %2, STYLE_SOLID, 1, %3);\n   SetIndexLabel(%1, \"%4\");\n   SetIndexEmptyValue(%1, EMPTY_VALUE);")
                    .arg(i).arg(arrow || sar ? "DRAW_ARROW" : "DRAW_LINE", colour, label));
            if (arrow || sar)
                add(QStringLiteral("   SetIndexArrow(%1, %2);").arg(i).arg(sar ? 159 : i == plotted.size() ? 233 : 234));
        }
    }
    QStringList levelInputs;
    for (const RuleCode &rule : m_rules) {
        if (!anyOverlay)
            levelInputs += rule.levelInputs;
    }
    if (!levelInputs.isEmpty()) {
        if (mql5())
            add(QStringLiteral("   IndicatorSetInteger(INDICATOR_LEVELS, %1);").arg(levelInputs.size()));
        for (int i = 0; i < levelInputs.size(); ++i) {
            add(mql5() ? QStringLiteral("   IndicatorSetDouble(INDICATOR_LEVELVALUE, %1, %2);").arg(i).arg(levelInputs[i])
                       : QStringLiteral("   SetLevelValue(%1, %2);").arg(i).arg(levelInputs[i]));
        }
    }
    add("   return(INIT_SUCCEEDED);\n  }");
    if (mql5())
        m_code += QStringLiteral("@RELEASE@");
    add(framed({"//| Fills the lines bar by bar, newest last                          |", "//| 逐根K线填充线条，最新的在最后", "//| 逐根K線填充線條，最新的在最後"})
        +         "int OnCalculate(const int rates_total, const int prev_calculated, const datetime &time[],\n"
        "                const double &open[], const double &high[], const double &low[], const double &close[],\n"
        "                const long &tick_volume[], const long &volume[], const int &spread[])\n  {\n"
        "   ArraySetAsSeries(time, true);\n   ArraySetAsSeries(high, true);\n   ArraySetAsSeries(low, true);\n"
        "   if(rates_total < 3)\n      return(0);\n"
        "   int limit = (int)MathMin(rates_total - 3, (prev_calculated > 0) ? rates_total - prev_calculated + 1 : 2000);\n"
        "   for(int i = limit; i >= 0; i--)\n     {\n"
        "      int s = (InpTimeframe == PERIOD_CURRENT) ? i : iBarShift(_Symbol, InpTimeframe, time[i]);");
    for (int i = 0; i < plotted.size(); ++i)
        add(QStringLiteral("      ExtBuffer%1[i] = %2(s);").arg(i).arg(plotted[i].line->accessor));
    if (arrows) {
        add(QStringLiteral("      double gap = 10 * _Point;\n      ExtBuffer%1[i] = BuySignal(s) ? low[i] - gap : EMPTY_VALUE;\n"
                           "      ExtBuffer%2[i] = SellSignal(s) ? high[i] + gap : EMPTY_VALUE;").arg(plotted.size()).arg(plotted.size() + 1));
    }
    add("     }");
    add("   int last = (InpTimeframe == PERIOD_CURRENT) ? 1 : iBarShift(_Symbol, InpTimeframe, time[1]);\n"
        "   if(InpAlert && time[0] != ExtLastAlert && (BuySignal(last) || SellSignal(last)))\n     {\n"
        "      ExtLastAlert = time[0];\n      Alert(_Symbol, \": \", BuySignal(last) ? \"buy\" : \"sell\", \" signal\");\n     }\n"
        "   return(rates_total);\n  }");
}

// The small functions the code above calls, each only where it is called.
void Writer::helpers()
{
    const auto uses = [this](const char *name) { return m_code.contains(QLatin1String(name) + QLatin1String("(")); };
    if (uses("BarClose"))
        add("double BarClose(const int s)\n  {\n   return(iClose(_Symbol, InpTimeframe, s));\n  }");
    if (uses("BarHigh"))
        add("double BarHigh(const int s)\n  {\n   return(iHigh(_Symbol, InpTimeframe, s));\n  }");
    if (uses("BarLow"))
        add("double BarLow(const int s)\n  {\n   return(iLow(_Symbol, InpTimeframe, s));\n  }");
    if (uses("PipSize"))
        add("double PipSize()\n  {\n   return((_Digits == 3 || _Digits == 5) ? 10 * _Point : _Point);\n  }");
    if (uses("AtrValue")) {
        const QString body = mql5() ? QStringLiteral("BufferValue(%1, 0, 1)").arg(handleOf({{}, {}, {}, "iATR(_Symbol, InpTimeframe, InpAtrPeriod)", 0}))
                                    : QStringLiteral("iATR(_Symbol, InpTimeframe, InpAtrPeriod, 1)");
        add(QStringLiteral("double AtrValue()\n  {\n   return(%1);\n  }").arg(body));
    }
    if (uses("BufferValue"))
        add("double BufferValue(const int handle, const int buffer, const int shift)\n  {\n   double value[1];\n"
            "   if(CopyBuffer(handle, buffer, shift, 1, value) != 1)\n      return(EMPTY_VALUE);\n   return(value[0]);\n  }");
    QString handles;
    QString globals;
    QString release;
    if (mql5()) {
        for (int i = 0; i < m_handles.size(); ++i) {
            globals += QStringLiteral("int ExtHandle%1 = INVALID_HANDLE;\n").arg(i);
            release += QStringLiteral("   IndicatorRelease(ExtHandle%1);\n").arg(i);
            handles += QStringLiteral("   ExtHandle%1 = %2;\n   if(ExtHandle%1 == INVALID_HANDLE)\n     {\n"
                                      "      Print(\"Cannot create an indicator, error \", GetLastError());\n      return(INIT_FAILED);\n     }\n")
                           .arg(i)
                           .arg(m_handles[i]);
        }
    }
    m_code.replace(QStringLiteral("@HANDLES@"), handles);
    m_code.replace(QStringLiteral("@GLOBALS@"), globals);
    if (!release.isEmpty())
        release = QStringLiteral("void OnDeinit(const int reason)\n  {\n") + release + QStringLiteral("  }\n");
    m_code.replace(QStringLiteral("@RELEASE@"), release);
}

QString Writer::program(const QStringList &header)
{
    m_code = QStringLiteral("/*\n");
    for (const QString &line : header)
        m_code += QStringLiteral("   ") + QString(line).replace(QLatin1String("*/"), QLatin1String("* /")) + u'\n';
    m_code += QStringLiteral("*/\n");
    const qsizetype strategyLineAt = m_code.size();
    add("#property copyright \"TavrinAI\"\n#property version   \"1.00\"");
    if (!mql5())
        add("#property strict");
    if (m_target.indicator)
        m_code += QStringLiteral("@PROPERTIES@");
    if (mql5() && !m_target.indicator)
        add("#include <Trade\\Trade.mqh>");
    add("");
    inputs();
    add("");
    m_code += QStringLiteral("@GLOBALS@");
    if (!m_target.indicator) {
        add("datetime ExtLastBar = 0;");
        if (mql5())
            add("CTrade   ExtTrade;");
        expertBody();
    } else {
        indicatorBody();
    }
    signalFunctions();
    accessors();
    if (!m_target.indicator)
        tradingLayer();
    helpers();
    // The line carries the digest of everything else, so that a program changed outside (or a
    // line copied into another program) is never taken for this one.
    QJsonObject line = m_strategy.toJson();
    line.insert(QStringLiteral("digest"), programDigest(m_code));
    m_code.insert(strategyLineAt, QString::fromUtf16(strategyLinePrefix)
                                      + QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) + u'\n');
    return m_code;
}

} // namespace

QString writeProgram(const Strategy &strategy, const Target &target, const QStringList &header, Language language)
{
    return Writer(strategy, target, language).program(header);
}

QString programDigest(const QString &programWithoutLine)
{
    // Saved on Windows, the program's lines end in CRLF: the same program all the same.
    QString text = programWithoutLine;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QStringList drawnLines(const Strategy &strategy)
{
    QStringList lines;
    const QList<RuleCode> rules = rulesCode(strategy, Language::English);
    for (const Plot &plot : plotsOf(rules, strategy.colours))
        lines.append(QStringLiteral("%1 (%2)").arg(plot.line->accessor, plot.colour));
    return lines;
}

} // namespace offline
