#include "report/htmltable.h"
#include "report/testerreport.h"
#include "support/testenvironment.h"

#include <QtTest> // and with it QtCore

namespace {

QByteArray dataFile(const QString &name)
{
    QFile file(QStringLiteral(REPORT_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray utf16WithBom(const QString &text)
{
    return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(text);
}

QString mt5Text(const QString &name)
{
    return QStringDecoder(QStringConverter::Utf16LE).decode(dataFile(name));
}

} // namespace

class TestTesterReport final : public QObject
{
    Q_OBJECT

private slots:
    // The figures as each real report writes them.
    void readsRealReports_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("expert");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QList<double>>("money"); // deposit, net profit, gross profit, gross loss
        QTest::addColumn<double>("profitFactor");
        QTest::addColumn<QList<double>>("drawdown"); // maximal, its percent
        QTest::addColumn<int>("trades");
        QTest::addColumn<QList<double>>("balance"); // after the first closing, the last, how many

        QTest::newRow("MT4 English") << "mt4-en-bastet.htm" << "MT4" << "Bastet 1.0" << "XAGUSD" << "H4"
                                     << QList{10000.00, 2583.59, 6286.71, -3703.12} << 1.70
                                     << QList{808.30, 6.34} << 85 << QList{9791.12, 12583.59, 86.0};
        QTest::newRow("MT4 French, windows-1252")
            << "mt4-fr-rsiexpert.htm" << "MT4" << "RSIExpertM15_Backtest" << "EURUSD" << "M1"
            << QList{10000.00, -797.76, 536.66, -1334.42} << 0.40 << QList{2195.70, 20.84} << 36
            << QList{10004.32, 9202.24, 37.0};
        QTest::newRow("MT4 Russian, windows-1251")
            << "mt4-ru-nn5.htm" << "MT4" << "NN_5" << "EURUSD" << "H1" << QList{10000.00, -62.62, 1116.26, -1178.88}
            << 0.95 << QList{553.62, 5.37} << 178 << QList{9968.40, 9937.38, 179.0};
        QTest::newRow("MT5 English") << "mt5-en-zerotohero.html" << "MT5" << "EA_ZeroToHero" << "XAUUSD" << "M5"
                                     << QList{12.00, -6.11, 6.69, -12.80} << 0.52 << QList{12.80, 68.49} << 3
                                     << QList{18.69, 5.89, 4.0};
        QTest::newRow("MT5 without trades") << "mt5-en-notrades.html" << "MT5" << "XAUUSD_AI_EA" << "XAUUSD" << "M5"
                                            << QList{30.00, 0.0, 0.0, 0.0} << 0.0 << QList{0.0, 0.0} << 0
                                            << QList{30.00, 30.00, 1.0};
    }

    void readsRealReports()
    {
        QFETCH(QString, file);
        QFETCH(QString, platform);
        QFETCH(QString, expert);
        QFETCH(QString, symbol);
        QFETCH(QString, period);
        QFETCH(QList<double>, money);
        QFETCH(double, profitFactor);
        QFETCH(int, trades);
        QFETCH(QList<double>, drawdown);
        QFETCH(QList<double>, balance);
        const TesterReportRead read = readTesterReport(dataFile(file));
        QVERIFY2(read.report, qPrintable(read.problem));
        const TesterReport &report = *read.report;
        QCOMPARE(Protocol::wireName(report.platform), platform);
        QCOMPARE(report.expert, expert);
        QCOMPARE(report.symbol, symbol);
        QCOMPARE(report.period, period);
        QCOMPARE(QList({report.initialDeposit, report.netProfit, report.grossProfit, report.grossLoss}), money);
        QCOMPARE(report.profitFactor, profitFactor);
        QCOMPARE(QList({report.maxDrawdown, report.maxDrawdownPercent}), drawdown);
        QCOMPARE(report.totalTrades, trades);
        QCOMPARE(report.balance.first(), report.initialDeposit);
        QCOMPARE(QList({report.balance.value(1, report.initialDeposit), report.balance.last(),
                        double(report.balance.size())}),
                 balance);
        QCOMPARE(report.sharpeRatio.has_value(), report.platform == Protocol::Platform::Mt5);
        QVERIFY(!report.demo);
    }

    // What the JSON of tavrin-report adds to the figures above: MT5's Sharpe ratio and win rate.
    void readsMt5Ratios()
    {
        const auto report = readTesterReport(dataFile("mt5-en-zerotohero.html")).report;
        QVERIFY(report);
        QCOMPARE(report->sharpeRatio, -2.49);
        QCOMPARE(report->winRatePercent, 33.33);
        QCOMPARE(QList({report->relativeDrawdownPercent, report->relativeDrawdown}), QList({68.49, 12.80}));
    }

    void decodesTheTerminalsCodePage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("label");
        QTest::newRow("windows-1251") << "mt4-ru-nn5.htm" << "Чистая прибыль";
        QTest::newRow("windows-1252") << "mt4-fr-rsiexpert.htm" << "Dépot initial";
        QTest::newRow("UTF-16") << "mt5-en-zerotohero.html" << "Balance Drawdown Maximal:";
    }

    void decodesTheTerminalsCodePage()
    {
        QFETCH(QString, file);
        QFETCH(QString, label);
        QVERIFY(Report::decodeReport(dataFile(file)).contains(label));
    }

    // Thousands as MT5 separates them, an expert's name with entities, the demo stand-in's mark.
    void readsWhatTheTesterMayWrite()
    {
        QString text = mt5Text("mt5-en-zerotohero.html");
        text.replace("<b>12.00</b>", "<b>2 554.00</b>")
            .replace("<b>EA_ZeroToHero</b>", "<b>Zero &amp; Hero &#x82F1;&#38596;</b>")
            .replace("MetaQuotes Ltd.", "TavrinAI, " + demoTesterMark);
        const auto report = readTesterReport(utf16WithBom(text)).report;
        QVERIFY(report);
        QCOMPARE(report->initialDeposit, 2554.0);
        QCOMPARE(report->expert, u"Zero & Hero 英雄");
        QVERIFY(report->demo);
    }

    void refusesWhatIsNoReport_data()
    {
        const QByteArray mt4 = dataFile("mt4-en-bastet.htm");
        const QString mt5 = mt5Text("mt5-en-zerotohero.html");
        QByteArray random(4096, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);

        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << QByteArray() << "the file is empty";
        QTest::newRow("random bytes") << random << "not a Strategy Tester report";
        QTest::newRow("not HTML") << QByteArray("Total net profit 100.00\n") << "not a Strategy Tester report";
        QTest::newRow("another page") << QByteArray("<html><table><tr><td>Symbol</td><td>EURUSD</td></tr></table></html>")
                                      << "not a Strategy Tester report";
        QTest::newRow("MT4 cut short") << mt4.first(mt4.size() / 2) << "cut short";
        QTest::newRow("MT5 cut short") << utf16WithBom(mt5.first(mt5.size() * 2 / 3)) << "cut short";
        QTest::newRow("MT4 corrupt profit") << QByteArray(mt4).replace(">2583.59<", ">25x3.59<")
                                            << "\"Total net profit\" reads \"25x3.59\", which is not a figure";
        QTest::newRow("MT4 corrupt balance") << QByteArray(mt4).replace(">9791.12<", ">9791,12<")
                                             << "leaves a balance of \"9791,12\"";
        QTest::newRow("MT5 corrupt drawdown")
            << utf16WithBom(QString(mt5).replace("12.80 (68.49%)", "12.80 68.49%"))
            << "\"Balance Drawdown Maximal:\" reads";
        QTest::newRow("MT4 rows moved") << QByteArray(mt4).replace("Gross profit", "Gross loss")
                                        << "where \"Gross profit\" belongs";
    }

    void refusesWhatIsNoReport()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        const TesterReportRead read = readTesterReport(file);
        QVERIFY(!read.report);
        QVERIFY2(read.problem.contains(problem), qPrintable(read.problem));
        QVERIFY(!read.problem.contains(u'\n'));
    }

    void toolPrintsOneJsonObject()
    {
        QProcess tool;
        tool.start(TAVRIN_REPORT_PATH, {QStringLiteral(REPORT_DATA "/mt4-ru-nn5.htm")});
        QVERIFY(tool.waitForFinished(-1));
        QCOMPARE(tool.exitCode(), 0);
        const QJsonObject json = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
        QCOMPARE(json.value("platform").toString(), "MT4");
        QCOMPARE(json.value("net_profit").toDouble(), -62.62);
        QCOMPARE(json.value("balance").toArray().size(), 179);
        QCOMPARE(json.value("demo").toBool(true), false);
    }

    void toolRefusesAFileThatIsNoReport()
    {
        QProcess tool;
        tool.start(TAVRIN_REPORT_PATH, {QStringLiteral(REPORT_DATA "/README.md")});
        QVERIFY(tool.waitForFinished(-1));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardOutput().isEmpty());
        QCOMPARE(tool.readAllStandardError().trimmed().count('\n'), 0);
    }
};

BREVAN_CORE_TEST_MAIN(TestTesterReport)
#include "tst_testerreport.moc"
