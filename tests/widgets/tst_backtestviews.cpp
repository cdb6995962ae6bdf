#include "support/testenvironment.h"
#include "client/conversation/backtesttexts.h"
#include "platform/language.h"
#include "widgets/backtestdialog.h"
#include "widgets/balancechart.h"
#include "widgets/chattextedit.h"
#include "widgets/versionsdialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace {

TesterReport report(Protocol::Platform platform, int trades)
{
    TesterReport made;
    made.platform = platform;
    // An MT4 report without the expert's name: the headline leaves it out.
    made.expert = platform == Protocol::Platform::Mt5 ? u"RSI Reversal"_s : QString();
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

ChatEntry card(const QString &text, const QList<double> &curve, bool demo)
{
    ChatEntry entry;
    entry.kind = ChatEntry::Kind::Backtest;
    entry.text = text;
    entry.links = {{u"Open the full report"_s, u"action:report"_s}};
    entry.curve = curve;
    entry.demo = demo;
    return entry;
}

// The images the document shows, as it keeps them.
QList<QImage> shownImages(const ChatTextEdit &view)
{
    QList<QImage> images;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (const QTextCharFormat format = it.fragment().charFormat(); format.isImageFormat())
                images << view.document()->resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name())).value<QImage>();
        }
    }
    return images;
}

// Pixels of the curve's blue: the chart was really drawn, not only sized.
int curvePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).blue() > 150 && image.pixelColor(x, y).red() < 100;
    }
    return count;
}

} // namespace

