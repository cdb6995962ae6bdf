#include "support/testenvironment.h"
#include "widgets/chattextedit.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

const QColor kUser(0x95, 0xEC, 0x69);
const QColor kService(0xF0, 0xF0, 0xF0);

// The first bubble's background, above its text, 2 px in from the side.
QColor firstBubbleColour(ChatTextEdit &view, bool rightSide)
{
    const QImage shown = view.viewport()->grab().toImage();
    return shown.pixelColor(rightSide ? shown.width() - 1 - 8 : 8, 12);
}

// "> " marks the user's own bubbles.
QStringList read(const ChatTextEdit &view)
{
    QStringList texts;
    for (const ChatTextEdit::Message &message : view.messages())
        texts << (message.isUser ? u"> "_s : QString()) + message.text;
    return texts;
}

} // namespace

class TestChatTextEdit final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTextAsWritten_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("markup stays text") << "<b>bold</b> & \"quoted\" &amp; 50%1" << "<b>bold</b> & \"quoted\" &amp; 50%1";
        QTest::newRow("line feed breaks") << "first\n指标 ✓" << "first\n指标 ✓";
        QTest::newRow("carriage return is a blank") << "one\r\ntwo" << "one \ntwo";
        QTest::newRow("blanks collapse") << "  a  b\t\tc\n  d" << "a b c\nd";
    }
    void showsTextAsWritten()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        ChatTextEdit view;
        QVERIFY(view.isReadOnly());
        view.appendMessage(message, false);
        QCOMPARE(read(view), QStringList{shown});
        QVERIFY(!view.toHtml().contains(QLatin1String("<b>")));
    }

    void bubbleSideAndColour_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("isUser");
        QTest::newRow("user") << "text" << true;
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
        view.appendMessage(u"a first line that is long\nshort"_s, true);
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

    // A pasted program keeps its indentation; a long request shows its start until "Show all".
    void longRequestsFold_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("folded"); // as shown before "Show all"; empty when shown whole
        QTest::addColumn<bool>("code");
        const QString program = u"int OnInit()\n{\n"_s + u"    Print(i++);\n"_s.repeated(20) + u"}"_s;
        QTest::newRow("prose") << u"Buy when  RSI < 30;\n  sell above 70"_s << QString() << false;
        QTest::newRow("short program, tabs as spaces") << u"void f()\n{\n\tg();\n}"_s << QString() << true;
        QTest::newRow("one long line") << QString(14000, u'a') << QString(1200, u'a') + u" …"_s << false;
        QTest::newRow("long program") << program << program.section(u'\n', 0, 11) + u" …"_s << true;
    }
    void longRequestsFold()
    {
        QFETCH(QString, request);
        QFETCH(QString, folded);
        QFETCH(bool, code);
        ChatTextEdit view;
        view.resize(500, 300);
        view.show();
        view.appendMessage(request, true);
        const QString whole = code ? QString(request).replace(u'\t', u"    "_s) : u"Buy when RSI < 30;\nsell above 70"_s;
        QCOMPARE(view.messages().constFirst().text, folded.isEmpty() ? whole : folded + u"\nShow all"_s);
        QCOMPARE(view.document()->findBlockByNumber(1).begin().fragment().charFormat().fontFixedPitch(), code);
        if (folded.isEmpty())
            return;
        // Opened in place by the view itself: the window hears of no link.
        QSignalSpy activated(&view, &ChatTextEdit::linkActivated);
        QTextCursor link = view.document()->find(u"Show all"_s);
        link.setPosition(link.selectionStart() + 1);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(link).center());
        QCOMPARE(view.messages().constFirst().text, request);
        QCOMPARE(activated.count(), 0);
    }

    // The line the offline generator keeps for itself is the file's, not the trader's to read.
    void programPreviewHidesTheWritersNote()
    {
        ChatTextEdit view;
        ChatEntry program;
        program.kind = ChatEntry::Kind::Program;
        program.code = u"// RSI(14)\n// tavrin-strategy: {\"rules\": []}\nint OnInit() { return 0; }\n"_s;
        view.showEntry(0, program);
        const QString shown = view.toPlainText();
        QVERIFY2(!shown.contains(u"tavrin-strategy"_s), qPrintable(shown));
        QVERIFY(shown.contains(u"OnInit"_s));
    }

    void keepsOrderAndScrollsToTheNewest()
    {
        ChatTextEdit view;
        view.resize(300, 200);
        view.show();
        for (int i = 0; i < 40; ++i)
            view.appendMessage(u"message %1"_s.arg(i), i % 2 == 0);
        QCOMPARE(read(view).mid(38), (QStringList{u"> message 38"_s, u"message 39"_s}));
        QScrollBar *bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        // The reader scrolled up; a new bubble brings the view back down.
        bar->setValue(0);
        view.appendMessage(u"newest"_s, false);
        QCOMPARE(bar->value(), bar->maximum());

        view.clear();
        QVERIFY(view.messages().isEmpty());
        // The cleared document's paragraph does not push the next bubble down.
        view.appendMessage(u"again"_s, false);
        // A blank line around each bubble, for whoever copies the chat out as text.
        QCOMPARE(view.toPlainText(), u"\nagain\n"_s);
        QCOMPARE(firstBubbleColour(view, false), kService);
    }
};

BREVAN_GUI_TEST_MAIN(TestChatTextEdit)
#include "tst_chattextedit.moc"
