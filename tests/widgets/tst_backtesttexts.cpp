#include "support/testenvironment.h"
#include "client/conversation/backtesttexts.h"
#include "platform/language.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

TesterReport report(Protocol::Platform platform, int trades)
{
    TesterReport made;
    made.platform = platform;
    made.expert = u"RSI Reversal"_s;
    made.symbol = u"EURUSD"_s;
    made.period = u"H1"_s;
    made.initialDeposit = 10000;
    made.netProfit = 1234.567;
    made.profitFactor = 1.5;
    made.maxDrawdown = 345.671;
    made.maxDrawdownPercent = 3.44;
    made.totalTrades = trades;
    made.winRatePercent = 57.14;
    if (platform == Protocol::Platform::Mt5)
        made.sharpeRatio = 0.8512;
    return made;
}

} // namespace

// A test's figures worded in each interface language, numbers in its locale's way.
class TestBacktestTexts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { applyLanguage(Protocol::Language::English); }

    void figuresInTheInterfaceLanguage_data()
    {
        QTest::addColumn<Protocol::Language>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<Protocol::Platform>("platform");
        QTest::addColumn<int>("trades");
        QTest::addColumn<QString>("figures");
        QTest::newRow("English MT5") << Protocol::Language::English << u"en_US"_s << Protocol::Platform::Mt5 << 42
                                     << u"Net profit: 1,234.57 (deposit 10,000.00)\nProfit factor: 1.50\n"
                                        u"Maximal drawdown: 345.67 (3.4 %)\nTrades: 42, won 57.1 %\nSharpe ratio: 0.85"_s;
        QTest::newRow("German numbers, MT4") << Protocol::Language::English << u"de_DE"_s << Protocol::Platform::Mt4 << 1042
                                             << u"Net profit: 1.234,57 (deposit 10.000,00)\nProfit factor: 1,50\n"
                                                u"Maximal drawdown: 345,67 (3,4 %)\nTrades: 1.042, won 57,1 %"_s;
        QTest::newRow("Simplified Chinese") << Protocol::Language::SimplifiedChinese << u"zh_CN"_s << Protocol::Platform::Mt5 << 42
                                            << u"净利润：1,234.57（初始存款 10,000.00）\n盈利因子：1.50\n"
                                               u"最大回撤：345.67（3.4 %）\n交易：42 笔，盈利 57.1 %\n夏普比率：0.85"_s;
        QTest::newRow("Traditional Chinese, no trades") << Protocol::Language::TraditionalChinese << u"zh_TW"_s
                                                        << Protocol::Platform::Mt4 << 0
                                                        << u"淨利潤：1,234.57（初始存款 10,000.00）\n獲利因子：1.50\n"
                                                           u"最大回撤：345.67（3.4 %）\n交易：無"_s;
    }
    void figuresInTheInterfaceLanguage()
    {
        QFETCH(Protocol::Language, language);
        QFETCH(QString, locale);
        QFETCH(Protocol::Platform, platform);
        QFETCH(int, trades);
        QFETCH(QString, figures);
        applyLanguage(language);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(BacktestTexts::figures(report(platform, trades)), figures);
    }

    void headlineNamesWhatTheReportNames_data()
    {
        QTest::addColumn<QString>("expert");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("headline");
        QTest::newRow("all") << u"RSI Reversal"_s << u"EURUSD"_s << u"H1"_s << u"RSI Reversal · EURUSD H1"_s;
        QTest::newRow("no expert") << QString() << u"XAUUSD"_s << u"M15"_s << u"XAUUSD M15"_s;
        QTest::newRow("no period") << u"Grid"_s << u"GBPJPY"_s << QString() << u"Grid · GBPJPY"_s;
        QTest::newRow("nothing") << QString() << QString() << QString() << QString();
    }
    void headlineNamesWhatTheReportNames()
    {
        QFETCH(QString, expert);
        QFETCH(QString, symbol);
        QFETCH(QString, period);
        QFETCH(QString, headline);
        TesterReport made;
        made.expert = expert;
        made.symbol = symbol;
        made.period = period;
        QCOMPARE(BacktestTexts::headline(made), headline);
    }
};

BREVAN_CORE_TEST_MAIN(TestBacktestTexts)
#include "tst_backtesttexts.moc"
