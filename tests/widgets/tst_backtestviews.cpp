#include "support/testenvironment.h"
#include "widgets/backtestdialog.h"
#include "widgets/balancechart.h"
#include "widgets/chattextedit.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

const QColor kBacktestCard(0xDC, 0xE9, 0xFA);

ChatEntry backtest(const QList<double> &curve, bool demo)
{
    ChatEntry entry;
    entry.kind = ChatEntry::Kind::Backtest;
    entry.text = u"RSI Reversal · EURUSD H1\nNet profit: 300.00 (deposit 10,000.00)"_s;
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
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
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
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += pixel.alpha() > 128 && pixel.blue() > 150 && pixel.red() < 100;
        }
    }
    return count;
}

} // namespace

// A backtest's card in the chat, and the form a test is chosen in.
class TestBacktestViews final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        view.showEntry(3, backtest(curve, demo));

        const QString text = u"RSI Reversal · EURUSD H1\nNet profit: 300.00 (deposit 10,000.00)\nOpen the full report"_s;
        QCOMPARE(view.messages().constFirst().text, demo ? u"demo\n"_s + text : text);
        const QList<QImage> images = shownImages(view);
        QCOMPARE(images.size(), drawn ? 1 : 0);
        if (drawn) {
            QCOMPARE(images.constFirst().deviceIndependentSize(), QSizeF(BalanceChart::kSize));
            QVERIFY(curvePixels(images.constFirst()) > BalanceChart::kSize.width() / 2);
        }
        const QImage shown = view.viewport()->grab().toImage();
        QCOMPARE(shown.pixelColor(8, 12), kBacktestCard);
    }

    // A card changed in place (its test run again): same place and colour, the new figures.
    void changedCardKeepsItsPlace()
    {
        ChatTextEdit view;
        view.appendMessage(u"before"_s, false);
        view.showEntry(1, backtest({10000, 10100}, true));
        view.appendMessage(u"after"_s, false);
        ChatEntry changed = backtest({10000, 9000, 9500}, false);
        changed.text = u"Net profit: -500.00"_s;
        view.changeEntry(1, changed);

        QStringList texts;
        for (const ChatTextEdit::Message &message : view.messages())
            texts << message.text;
        QCOMPARE(texts, (QStringList{u"before"_s, u"Net profit: -500.00\nOpen the full report"_s, u"after"_s}));
        QCOMPARE(shownImages(view).size(), 1);
        QVERIFY(view.toPlainText().contains(u"Net profit: -500.00"_s));
        // Copied, the curve leaves no placeholder behind.
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
        QWidget window;
        BacktestDialog dialog(Protocol::Platform::Mt5, BacktestChoice::defaults(Protocol::Platform::Mt5, u"M15"_s, QDate(2026, 12, 8)),
                              &window);
        QSignalSpy chosen(&dialog, &BacktestDialog::chosen);
        auto *symbol = dialog.findChild<QLineEdit *>(u"lineEdit_symbol"_s);
        symbol->clear();
        QVERIFY(!dialog.findChild<QPushButton *>(u"pushButton_run"_s)->isEnabled());
        QTest::keyClicks(symbol, u"gbp jpy"_s);
        dialog.findChild<QComboBox *>(u"comboBox_period"_s)->setCurrentText(u"D1"_s);
        // A start after the end takes the end along.
        dialog.findChild<QDateEdit *>(u"dateEdit_from"_s)->setDate(QDate(2027, 1, 31));
        dialog.findChild<QDoubleSpinBox *>(u"doubleSpinBox_deposit"_s)->setValue(2500.5);
        dialog.findChild<QPushButton *>(u"pushButton_run"_s)->click();

        QCOMPARE(chosen.size(), 1);
        const auto choice = chosen.constFirst().constFirst().value<BacktestChoice>();
        QCOMPARE(choice.symbol, u"GBPJPY"_s);
        QCOMPARE(choice.period, u"D1"_s);
        QCOMPARE(choice.from, QDate(2027, 1, 31));
        QCOMPARE(choice.to, QDate(2027, 1, 31));
        QCOMPARE(choice.deposit, 2500.5);
        QCOMPARE(choice.model, 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

BREVAN_GUI_TEST_MAIN(TestBacktestViews)
#include "tst_backtestviews.moc"
