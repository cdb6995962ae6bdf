// The offline generator on its corpus: every request yields its values in the program or names
// what it did not build, the risk review finds only what was asked for, and every program
// compiles with the stand-in compiler.
#include "indicators.h"
#include "lexicon.h"
#include "offlinegenerator.h"
#include "offlinetexts.h"

#include <mqlcheck.h>
#include <riskreview.h>

#include <QtTest>

using namespace offline;

namespace {

// One message of a corpus chat: "request | expected | not built | risks", each list split by
// ";". Not built parts are named in the trader's words, in any case. Expected parts are in the program (words separated by single blanks), "!part" is not,
// "refused" means no program; not built lists what the answer must name, nothing else.
struct Step
{
    QString request;
    QStringList expected;
    QStringList unbuilt;
    QStringList risks;
};

QStringList items(const QString &field)
{
    QStringList list;
    for (const QString &item : field.split(u';', Qt::SkipEmptyParts)) {
        if (!item.trimmed().isEmpty())
            list.append(item.trimmed());
    }
    return list;
}

bool compiles(const QString &program, bool mql5, QString *log)
{
    QTemporaryDir folder;
    QFile source(folder.filePath(mql5 ? "Case.mq5" : "Case.mq4"));
    if (!source.open(QIODevice::WriteOnly) || source.write(program.toUtf8()) < 0)
        return false;
    source.close();
    QProcess compiler;
    compiler.setWorkingDirectory(folder.path());
    compiler.start(FAKEMETAEDITOR_PATH, {"/compile:" + QFileInfo(source).fileName(), "/log:case.log"});
    const bool ran = compiler.waitForFinished(30000);
    QFile logFile(folder.filePath("case.log"));
    if (logFile.open(QIODevice::ReadOnly))
        *log = QString::fromUtf8(logFile.readAll());
    return ran && compiler.exitStatus() == QProcess::NormalExit && compiler.exitCode() == 0;
}

// Every number a value of the strategy holds, as the trader may have written it: hours (also
// on a 12-hour clock) and minutes of a time, the digits of a timeframe, a level without its sign.
QList<double> numbersIn(const QJsonValue &value, const QString &key = {})
{
    if (value.isArray() || value.isObject()) {
        QList<double> numbers;
        const QJsonObject object = value.isObject() ? value.toObject() : QJsonObject();
        for (const QString &k : object.keys())
            numbers += numbersIn(object.value(k), k);
        for (const QJsonValue &v : value.toArray())
            numbers += numbersIn(v, key);
        return numbers;
    }
    if (value.isString()) {
        static const QRegularExpression digits(QStringLiteral("\\d+"));
        const QString text = value.toString();
        return text.contains(digits) ? QList<double>{text.mid(text.indexOf(digits)).toDouble()} : QList<double>{};
    }
    const double number = value.toDouble();
    if (key == "from" || key == "to" || key == "close_at")
        return {number, std::floor(number / 60), std::fmod(std::floor(number / 60), 12), std::fmod(number, 60)};
    return {number};
}

// The numbers said in English words: "fifty", "twenty-one", "two hundred", "zero point five".
QList<double> englishNumberWords(const QString &request)
{
    static const QStringList ones{"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven",
                                  "twelve", "thirteen", "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
    static const QStringList tens{"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
    static const QRegularExpression word(QStringLiteral("[a-z]+|[^a-z -]"));
    QList<double> numbers;
    double value = -1;
    QString fraction;
    bool point = false;
    bool tensLast = false;
    const auto flush = [&] {
        if (value >= 0)
            numbers.append((QString::number(value) + (fraction.isEmpty() ? QString() : u'.' + fraction)).toDouble());
        value = -1;
        fraction.clear();
        point = false;
    };
    for (auto it = word.globalMatch(request.toLower()); it.hasNext();) {
        const QString w = it.next().captured();
        const int one = int(ones.indexOf(w));
        if (point && one >= 0 && one < 10) {
            fraction += QString::number(one);
            continue;
        }
        if (!fraction.isEmpty() || (point && one < 0))
            flush();
        // "twenty-six" is one number, "twelve twenty-six nine" three.
        if (one >= 0 && one < 10 && tensLast) {
            value += one;
        } else if (one >= 0 || tens.contains(w)) {
            flush();
            value = one >= 0 ? one : 20 + 10 * tens.indexOf(w);
        } else if (w == "hundred" && value >= 0) {
            value *= 100;
        } else if (w == "point" && value >= 0) {
            point = true;
        } else {
            flush();
        }
        tensLast = tens.contains(w);
    }
    flush();
    return numbers;
}

// The numbers said in Chinese: "五十", "兩百", "零点五"; not a weekday's ("周一").
QList<double> chineseNumberWords(const QString &request)
{
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    // Not a weekday: "周一".
    static const QRegularExpression run(QStringLiteral("(?<!周|週|星期|礼拜|禮拜)([零一二两兩三四五六七八九十百千]+)(?:[点點]([零一二三四五六七八九]+))?"));
    QList<double> numbers;
    for (auto it = run.globalMatch(request); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        double total = 0;
        double digit = -1;
        for (const QChar c : m.captured(1)) {
            const int scale = c == u'十' ? 10 : c == u'百' ? 100 : c == u'千' ? 1000 : 0;
            if (scale)
                total += (digit < 0 ? 1 : digit) * scale, digit = -1;
            else
                digit = (c == u'两' || c == u'兩') ? 2 : digits.indexOf(c);
        }
        QString text = QString::number(total + std::max(digit, 0.0));
        if (m.capturedLength(2)) {
            text += u'.';
            for (const QChar c : m.captured(2))
                text += QString::number(digits.indexOf(c));
        }
        numbers.append(text.toDouble());
    }
    return numbers;
}

// The numbers of a request, in digits or words: "20", "0.5", "-100", "fifty", "兩百"; not
// those of a timeframe or platform ("H4", "MT5").
QList<double> numbersOf(const QString &request)
{
    static const QRegularExpression number(QStringLiteral("(?<![A-Za-z\\d.])(\\d+(?:\\.\\d+)?)(?![\\d])"));
    QList<double> numbers = englishNumberWords(request) + chineseNumberWords(request);
    for (auto it = number.globalMatch(request); it.hasNext();)
        numbers.append(it.next().captured(1).toDouble());
    return numbers;
}

QStringList risksOf(const QString &program, bool mql5)
{
    QStringList rules;
    for (const mqlcheck::RiskFinding &finding : mqlcheck::reviewRisks(
             program.toStdString(), mql5 ? mqlcheck::Language::Mql5 : mqlcheck::Language::Mql4))
        rules.append(QString::fromStdString(finding.rule));
    rules.removeDuplicates();
    rules.sort();
    return rules;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestOfflineGenerator final : public QObject
{
    Q_OBJECT

private slots:
    // A row is a chat: a line with its target ("MT5 ea zh-CN"), then the lines starting with
    // "+" that follow it. The corpus, then paraphrases of it written by someone else.
    void corpus_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QList<Step>>("steps");
        for (const char *path : {OFFLINE_CORPUS, OFFLINE_PARAPHRASES}) {
            QFile file(QString::fromUtf8(path));
            QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
            const QString name = QFileInfo(file).baseName();
            QString target;
            QList<Step> steps;
            int line = 0;
            int chats = 0;
            int firstLine = 0;
            const auto addChat = [&] {
                if (!steps.isEmpty())
                    QTest::addRow("%s %d: %s", qPrintable(name), firstLine, qPrintable(steps.first().request.left(40))) << target << steps;
                steps.clear();
            };
            for (const QString &text : QString::fromUtf8(file.readAll()).split(u'\n')) {
                ++line;
                if (text.trimmed().isEmpty() || text.startsWith(u'#'))
                    continue;
                const QStringList fields = text.split(u'|');
                QVERIFY2(fields.size() >= 3, qPrintable(QStringLiteral("%1 line %2").arg(name).arg(line)));
                if (fields[0].trimmed() != "+") {
                    addChat();
                    target = fields[0].trimmed();
                    firstLine = line;
                    ++chats;
                }
                steps.append({fields[1].trimmed(), items(fields[2]), items(fields.value(3)), items(fields.value(4))});
            }
            addChat();
            QVERIFY(chats >= 150);
        }
    }

    void corpus()
    {
        QFETCH(QString, target);
        QFETCH(QList<Step>, steps);
        const QStringList words = target.split(u' ');
        const Target kind{words.value(0) == "MT5", words.value(1) == "indicator"};
        const Language language = words.value(2) == "zh-CN"   ? Language::SimplifiedChinese
                                  : words.value(2) == "zh-TW" ? Language::TraditionalChinese
                                                              : Language::English;
        Strategy strategy;
        for (const Step &step : steps) {
            const Answer answer = OfflineGenerator::answer(strategy, step.request, kind, language);
            const QString said = answer.built ? answer.details.join(u'\n') : answer.refusal;
            const QString program = answer.program.simplified();
            for (const QString &part : step.expected) {
                const bool ok = part == "refused"   ? !answer.built
                                : part.startsWith('!') ? !program.contains(part.mid(1))
                                                       : program.contains(part);
                QVERIFY2(ok, qPrintable(step.request + "\nexpected: " + part + "\n" + said));
            }
            QStringList named;
            for (const Unbuilt &unbuilt : answer.unbuilt)
                named.append(unbuilt.what);
            for (const QString &part : step.unbuilt)
                QVERIFY2(named.join(u'\n').contains(part, Qt::CaseInsensitive), qPrintable(step.request + "\nnot named: " + part + "\n" + said));
            // Nothing is named that the line does not expect: each name holds one of them.
            for (const QString &name : named) {
                QVERIFY2(std::any_of(step.unbuilt.begin(), step.unbuilt.end(), [&](const QString &part) { return name.contains(part, Qt::CaseInsensitive); }),
                         qPrintable(step.request + "\nnamed unexpectedly: " + name));
            }
            if (!answer.built)
                continue;
            // No number of the request is lost silently: each is a value of the strategy, or in
            // what the answer names as not built.
            const QList<double> values = numbersIn(answer.strategy.toJson());
            for (const double number : numbersOf(step.request)) {
                const bool used = std::any_of(values.begin(), values.end(), [number](double v) { return qFuzzyCompare(1 + std::abs(v), 1 + number); })
                                  || std::any_of(named.begin(), named.end(), [number](const QString &name) { return numbersOf(name).contains(number); });
                QVERIFY2(used, qPrintable(step.request + "\nlost: " + QString::number(number) + "\n" + said));
            }
            for (const QString &name : named)
                QVERIFY2(said.contains(name), qPrintable(said));
            // No slip of wording: a doubled period, a plural after one, a file of this project.
            static const QRegularExpression slip(QStringLiteral("\\.\\.|(?<![\\d.])1 (?:open )?(?:positions|pips|points|bars|lots|times)\\b|README"));
            QVERIFY2(!said.contains(slip), qPrintable(said.mid(said.indexOf(slip) - 40, 80)));
            // An indicator signals; only an Expert Advisor buys and sells.
            static const QRegularExpression trades(QStringLiteral("Buys when|Sells when|买入条件|卖出条件|買入條件|賣出條件"));
            QVERIFY2(!kind.indicator || !said.contains(trades), qPrintable(said));
            // The header says what was built, not what was asked.
            for (QString line : answer.details)
                QVERIFY2(answer.program.contains(line.replace("*/", "* /")), qPrintable(line));
            // A program for a Chinese chat has its comments in Chinese: English only in names.
            static const QRegularExpression englishComment(QStringLiteral("//(?! tavrin-strategy).*\\b(?!(?:RSI|MACD|ATR|ADX|CCI|SAR|S?MA|EMA|SMMA|LWMA|EA|pips|InpGridOrders)\\b)[A-Za-z]{3,}"));
            if (answer.language != Language::English)
                QVERIFY2(!answer.program.contains(englishComment), qPrintable(englishComment.match(answer.program).captured()));
            QCOMPARE(risksOf(answer.program, kind.mql5), step.risks);
            QString log;
            QVERIFY2(compiles(answer.program, kind.mql5, &log), qPrintable(log + answer.program));
            // The program carries its strategy, and the next message refines it.
            const std::optional<Strategy> carried = OfflineGenerator::fromProgram(answer.program);
            QVERIFY(carried);
            QCOMPARE(carried->toJson(), answer.strategy.toJson());
            strategy = answer.strategy;
        }
    }

    // Each indicator's description is whole: its defaults are values it takes, each condition it
    // offers, its default first, is said in every language without a placeholder, and what only
    // its requests say is read: each pattern is one, a form is of an indicator that is none, and
    // each value named on its own is one it has.
    void descriptionIsWhole_data()
    {
        QTest::addColumn<int>("indicator");
        for (const IndicatorDescription &description : indicatorDescriptions())
            QTest::addRow("%s", description.key) << int(description.indicator);
    }

    void descriptionIsWhole()
    {
        QFETCH(int, indicator);
        const IndicatorDescription &description = describedIndicator(Indicator(indicator));
        Rule rule = Rule::withDefaults(description.indicator);
        for (int i = 0; i < rule.values.size(); ++i)
            QVERIFY(rule.fits(i, rule.values[i]));
        QVERIFY(std::any_of(description.conditions.begin(), description.conditions.end(),
                            [&](const ConditionText &text) { return text.condition == description.condition; }));
        static const QRegularExpression placeholder(QStringLiteral("%[nm\\d]"));
        for (const ConditionText &text : description.conditions) {
            rule.condition = text.condition;
            Strategy strategy;
            strategy.rules = {rule};
            for (const Language language : {Language::English, Language::SimplifiedChinese, Language::TraditionalChinese}) {
                const QStringList lines = describe(strategy, {}, language) << ruleNotation(rule, language);
                QVERIFY2(!lines.join(u'\n').contains(placeholder), qPrintable(lines.join(u'\n')));
            }
        }
        const ReadingDetails &reading = description.reading;
        QStringList patterns = description.en + description.cn + description.tw + description.glued;
        for (const PatternWords &words : QList<PatternWords>{reading.valueWords, reading.valuesInName, reading.formNames} + reading.valueNames)
            patterns += words.en + words.cn + words.tw;
        for (const QList<ConditionWords> &kind : {description.conditionWords, reading.inName, reading.before, reading.anywhere}) {
            for (const ConditionWords &words : kind)
                patterns += words.en + words.cn + words.tw;
        }
        for (const auto &[method, names] : reading.methodNames)
            patterns += names;
        for (const QString &pattern : patterns)
            QVERIFY2(QRegularExpression(pattern).isValid(), qPrintable(pattern));
        QVERIFY(!reading.formOf || !describedIndicator(*reading.formOf).reading.formOf);
        QVERIFY(reading.valueNames.size() <= Rule::withDefaults(description.indicator).values.size());
    }

    // Each language's words are its own: no Chinese among the English ones, no character of one
    // Chinese script among the other's, in the lexicons and the indicators' names alike; and each
    // list the reader reads by place has a place for every item, named or not.
    void wordsKeepToTheirLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addRow("en") << int(Language::English);
        QTest::addRow("zh-CN") << int(Language::SimplifiedChinese);
        QTest::addRow("zh-TW") << int(Language::TraditionalChinese);
    }

    void wordsKeepToTheirLanguage()
    {
        QFETCH(int, language);
        const Lexicon &lexicon = offline::lexicon(Language(language));
        QStringList words;
        for (QStringList Lexicon::*kind : {&Lexicon::fillers, &Lexicon::pointUnits, &Lexicon::pipUnits, &Lexicon::numbers, &Lexicon::tens, &Lexicon::multipliers, &Lexicon::buys, &Lexicon::sells, &Lexicon::either, &Lexicon::negations, &Lexicon::switches, &Lexicon::bars, &Lexicon::setTo, &Lexicon::levelTo, &Lexicon::is, &Lexicon::joiners, &Lexicon::above, &Lexicon::below, &Lexicon::back, &Lexicon::moveTo, &Lexicon::profit, &Lexicon::atMost, &Lexicon::upTo, &Lexicon::gridUnits, &Lexicon::gridStep, &Lexicon::doubling, &Lexicon::martingaleUnits, &Lexicon::multiplier, &Lexicon::times, &Lexicon::indicatorWord, &Lexicon::valueJoiners, &Lexicon::afterValue, &Lexicon::crossover, &Lexicon::crossed, &Lexicon::price, &Lexicon::sides, &Lexicon::connectors, &Lexicon::patternAdjectives, &Lexicon::excluding, &Lexicon::upperLevel, &Lexicon::lowerLevel, &Lexicon::crossing, &Lexicon::both, &Lexicon::buySide, &Lexicon::through, &Lexicon::rebuild, &Lexicon::line, &Lexicon::sideAfterLevel, &Lexicon::sideAfterLine, &Lexicon::crossesLevel, &Lexicon::instead, &Lexicon::dont, &Lexicon::levelVerbs, &Lexicon::articles, &Lexicon::levelNouns, &Lexicon::valueLeads, &Lexicon::percent, &Lexicon::riskIs, &Lexicon::ofBalance, &Lexicon::workdays, &Lexicon::notOnDays, &Lexicon::onDays, &Lexicon::dayJoiners, &Lexicon::afterDays})
            words += lexicon.*kind;
        for (const QStringList &kind : lexicon.methods + lexicon.timeframes + lexicon.days + lexicon.colours)
            words += kind;
        words << lexicon.daySaid << lexicon.colourSaid;
        QCOMPARE(lexicon.days.size(), 7);
        QCOMPARE(lexicon.colours.size(), knownColours().size());
        QCOMPARE(lexicon.timeframes.size(), timeframeNames().size());
        QCOMPARE(lexicon.methods.size(), 4);
        const auto inLanguage = [language](const auto &said) { return language == 0 ? said.en : language == 1 ? said.cn : said.tw; };
        for (const IndicatorDescription &description : indicatorDescriptions()) {
            const ReadingDetails &reading = description.reading;
            words += inLanguage(description) + inLanguage(reading.valueWords) + inLanguage(reading.valuesInName)
                     + inLanguage(reading.formNames);
            for (const PatternWords &said : reading.valueNames)
                words += inLanguage(said);
            for (const QList<ConditionWords> &kind : {description.conditionWords, reading.inName, reading.before, reading.anywhere}) {
                for (const ConditionWords &said : kind)
                    words += inLanguage(said);
            }
        }
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        static const QString simplified = QStringLiteral("们这个为时说对后过发会买卖单线价图设损点级动关开无号数标门间马车风带轨仓亏盘"
                                                         "线强势顺简权层笔获赚涨顶锤态离枢鳄农闻历财决议网络仅双");
        static const QString traditional = QStringLiteral("們這個為時說對後過發會買賣單線價圖設損點級動關開無號數標門間馬車風帶軌倉虧盤"
                                                          "線強勢順簡權層筆獲賺漲頂錘態離樞鱷農聞歷財決議網絡僅雙");
        const QString &foreign = language == 1 ? traditional : simplified;
        for (const QString &word : words) {
            const bool mixed = language == 0 ? word.contains(han) : std::any_of(word.begin(), word.end(), [&](QChar c) { return foreign.contains(c); });
            QVERIFY2(!mixed, qPrintable(word));
        }
    }

    void foreignProgramHasNoStrategy()
    {
        QVERIFY(!OfflineGenerator::fromProgram("int OnInit() { return(0); }\n"));
        QVERIFY(!OfflineGenerator::fromProgram("// tavrin-strategy: {\"rules\": 3}\n"));
        QVERIFY(!OfflineGenerator::fromProgram("x; // tavrin-strategy: {\"rules\": []}\n"));
        // Nothing but the reader's words reaches a program's code from a stored strategy.
        QVERIFY(!OfflineGenerator::fromProgram("// tavrin-strategy: {\"rules\": [], \"tf\": \"H1); Hack(\"}\n"));
        QVERIFY(!OfflineGenerator::fromProgram("// tavrin-strategy: {\"rules\": [], \"colours\": [\"Red);\"]}\n"));
    }

    // A line edited by hand, or forged, is never written into a program: each value stays
    // within what the reader itself would write.
    void forgedLineIsRefused_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("value");
        QTest::addRow("period") << "\"v\":[14," << "\"v\":[1e308,";
        QTest::addRow("lots") << "\"lots\":0.1" << "\"lots\":1e308";
        QTest::addRow("grid") << "\"grid\":0" << "\"grid\":2147483647";
        QTest::addRow("stop loss") << "\"sl\":{\"g\":true,\"u\":1,\"v\":40}" << "\"sl\":{\"g\":true,\"u\":1,\"v\":-40}";
        QTest::addRow("hours") << "\"from\":-1" << "\"from\":1666";
        QTest::addRow("colour") << "\"colours\":[]" << "\"colours\":[\"Xyzzy\"]";
        QString rules;
        for (int i = 0; i < 4000; ++i)
            rules += "{\"c\":2,\"g\":7,\"i\":2,\"m\":0,\"v\":[14,70,30]},";
        QTest::addRow("4000 rules") << "\"rules\":[" << "\"rules\":[" + rules;
    }

    void forgedLineIsRefused()
    {
        QFETCH(QString, edit);
        QFETCH(QString, value);
        const Answer answer = OfflineGenerator::answer({}, "RSI 14, stop loss 40 pips", {}, Language::English);
        QVERIFY(answer.program.contains(edit));
        QVERIFY(OfflineGenerator::describedBy(answer.program)->intact);
        QString forged = answer.program;
        forged.replace(edit, value);
        QVERIFY(!OfflineGenerator::describedBy(forged));
    }

    // A text far longer than any strategy (a pasted log) is not read, and says so.
    void tooLongIsNotRead()
    {
        const Answer answer = OfflineGenerator::answer({}, QString(4000, u'x').prepend("RSI 14 "), {}, Language::English);
        QVERIFY(!answer.built);
        QVERIFY(answer.refusal.contains("at most 3000 characters"));
    }

    // A program changed outside keeps its description, but is not taken for the generator's own.
    void changedProgramIsNotContinued()
    {
        const Answer answer = OfflineGenerator::answer({}, "RSI 14", {}, Language::English);
        QVERIFY(OfflineGenerator::fromProgram(answer.program));
        QVERIFY(OfflineGenerator::fromProgram(QString(answer.program).replace(QStringLiteral("\n"), QStringLiteral("\r\n"))));
        const QString edited = QString(answer.program).replace("InpRsiPeriod = 14", "InpRsiPeriod = 15");
        QVERIFY(!OfflineGenerator::fromProgram(edited));
        QVERIFY(!OfflineGenerator::describedBy(edited)->intact);
        QCOMPARE(OfflineGenerator::describedBy(edited)->strategy.toJson(), answer.strategy.toJson());
    }
};

QTEST_GUILESS_MAIN(TestOfflineGenerator)
#include "tst_offlinegenerator.moc"