// A backtest's card in the chat, the form a test is chosen in, and its figures' wording.
class TestBacktestViews final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { applyLanguage(Protocol::Language::English); }

    void cardShowsFiguresBadgeAndCurve_data()
    {
        QTest::addColumn<QList<double>>("curve");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("demo with a curve") << QList<double>{10000, 10120, 9980, 10300} << true << true;
        QTest::newRow("terminal's, flat curve") << QList<double>{10000, 10000} << false << true;
        QTest::newRow("no deals") << QList<double>{10000} << false << false;
        QTest::newRow("no curve") << QList<double>{} << true << false;
    }
    void cardShowsFiguresBadgeAndCurve()
    {
        QFETCH(QList<double>, curve);
        QFETCH(bool, demo);
        QFETCH(bool, drawn);
        ChatTextEdit view;
        view.resize(500, 400);
        view.show();
        view.showEntry(3, card(u"EA · EURUSD H1\nNet profit: 300.00"_s, curve, demo));

        const QString text = u"EA · EURUSD H1\nNet profit: 300.00\nOpen the full report"_s;
        QCOMPARE(view.messages().constFirst().text, demo ? u"demo\n"_s + text : text);
        const QList<QImage> images = shownImages(view);
        QCOMPARE(images.size(), drawn ? 1 : 0);
        if (drawn) {
            QCOMPARE(images.constFirst().deviceIndependentSize(), QSizeF(BalanceChart::kSize));
            QVERIFY(curvePixels(images.constFirst()) > BalanceChart::kSize.width() / 2);
        }
        QCOMPARE(view.viewport()->grab().toImage().pixelColor(8, 12), QColor(0xDC, 0xE9, 0xFA));
    }

    // A card changed in place (its test run again) keeps its place; copied, its curve leaves no trace.
    void changedCardKeepsItsPlace()
    {
        ChatTextEdit view;
        view.appendMessage(u"before"_s, false);
        view.showEntry(1, card(u"Net profit: 100.00"_s, {10000, 10100}, true));
        view.appendMessage(u"after"_s, false);
        view.changeEntry(1, card(u"Net profit: -500.00"_s, {10000, 9000, 9500}, false));
        QCOMPARE(shownImages(view).size(), 1);
        view.selectAll();
        view.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"\nbefore\n\nNet profit: -500.00\nOpen the full report\n\nafter\n"_s);
    }

    void modelsFollowThePlatform_data()
    {
        QTest::addColumn<Protocol::Platform>("platform");
        QTest::addColumn<QStringList>("models");
        QTest::newRow("MT5") << Protocol::Platform::Mt5
                             << QStringList{u"0 Every tick"_s, u"1 1 minute OHLC"_s, u"2 Open prices only"_s,
                                            u"4 Every tick based on real ticks"_s};
        QTest::newRow("MT4") << Protocol::Platform::Mt4
                             << QStringList{u"0 Every tick"_s, u"1 Control points"_s, u"2 Open prices only"_s};
    }
    void modelsFollowThePlatform()
    {
        QFETCH(Protocol::Platform, platform);
        QFETCH(QStringList, models);
        BacktestChoice initial = BacktestChoice::defaults(platform, u"H4"_s, QDate(2026, 12, 8));
        initial.model = 4; // MT5's real ticks: MT4 falls back to its quick model
        BacktestDialog dialog(platform, initial, nullptr);
        const auto *model = dialog.findChild<QComboBox *>(u"comboBox_model"_s);
        QStringList shown;
        for (int i = 0; i < model->count(); ++i)
            shown << u"%1 %2"_s.arg(model->itemData(i).toInt()).arg(model->itemText(i));
        QCOMPARE(shown, models);
        QCOMPARE(dialog.choice().model, platform == Protocol::Platform::Mt5 ? 4 : 1);
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
    }

    void runGivesTheChosenValues()
    {
        BacktestDialog dialog(Protocol::Platform::Mt5, BacktestChoice::defaults(Protocol::Platform::Mt5, u"M15"_s, QDate(2026, 12, 8)));
        QSignalSpy chosen(&dialog, &BacktestDialog::chosen);
        auto *symbol = dialog.findChild<QLineEdit *>(u"lineEdit_symbol"_s);
        auto *run = dialog.findChild<QPushButton *>(u"pushButton_run"_s);
        symbol->clear();
        QVERIFY(!run->isEnabled());
        QTest::keyClicks(symbol, u"gbp jpy"_s);
        dialog.findChild<QComboBox *>(u"comboBox_period"_s)->setCurrentText(u"D1"_s);
        // A start after the end takes the end along.
        dialog.findChild<QDateEdit *>(u"dateEdit_from"_s)->setDate(QDate(2027, 1, 31));
        dialog.findChild<QDoubleSpinBox *>(u"doubleSpinBox_deposit"_s)->setValue(2500.5);
        run->click();
        QCOMPARE(chosen.size(), 1);
        const auto choice = chosen.constFirst().constFirst().value<BacktestChoice>();
        const QStringList values{choice.symbol, choice.period, choice.from.toString(Qt::ISODate),
                                 choice.to.toString(Qt::ISODate), QString::number(choice.deposit), QString::number(choice.model)};
        QCOMPARE(values, (QStringList{u"GBPJPY"_s, u"D1"_s, u"2027-01-31"_s, u"2027-01-31"_s, u"2500.5"_s, u"1"_s}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // Headline and figures, in the interface's language and the default locale's numbers.
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
        const TesterReport tested = report(platform, trades);
        QCOMPARE(BacktestTexts::headline(tested), platform == Protocol::Platform::Mt5 ? u"RSI Reversal · EURUSD H1"_s : u"EURUSD H1"_s);
        QCOMPARE(BacktestTexts::figures(tested), figures);
        // The versions list shows the same figures below a version's verdict, side by side.
        ProgramVersion version;
        version.backtest = tested;
        const VersionsDialog versions(u"EA"_s, {version}, 0);
        const QString row = versions.findChild<QListWidget *>()->item(0)->text();
        QVERIFY2(row.section(u'\n', 1).endsWith(QString(figures).replace(u'\n', u" · "_s)), qPrintable(row));
    }
};

BREVAN_GUI_TEST_MAIN(TestBacktestViews)
#include "tst_backtestviews.moc"
