#include "lexicon.h"

#include <algorithm>

namespace offline {

namespace {

void englishSubjects(Lexicon &words)
{
    SubjectNames &s = words.subjects;
    s.period = {"\\bperiods?\\b", "\\blength\\b", "\\blookback\\b"};
    s.level = {"over-?bought", "over-?sold", "\\b(?:upper |lower )?(?:levels?|lines?)\\b"};
    s.trailing = {"trailing(?: stop(?:[- ]?loss)?)?", "\\btrail\\b"};
    s.stopLoss = {"stop[- ]?loss(?:es)?", "\\bsl\\b", "\\bstop\\b(?! (?:trading|out))"};
    s.takeProfit = {"take[- ]?profit", "\\btp\\b", "profit target"};
    s.breakEven = {"break[- ]?even"};
    s.atrMultiple = {"(\\d+(?:\\.\\d+)?)\\s*(?:x|×|times)?\\s*(?:the\\s+)?(?:atr|average true range)"};
    s.maxLots = {"max(?:imum)? lots?(?: size)?", "lot cap"};
    s.lots = {"\\blots?\\b", "lot size", "position size"};
    s.risk = {"\\brisk(?:ing|s)?\\b"};
    s.martingale = {"martingale", "(?:doubles?|doubling) (?:the )?lots?(?: size)? after (?:a |each |every )?(?:loss|losing trade|loser)"};
    s.grid = {"\\bgrid\\b"};
    s.spread = {"\\bspread\\b"};
    s.positions = {"\\b(?:only )?(?:1|a single) (?:open )?(?:position|trade|order)s?(?: at a time| per symbol)?",
                   "(?:at most|max(?:imum)?|up to|no more than) (\\d+) (?:open )?(?:positions?|trades?|orders?)"};
    s.magic = {"magic(?: number)?\\s*(?:=|:|is|of)?\\s*(\\d+)"};
    s.hours = {"(?:(?:trade |trading )?(?:only )?between (\\d{1,2})(:\\d{2})?\\s*(am|pm|h)? (?:and|-) (\\d{1,2})(:\\d{2})?\\s*(am|pm|h)?)",
               "(?:(?:trading hours|session|hours|from) :?\\s*(\\d{1,2})(:\\d{2}|\\s*am|\\s*pm|h) ?(?:-|to|until|till) ?(\\d{1,2})(:\\d{2}|\\s*am|\\s*pm|h)?)",
               "(?:(\\d{1,2}):(\\d{2})\\s*(?:-|to|~)\\s*(\\d{1,2}):(\\d{2}))",
               "(?:trading hours\\s*:?\\s*(\\d{1,2})\\s*-\\s*(\\d{1,2}))"};
    s.timeFilter = {"time filter", "hours filter", "session filter", "trading hours"};
    s.dayFilter = {"day filter", "weekday filter"};
    s.timeframe = {"\\b(?:m15|m30|m1|m5|h1|h4|d1|w1|mn1?)\\b",
                   "\\d+[- ]?(?:minute|min|hour)s?(?:[- ](?:chart|timeframe|candles?|bars?))?",
                   "\\b(?:daily|weekly|monthly|hourly)\\b(?: chart)?"};
    s.currentBar = {"(?:on|at) (?:the )?(?:current|open|forming|live) (?:bar|candle)", "every tick", "intra-?bar"};
    s.closedBar = {"(?:on|at) (?:the )?(?:last )?(?:closed|completed) (?:bar|candle)"};
    s.direction = {"(?:buy|long)s? only", "only (?:buy|long)s?", "(?:sell|short)s? only", "only (?:sell|short)s?", "both directions"};
    // "close on the opposite signal", "don't close on a reverse signal".
    s.opposite = {"(?:(?:" + words.dont.join(u'|') + ") )?(?:close|exit)\\w* (?:\\w+ )?(?:on|at) (?:the |an )?(?:opposite|reverse|reversal) signal"};
    s.closeAfter = {"(?:close|exit)\\w* (?:\\w+ )?after (\\d+) (?:bars?|candles?)"};
    s.closeAt = {"(?:close|exit)\\w* (?:\\w+ ){0,2}(?:at|by) (\\d{1,2})(?::(\\d{2})|\\s*(am|pm))"};
    s.arrows = {"\\barrows?\\b"};
    s.alert = {"\\balerts?\\b", "\\balarms?\\b", "notif(?:y|ication)"};
    s.news = {"(?:high[- ]impact )?\\bnews\\b", "economic calendar", "non-?farm", "\\bnfp\\b",
              "central banks?(?:'s)?(?: (?:interest )?rate)?(?: decisions?| announcements?| meetings?)?",
              "(?:interest )?rate decisions?", "\\bfomc\\b"};
    s.machineLearning = {"machine learning", "neural(?: networks?)?", "\\bai\\b", "artificial intelligence", "deep learning"};
    s.otherSymbols = {"multiple (?:symbols|pairs|currencies)", "all (?:pairs|symbols)", "basket", "correlat\\w*", symbolName(),
                      "other (?:symbols?|pairs?)"};
    s.otherAccount = {"cop(?:y|ies|ying) (?:the )?(?:trades?|orders?|positions?|signals?)(?: (?:of|from) (?:an)?other (?:account|trader)s?)?",
                      "trade copier", "(?:an)?other (?:account|trader)'?s? (?:trades|orders|positions)"};
    s.orderBook = {"order ?book", "market depth", "\\bdom\\b", "level 2\\b"};
    s.outsideData = {"telegram", "twitter", "e-?mails?", "webhook", "web ?request", "\\bapi\\b", "\\bcsv(?: files?)?\\b",
                     "(?:from|read) (?:a |the )?file", "database", "sentiment", "fundamental\\w*", "interest rates?"};
    s.pattern = {"(?:(?:bullish|bearish|hidden|regular) )*divergences?", "engulfing", "pin ?bars?", "doji", "hammer",
                 "candlestick patterns?", "head and shoulders", "double (?:top|bottom)", "elliott(?: waves?)?", "fibo(?:nacci)?",
                 "harmonic", "support and resistance", "supply and demand"};
    s.otherIndicator = {"ichimoku(?: cloud)?", "williams(?: %r)?", "\\bobv\\b", "on balance volume", "vwap", "volume profile", "keltner",
                        "envelopes?", "heikin[- ]ashi", "heiken[- ]ashi", "zig ?zag", "fractals?", "alligator", "awesome oscillator",
                        "pivot points?", "super ?trend"};
}

void simplifiedChineseSubjects(SubjectNames &s)
{
    s.period = {"周期"};
    s.level = {"超买", "超卖", "水平线?"};
    s.trailing = {"移动止损", "追踪止损", "跟踪止损"};
    s.stopLoss = {"止损"};
    s.takeProfit = {"止盈", "获利目标"};
    s.breakEven = {"保本"};
    s.atrMultiple = {"(\\d+(?:\\.\\d+)?)\\s*倍\\s*(?:atr|average true range)"};
    s.maxLots = {"最大手数"};
    s.lots = {"手数", "(?<=\\d)\\s*手"};
    s.risk = {"风险"};
    s.martingale = {"马丁(?:格尔)?", "亏损后加倍"};
    s.grid = {"网格"};
    s.spread = {"点差"};
    s.positions = {"(?:最多|至多)\\s*(\\d+)\\s*(?:个|单|笔)?\\s*(?:持仓|订单|仓位)?", "只(?:持有)?1\\s*(?:个|单)?\\s*(?:仓位|持仓)"};
    s.magic = {"(?:魔术号|魔术数字)\\s*(\\d+)"};
    s.hours = {"(?:(\\d{1,2}):(\\d{2})\\s*(?:到|至)\\s*(\\d{1,2}):(\\d{2}))",
               "(?:(?:交易时间|时段)?\\s*(\\d{1,2})\\s*[点时]?\\s*(?:到|至|-)\\s*(\\d{1,2})\\s*[点时])",
               "(?:交易时间\\s*:?\\s*(\\d{1,2})\\s*-\\s*(\\d{1,2}))"};
    s.timeFilter = {"时间过滤", "交易时间"};
    s.dayFilter = {"日期过滤", "星期过滤"};
    s.timeframe = {"\\d+\\s*(?:分钟|小时)(?:图|线|k线|周期)?", "日线", "周线", "月线"};
    s.currentBar = {"当前k线", "实时"};
    s.closedBar = {"收盘确认"};
    s.direction = {"只做多", "只买", "仅做多", "只做空", "只卖", "仅做空", "双向"};
    s.opposite = {"反向信号平仓"};
    s.closeAfter = {"(\\d+)\\s*根\\s*k线\\s*(?:后|之后)?\\s*平仓"};
    s.closeAt = {"(\\d{1,2})(?::(\\d{2})|\\s*点)\\s*平仓"};
    s.arrows = {"箭头"};
    s.alert = {"提醒", "警报", "提示"};
    s.news = {"(?:避开)?新闻", "非农", "财经日历", "央行(?:利率)?(?:决议|决定)?", "利率决议"};
    s.machineLearning = {"机器学习", "神经网络", "人工智能"};
    s.otherSymbols = {"多(?:个)?(?:品种|货币对)", "相关性", "篮子"};
    s.otherAccount = {"跟单", "复制(?:其他|别人的|另一个)?(?:账户)?的?(?:交易|订单)"};
    s.orderBook = {"订单簿", "市场深度"};
    s.outsideData = {"情绪", "基本面", "电报", "邮件", "数据库"};
    s.pattern = {"背离", "吞没", "十字星", "锤子线", "形态", "斐波那契", "支撑", "阻力"};
    s.otherIndicator = {"一目均衡表?", "云图", "威廉", "成交量", "分形", "鳄鱼", "枢轴点"};
}

void traditionalChineseSubjects(SubjectNames &s)
{
    s.period = {"週期"};
    s.level = {"超買", "超賣", "水平線?"};
    s.trailing = {"移動止損", "移動停損", "追蹤止損", "跟蹤止損"};
    s.stopLoss = {"止損", "停損"};
    s.takeProfit = {"止盈", "停利", "獲利目標"};
    s.breakEven = {"保本"};
    s.atrMultiple = {"(\\d+(?:\\.\\d+)?)\\s*倍\\s*(?:atr|average true range)"};
    s.maxLots = {"最大手數"};
    s.lots = {"手數", "(?<=\\d)\\s*手"};
    s.risk = {"風險"};
    s.martingale = {"馬丁(?:格爾)?", "虧損後加倍"};
    s.grid = {"網格"};
    s.spread = {"點差"};
    s.positions = {"(?:最多|至多)\\s*(\\d+)\\s*(?:個|單|筆)?\\s*(?:持倉|訂單|倉位)?", "只(?:持有)?1\\s*(?:個|單)?\\s*(?:倉位|持倉)"};
    s.magic = {"(?:魔術號|魔術數字)\\s*(\\d+)"};
    s.hours = {"(?:(\\d{1,2}):(\\d{2})\\s*(?:到|至)\\s*(\\d{1,2}):(\\d{2}))",
               "(?:(?:交易時間|時段)?\\s*(\\d{1,2})\\s*[點時]?\\s*(?:到|至|-)\\s*(\\d{1,2})\\s*[點時])",
               "(?:交易時間\\s*:?\\s*(\\d{1,2})\\s*-\\s*(\\d{1,2}))"};
    s.timeFilter = {"時間過濾", "交易時間"};
    s.dayFilter = {"日期過濾", "星期過濾"};
    s.timeframe = {"\\d+\\s*(?:分鐘|小時)(?:圖|線|k線|週期)?", "日線", "週線", "月線"};
    s.currentBar = {"當前k線", "實時"};
    s.closedBar = {"收盤確認"};
    s.direction = {"只做多", "只買", "僅做多", "只做空", "只賣", "僅做空", "雙向"};
    s.opposite = {"反向信號平倉"};
    s.closeAfter = {"(\\d+)\\s*根\\s*k線\\s*(?:後|之後)?\\s*平倉"};
    s.closeAt = {"(\\d{1,2})(?::(\\d{2})|\\s*點)\\s*平倉"};
    s.arrows = {"箭頭"};
    s.alert = {"提醒", "警報", "提示"};
    s.news = {"(?:避開)?新聞", "非農", "財經日曆", "央行(?:利率)?(?:決議|決定)?", "利率決議"};
    s.machineLearning = {"機器學習", "神經網路", "人工智慧"};
    s.otherSymbols = {"多(?:個)?(?:品種|貨幣對)", "相關性", "籃子"};
    s.otherAccount = {"跟單", "複製(?:其他|別人的|另一個)?(?:帳戶)?的?(?:交易|訂單)"};
    s.orderBook = {"訂單簿", "市場深度"};
    s.outsideData = {"情緒", "基本面", "電報", "郵件", "資料庫"};
    s.pattern = {"背離", "吞沒", "十字星", "錘子線", "形態", "斐波那契", "支撐", "阻力"};
    s.otherIndicator = {"一目均衡表?", "雲圖", "威廉", "成交量", "分形", "鱷魚", "樞軸點"};
}

Lexicon english()
{
    Lexicon words;
    words.fillers = {
        "a", "an", "the", "and", "or", "but", "then", "when", "whenever", "if", "while", "is", "are", "be",
        "it", "its", "it's", "that", "which", "this", "these", "to", "of", "on", "in", "at", "by", "for",
        "with", "from", "as", "please", "make", "create", "write", "build", "code", "generate", "give", "me",
        "i", "want", "need", "would", "like", "can", "you", "expert", "advisor", "advisors", "ea", "eas",
        "robot", "bot", "indicator", "indicators", "mt4", "mt5", "mql4", "mql5", "metatrader", "strategy",
        "system", "trade", "trades", "trading", "open", "opens", "opening", "enter", "enters", "entry",
        "entries", "buy", "buys", "buying", "sell", "sells", "selling", "long", "longs", "short", "shorts",
        "position", "positions", "order", "orders", "signal", "signals", "use", "uses", "using", "based",
        "set", "add", "also", "change", "switch", "replace", "instead", "now", "chart", "line", "lines",
        "value", "level", "levels", "cross", "crosses", "crossing", "crossed", "crossover", "crossovers",
        "above", "below", "over", "under", "price", "prices", "close", "closes", "closing", "closed", "bar",
        "bars", "candle", "candles", "show", "shows", "plot", "plots", "draw", "draws", "display", "just",
        "only", "every", "each", "after", "back", "into", "inside", "up", "down", "rises", "rise", "falls",
        "fall", "drops", "drop", "goes", "go", "moves", "than", "higher", "lower", "my", "will", "should",
        "must", "simple", "new", "exit", "exits", "filter", "remove", "delete", "disable", "no", "without",
        "don't", "not", "do", "turn", "off", "keep", "put", "points", "point", "pips", "pip", "so", "there",
        "has", "have", "one", "all", "per", "same", "get", "let", "let's", "made", "too", "both", "sides",
        "side", "direction", "directions", "zone", "window", "separate", "main", "own", "thing", "rule",
        "rules", "condition", "conditions", "confirm", "confirms", "confirmation", "touches", "touch",
        "outside", "returns", "return", "histogram", "zero", "positive", "negative", "turns", "flips",
        "flip", "band", "bands", "middle", "upper", "+di", "-di", "di", "out", "%k", "%d", "k", "d", "times",
        "x", "high", "low", "highs", "lows", "n", "last", "previous", "current", "size", "amount", "fixed",
        "lot", "account", "balance", "stop", "stops", "loss", "profit", "target", "time", "hours", "hour",
        "day", "days", "timeframe", "period", "periods", "default", "defaults", "values", "steps", "step",
        "max", "maximum", "cap", "multiplier", "factor", "distance", "apart", "away", "more", "less",
        "greater", "equal", "equals", "version", "program", "script", "thanks", "thank", "again", "way",
        "rather", "around", "other", "opposite", "reverse", "reversal", "trend", "trends", "follow",
        "following", "market", "dot", "dots", "read", "reads", "data", "feed", "golden", "death", "paint",
        "paints", "mark", "marks", "channel", "channels", "filters"};
    words.pointUnits = {"points?", "pts?"};
    words.pipUnits = {"pips?"};
    words.percent = {"%", "percent"};
    words.numbers = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten",
                     "eleven", "twelve", "thirteen", "fourteen", "fifteen", "sixteen", "seventeen",
                     "eighteen", "nineteen"};
    words.tens = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
    words.multipliers = {"hundred"};
    words.point = QStringLiteral("point");
    words.buys = {"\\b(?:buy|buys|buying|long)\\b"};
    words.sells = {"\\b(?:sell|sells|selling|short)\\b"};
    words.either = {"\\bor\\b", "either"};
    words.negations = {"\\bremove", "\\bdelete", "\\bdrop", "\\bdisable", "\\bturn off", "\\bcancel", "\\bno", "\\bwithout",
                       "\\bdon'?t (?:use|want|need)", "\\bdo not (?:use|want|need)"};
    words.switches = {"\\b(?:switch|change|convert|turn|replace)\\w*\\b.{0,30}"};
    words.bars = {"bars?", "candles?", "periods?", "days?"};
    words.setTo = {"of", "=", ":", "to"};
    words.levelTo = {"of", "at", "to", "=", ":"};
    words.is = {"of", "=", ":", "is"};
    words.joiners = {"and"};
    words.above = {"above", "over", "higher than", ">"};
    words.below = {"below", "under", "lower than", "<"};
    words.back = {"(?:cross\\w*|leaves?|exits?|comes?)(?:\\s+back)?", "back"};
    words.moveTo = {"(?:changed? |set |move[sd]? )?(?:to|at)", "of", "=", ":", "is", "after"};
    words.profit = {"profit of", "in profit by", "profit"};
    words.atMost = {"below", "under", "less than", "<", "<=", "max(?:imum)?", "of", "up to", "at most", "not above", "above"};
    words.upTo = {"max(?:imum)?", "up to", "at most"};
    words.gridUnits = {"orders?", "levels?", "steps?", "positions?", "trades?"};
    words.gridStep = {"every", "each", "spaced", "step(?: of)?"};
    words.martingaleUnits = {"steps?", "times", "levels?", "doublings?"};
    words.multiplier = {"multiplier", "factor"};
    words.times = {"x", "×"};
    words.indicatorWord = {"indicator"};
    words.valueJoiners = {"\\band\\b", "\\bwith\\b"};
    words.afterValue = {"%", "points?", "pips?", "lots?"};
    words.crossover = {"cross(?:over)?"};
    words.crossed = {"cross\\w*"};
    words.price = {"price", "close"};
    words.sides = {"\\b(?:above|below|over|under)\\b", ">", "<"};
    words.connectors = {"\\b(?:of|on|in|with|between|the|an?)\\b", "'s\\b"};
    words.patternAdjectives = {"\\b(?:bullish|bearish|hidden|regular)\\s*"};
    words.excluding = {"^(?:not|no|don|do not|except|excluding|skip|avoid)"};
    words.line = {"line"};
    words.upperLevel = {"bought", "upper"};
    words.lowerLevel = {"sold", "lower"};
    words.both = {"both"};
    words.buySide = {"buy", "long"};
    words.through = {"to", "-", "through", "thru", "until", "~"};
    words.rebuild = {"^\\W*(?:please\\s+)?(?:rebuild|regenerate|rewrite)(?:\\s+it)?(?:\\s+from\\s+(?:its|the)\\s+description)?\\W*$"};
    words.crossesLevel = {"\\bcross(?:es|ing)?"};
    words.instead = {"\\binstead\\b"};
    words.dont = {"don'?t", "do not", "never"};
    words.levelVerbs = {"drops?", "falls?", "rises?", "goes", "moves?", "is"};
    words.articles = {"the", "a", "any", "an"};
    words.levelNouns = {"level", "line"};
    words.valueLeads = {"period", "length", "of", "with", "="};
    words.riskIs = {"of", "=", ":", "is", "per trade"};
    words.ofBalance = {"of (?:the )?(?:account|balance)"};
    words.gridCount = {"of", "with"};
    words.apart = {"apart"};
    words.lotSize = {"size"};
    words.limitIs = {"is"};
    words.factorOf = {"of"};
    words.timesBefore = {"x", "×"};
    words.atr = {"atr"};
    words.lineArticle = {"the"};
    words.periodWord = {"period"};
    words.valueIs = {"of", "=", ":"};
    words.morning = {"am"};
    words.afternoon = {"pm"};
    words.days = {{"sun"}, {"mon"}, {"tue", "tues"}, {"wed", "wednes"}, {"thu", "thur", "thurs"}, {"fri"}, {"sat", "satur"}};
    words.daySaid = QStringLiteral("\\b%1(?:day)?s?\\b");
    words.workdays = {"\\bweekdays?(?: only)?\\b"};
    words.notOnDays = {"not", "no trading", "don'?t trade", "do not trade", "no trades", "except", "excluding", "skip", "avoid"};
    words.onDays = {"on"};
    words.dayJoiners = {"to", "-", "through", "thru", "until", "~", "and", ",", "or", "&"};
    words.colours = {{"red"}, {"green"}, {"blue"}, {"yellow"}, {"orange"}, {"white"}, {"black"}, {"gray", "grey"},
                     {"magenta", "purple"}, {"aqua"}, {"lime"}, {"gold"}};
    words.colourSaid = QStringLiteral("\\b%1\\b");
    words.methods = {{"simple"}, {"exponential"}, {"smoothed"}, {"(?:linear )?weighted"}};
    words.timeframes = {{"^m1$", "^1[- ]?min"}, {"^m5$", "^5[- ]?min"}, {"^m15$", "^15[- ]?min"}, {"^m30$", "^30[- ]?min"},
                        {"^h1$", "^1[- ]?hour", "^hourly"}, {"^h4$", "^4[- ]?hour"}, {"^d1$", "daily"}, {"^w1$", "weekly"},
                        {"^mn1?$", "monthly"}};
    englishSubjects(words);
    return words;
}

Lexicon simplifiedChinese()
{
    Lexicon words;
    words.fillers = QStringLiteral(
        "帮我|请|写|做|编写|生成|创建|一个|个|的|当|时候|时|买入|卖出|买|卖|开仓|开多|开空|"
        "做多|做空|平仓|信号|指标|策略|交易|系统|智能|程序|程式|和|且|并且|同时|或者|或|在|"
        "用|使用|以|上穿|下穿|穿过|上破|下破|跌破|突破|高于|低于|大于|小于|超过|之上|之下|"
        "以上|以下|上方|下方|价格|收盘价|收盘|k线|根|金叉|死叉|交叉|设置|设为|设|为|是|把|"
        "将|改成|改为|换成|改用|加上|增加|添加|加|去掉|去除|取消|删除|不要|不用|不设|没有|无|"
        "关闭|每|笔|单|点|点数|手|倍|次|后|之后|最多|最大|只|仅|图表|图|线|显示|画|出|入|"
        "场|进场|出场|离场|条件|过滤|限制|回到|回|带内|轨|上轨|下轨|中轨|零轴|柱|柱状图|主线|"
        "信号线|天|了|吧|呢|啊|我|要|想|需要|可以|能|会|就|再|也|都|还|让|给|对|方向|"
        "个点|周期|风险|账户|向上|向下|弹出|发出|余额|百分之|一|每笔|均线|移动|持仓|时间|分钟|"
        "小时|止损|止盈|到|至|值|参数|默认|预设|水平|水平线|区|区域|从|黄金|死亡|多空|两条|"
        "条").split(u'|');
    words.pointUnits = {"点数", "点", "个点", "基点"};
    words.numbers = QStringLiteral("零一二三四五六七八九").split(QString(), Qt::SkipEmptyParts);
    words.multipliers = {"十", "百", "千"};
    words.two = QStringLiteral("两");
    words.point = QStringLiteral("点");
    words.measures = QStringLiteral("根次倍点手单笔%层小分日天周");
    words.numberedAfter = QStringLiteral("周期拜");
    words.lineCounter = QStringLiteral("条");
    words.buys = {"买", "做多"};
    words.sells = {"卖", "做空"};
    words.either = {"或者?", "任一"};
    words.negations = {"去掉", "去除", "取消", "删除", "不要", "不用", "不设", "没有", "无", "关闭"};
    words.switches = {"改成\\s*", "改为\\s*", "换成\\s*", "改用\\s*"};
    words.bars = {"根k线", "周期"};
    words.setTo = {"改为", "改成", "设为", "为"};
    words.levelTo = {"为", "改成", "改为"};
    words.is = {"为"};
    words.joiners = {"和", "与"};
    words.above = {"高于", "大于", "超过", "突破", "上穿"};
    words.below = {"低于", "小于", "跌破", "下穿"};
    words.back = {"回到", "重回"};
    words.moveTo = {"为", "设为", "设置为", "改成", "改为", "换成", "调到", "调整为", "移到", "移至"};
    words.profit = {"获利", "盈利", "赚"};
    words.atMost = {"小于", "低于", "不超过", "最大", "超过"};
    words.upTo = {"最多"};
    words.gridUnits = {"单", "层", "个"};
    words.gridStep = {"间距", "相距"};
    words.doubling = {"加倍", "翻倍"};
    words.martingaleUnits = {"次", "步", "层"};
    words.multiplier = {"倍数", "乘以", "乘"};
    words.times = {"倍"};
    words.indicatorWord = {"指标"};
    words.valueJoiners = {"和", "与"};
    words.afterValue = {"点", "手"};
    words.crossover = {"交叉"};
    words.crossed = {"交叉", "金叉", "死叉"};
    words.price = {"收盘", "价格"};
    words.sides = {"高于", "低于", "之上", "之下", "上方", "下方"};
    words.connectors = {"的"};
    words.patternAdjectives = {"看涨", "看跌", "顶", "底"};
    words.excluding = {"^不在", "不交易"};
    words.line = {"线"};
    words.upperLevel = {"买"};
    words.lowerLevel = {"卖"};
    words.crossing = {"上穿", "下穿"};
    words.both = {"双"};
    words.buySide = {"多", "买"};
    words.rebuild = {"^\\W*请?(?:重新生成|重建)\\W*$"};
    words.through = {"到", "至", "~"};
    words.sideAfterLevel = {"以下", "之下", "以上", "之上"};
    words.sideAfterLine = {"之上", "之下", "上方", "下方"};
    words.days = {{"日", "天"}, {"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}};
    words.daySaid = QStringLiteral("(?:周|星期|礼拜)%1");
    words.workdays = {"工作日"};
    words.notOnDays = {"不在"};
    words.dayJoiners = {"到", "至", "~", "-", ",", "、", "和", "与", "或"};
    words.afterDays = {"不交易"};
    words.colours = {{"红"}, {"绿"}, {"蓝"}, {"黄"}, {"橙"}, {"白"}, {"黑"}, {"灰"}, {"紫"}, {}, {}, {}};
    words.colourSaid = QStringLiteral("%1色");
    words.methods = {{"简单"}, {"指数"}, {"平滑"}, {"加权"}};
    words.timeframes = {{"^1\\s*分"}, {"^5\\s*分"}, {"^15\\s*分"}, {"^30\\s*分"}, {"^1\\s*小"}, {"^4\\s*小"}, {"日"}, {"周线"}, {"月"}};
    simplifiedChineseSubjects(words.subjects);
    return words;
}

Lexicon traditionalChinese()
{
    Lexicon words;
    words.fillers = QStringLiteral(
        "幫我|請|寫|做|編寫|生成|創建|一個|個|的|當|時候|時|買入|賣出|買|賣|開倉|開多|開空|"
        "做多|做空|平倉|信號|指標|策略|交易|系統|智能|程序|程式|和|且|並且|同時|或者|或|在|"
        "用|使用|以|上穿|下穿|穿過|上破|下破|跌破|突破|高於|低於|大於|小於|超過|之上|之下|"
        "以上|以下|上方|下方|價格|收盤價|收盤|k線|根|金叉|死叉|交叉|設置|設為|設|為|是|把|"
        "將|改成|改為|換成|改用|加上|增加|添加|加|去掉|去除|取消|刪除|不要|不用|不設|沒有|無|"
        "關閉|每|筆|單|點|點數|手|倍|次|後|之後|最多|最大|只|僅|圖表|圖|線|顯示|畫|出|入|"
        "場|進場|出場|離場|條件|過濾|限制|回到|回|帶內|軌|上軌|下軌|中軌|零軸|柱|柱狀圖|主線|"
        "信號線|天|了|吧|呢|啊|我|要|想|需要|可以|能|會|就|再|也|都|還|讓|給|對|方向|"
        "個點|週期|風險|向上|向下|彈出|發出|帳戶|餘額|百分之|一|每筆|均線|移動|持倉|時間|分鐘|"
        "小時|止損|止盈|到|至|值|參數|默認|預設|水平|水平線|區|區域|從|黃金|死亡|多空|兩條|"
        "條").split(u'|');
    words.pointUnits = {"點數", "點", "個點", "基點"};
    words.numbers = QStringLiteral("零一二三四五六七八九").split(QString(), Qt::SkipEmptyParts);
    words.multipliers = {"十", "百", "千"};
    words.two = QStringLiteral("兩");
    words.point = QStringLiteral("點");
    words.measures = QStringLiteral("根次倍點手單筆%層小分日天週");
    words.numberedAfter = QStringLiteral("週期拜");
    words.lineCounter = QStringLiteral("條");
    words.buys = {"買", "做多"};
    words.sells = {"賣", "做空"};
    words.either = {"或者?", "任一"};
    words.negations = {"去掉", "去除", "取消", "刪除", "不要", "不用", "不設", "沒有", "無", "關閉"};
    words.switches = {"改成\\s*", "改為\\s*", "換成\\s*", "改用\\s*"};
    words.bars = {"根k線", "週期"};
    words.setTo = {"改為", "改成", "設為", "為"};
    words.levelTo = {"為", "改成", "改為"};
    words.is = {"為"};
    words.joiners = {"和", "與"};
    words.above = {"高於", "大於", "超過", "突破", "上穿"};
    words.below = {"低於", "小於", "跌破", "下穿"};
    words.back = {"回到", "重回"};
    words.moveTo = {"為", "設為", "設置為", "改成", "改為", "換成", "調到", "調整為", "移到", "移至"};
    words.profit = {"獲利", "盈利", "賺"};
    words.atMost = {"小於", "低於", "不超過", "最大", "超過"};
    words.upTo = {"最多"};
    words.gridUnits = {"單", "層", "個"};
    words.gridStep = {"間距", "相距"};
    words.doubling = {"加倍", "翻倍"};
    words.martingaleUnits = {"次", "步", "層"};
    words.multiplier = {"倍數", "乘以", "乘"};
    words.times = {"倍"};
    words.indicatorWord = {"指標"};
    words.valueJoiners = {"和", "與"};
    words.afterValue = {"點", "手"};
    words.crossover = {"交叉"};
    words.crossed = {"交叉", "金叉", "死叉"};
    words.price = {"收盤", "價格"};
    words.sides = {"高於", "低於", "之上", "之下", "上方", "下方"};
    words.connectors = {"的"};
    words.patternAdjectives = {"看漲", "看跌", "頂", "底"};
    words.excluding = {"^不在", "不交易"};
    words.line = {"線"};
    words.upperLevel = {"買"};
    words.lowerLevel = {"賣"};
    words.crossing = {"上穿", "下穿"};
    words.both = {"雙"};
    words.buySide = {"多", "買"};
    words.rebuild = {"^\\W*請?(?:重新產生|重建)\\W*$"};
    words.through = {"到", "至", "~"};
    words.sideAfterLevel = {"以下", "之下", "以上", "之上"};
    words.sideAfterLine = {"之上", "之下", "上方", "下方"};
    words.days = {{"日", "天"}, {"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}};
    words.daySaid = QStringLiteral("(?:週|星期|禮拜)%1");
    words.workdays = {"工作日"};
    words.notOnDays = {"不在"};
    words.dayJoiners = {"到", "至", "~", "-", ",", "、", "和", "與", "或"};
    words.afterDays = {"不交易"};
    words.colours = {{"紅"}, {"綠"}, {"藍"}, {"黃"}, {"橙"}, {"白"}, {"黑"}, {"灰"}, {"紫"}, {}, {}, {}};
    words.colourSaid = QStringLiteral("%1色");
    words.methods = {{"簡單"}, {"指數"}, {"平滑"}, {"加權"}};
    words.timeframes = {{"^1\\s*分"}, {"^5\\s*分"}, {"^15\\s*分"}, {"^30\\s*分"}, {"^1\\s*小"}, {"^4\\s*小"}, {"日"}, {"週線"}, {"月"}};
    traditionalChineseSubjects(words.subjects);
    return words;
}

} // namespace

const QString &symbolName()
{
    static const QString name = QStringLiteral("\\b(?:eur|gbp|aud|nzd|usd|xau|xag|btc)(?:usd|jpy|chf|cad|eur|gbp|aud|nzd)\\b");
    return name;
}

const Lexicon &lexicon(Language language)
{
    static const Lexicon languages[] = {english(), simplifiedChinese(), traditionalChinese()};
    return languages[int(language)];
}

QRegularExpression readerPattern(QString text)
{
    text.replace(QLatin1String("\\b"), QLatin1String("(?:(?<![a-z0-9])(?=[a-z0-9])|(?<=[a-z0-9])(?![a-z0-9]))"));
    return QRegularExpression(text);
}

QString longestFirst(QStringList words)
{
    words.removeDuplicates();
    std::stable_sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return words.join(u'|');
}

const QStringList &timeframeNames()
{
    static const QStringList names{"M1", "M5", "M15", "M30", "H1", "H4", "D1", "W1", "MN1"};
    return names;
}

QString anyLanguage(QStringList Lexicon::*words)
{
    return longestFirst(lexicon(Language::English).*words + lexicon(Language::SimplifiedChinese).*words
                        + lexicon(Language::TraditionalChinese).*words);
}

QRegularExpression anyOf(const QStringList &words)
{
    return readerPattern(longestFirst(words));
}

} // namespace offline
