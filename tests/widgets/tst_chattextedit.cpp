#include "support/testenvironment.h"
#include "support/transcript.h"
#include "widgets/chattextedit.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

const QColor kUser(0x95, 0xEC, 0x69);
const QColor kService(0xF0, 0xF0, 0xF0);

// The first bubble's background, above its text, 2 px in from the side.
QColor firstBubbleColour(ChatTextEdit &view, bool rightSide)
{
    const QImage shown = view.viewport()->grab().toImage();
    return shown.pixelColor(rightSide ? shown.width() - 1 - 8 : 8, 12);
}

} // namespace

class TestChatTextEdit final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isReadOnly() { QVERIFY(ChatTextEdit().isReadOnly()); }

    void showsTextAsWritten_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");

        QTest::newRow("plain") << "hello" << "hello";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("markup stays text") << "<b>bold</b> & \"quoted\"" << "<b>bold</b> & \"quoted\"";
        QTest::newRow("placeholders stay") << "50%1 of %2" << "50%1 of %2";
        QTest::newRow("entity stays text") << "&amp;" << "&amp;";
        QTest::newRow("line feed breaks") << "first\nsecond" << "first\nsecond";
        QTest::newRow("unicode") << "指标 RSI ✓" << "指标 RSI ✓";
        QTest::newRow("carriage return is a blank") << "one\r\ntwo" << "one \ntwo";
        QTest::newRow("blanks collapse") << "  a  b\t\tc\n  d" << "a b c\nd";
    }

    void showsTextAsWritten()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);

        ChatTextEdit view;
        view.appendMessage(message, false);
        QCOMPARE(Transcript::bubbles(view), QStringList{shown});
        QVERIFY(!view.toHtml().contains(QLatin1String("<b>")));
    }

    void bubbleSideAndColour_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("isUser");

        QTest::newRow("user") << "text" << true;
        QTest::newRow("service") << "text" << false;
        QTest::newRow("empty user") << "" << true;
        QTest::newRow("empty service") << "" << false;
        QTest::newRow("lines, unwrapped") << "two\nlines" << false;
    }

    void bubbleSideAndColour()
    {
        QFETCH(QString, message);
        QFETCH(bool, isUser);

        ChatTextEdit view;
        view.resize(400, 200);
        view.show();
        view.appendMessage(message, isUser);
        QCOMPARE(firstBubbleColour(view, isUser), isUser ? kUser : kService);
        QCOMPARE(firstBubbleColour(view, !isUser), view.palette().color(QPalette::Base));
    }

    void userLinesStartTogetherOnTheRight()
    {
        ChatTextEdit view;
        view.resize(500, 200);
        view.show();
        view.appendMessage(QStringLiteral("a first line that is long\nshort"), true);
        const QTextLayout *lines = view.document()->findBlockByNumber(1).layout();
        QCOMPARE(lines->lineCount(), 2);
        QCOMPARE(lines->lineAt(1).x(), lines->lineAt(0).x());
        QCOMPARE(firstBubbleColour(view, true), kUser);
        // Narrower, the bubble moves along, still unwrapped.
        view.resize(300, 200);
        QCOMPARE(firstBubbleColour(view, true), kUser);
        QCOMPARE(firstBubbleColour(view, false), view.palette().color(QPalette::Base));
        QCOMPARE(lines->lineCount(), 2);
    }

    void bubblesKeepTheirOrder()
    {
        ChatTextEdit view;
        view.resize(300, 200);
        view.show();
        view.appendMessage(QStringLiteral("make an RSI indicator"), true);
        view.appendMessage(QStringLiteral("Generating code..."), false);
        view.appendMessage(QStringLiteral("done"), false);
        const QStringList expected{QStringLiteral("make an RSI indicator"), QStringLiteral("Generating code..."),
                                   QStringLiteral("done")};
        QCOMPARE(Transcript::bubbles(view), expected);
        // Blank lines between the bubbles, as readers of toPlainText() expect.
        QCOMPARE(view.toPlainText(), QLatin1Char('\n') + expected.join(QLatin1String("\n\n")) + QLatin1Char('\n'));

        view.clear();
        QVERIFY(Transcript::bubbles(view).isEmpty());
        // The cleared document's paragraph does not push the next bubble down.
        view.appendMessage(QStringLiteral("again"), false);
        QCOMPARE(view.toPlainText(), QStringLiteral("\nagain\n"));
        QCOMPARE(firstBubbleColour(view, false), kService);
    }

    void scrollsToTheNewestBubble()
    {
        ChatTextEdit view;
        view.resize(300, 200);
        view.show();
        for (int i = 0; i < 40; ++i)
            view.appendMessage(QStringLiteral("message %1").arg(i), i % 2 == 0);
        QScrollBar *bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        // The reader scrolled up; a new bubble brings the view back down.
        bar->setValue(0);
        view.appendMessage(QStringLiteral("newest"), false);
        QCOMPARE(bar->value(), bar->maximum());
    }
};

BREVAN_GUI_TEST_MAIN(TestChatTextEdit)
#include "tst_chattextedit.moc"
