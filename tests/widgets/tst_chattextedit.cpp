#include "support/testenvironment.h"
#include "widgets/chattextedit.h"

#include <QScrollBar>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>

class TestChatTextEdit final : public QObject
{
    Q_OBJECT

private:
    static QList<QTextTable *> bubbles(const ChatTextEdit &view)
    {
        QList<QTextTable *> tables;
        for (QTextFrame *frame : view.document()->rootFrame()->childFrames()) {
            if (auto *table = qobject_cast<QTextTable *>(frame))
                tables.append(table);
        }
        return tables;
    }

    static QString bubbleText(QTextTable *bubble)
    {
        QTextCursor cursor = bubble->cellAt(0, 0).firstCursorPosition();
        cursor.setPosition(bubble->cellAt(0, 0).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selection().toPlainText();
    }

private Q_SLOTS:
    void isReadOnly()
    {
        ChatTextEdit view;
        QVERIFY(view.isReadOnly());
    }

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
    }

    void showsTextAsWritten()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);

        ChatTextEdit view;
        view.appendMessage(message, false);
        const QList<QTextTable *> tables = bubbles(view);
        QCOMPARE(tables.size(), 1);
        QCOMPARE(bubbleText(tables.first()), shown);
        QVERIFY(!view.toHtml().contains(QLatin1String("<b>")));
    }

    void carriageReturnIsKeptAsWhiteSpace()
    {
        ChatTextEdit view;
        view.appendMessage(QStringLiteral("one\r\ntwo"), false);
        const QString text = bubbleText(bubbles(view).first());
        QCOMPARE(text.count(QLatin1Char('\n')), 1);
        QVERIFY(text.startsWith(QLatin1String("one")));
        QVERIFY(text.endsWith(QLatin1String("two")));
    }

    void bubbleSideAndColour_data()
    {
        QTest::addColumn<bool>("isUser");
        QTest::addColumn<Qt::Alignment>("alignment");
        QTest::addColumn<QColor>("background");

        QTest::newRow("user") << true << Qt::Alignment(Qt::AlignRight) << QColor(0x95, 0xEC, 0x69);
        QTest::newRow("service") << false << Qt::Alignment(Qt::AlignLeft) << QColor(0xF0, 0xF0, 0xF0);
    }

    void bubbleSideAndColour()
    {
        QFETCH(bool, isUser);
        QFETCH(Qt::Alignment, alignment);
        QFETCH(QColor, background);

        ChatTextEdit view;
        view.appendMessage(QStringLiteral("text"), isUser);
        QTextTable *bubble = bubbles(view).first();
        QCOMPARE(bubble->format().alignment() & (Qt::AlignLeft | Qt::AlignRight), alignment);
        QCOMPARE(bubble->cellAt(0, 0).format().background().color(), background);
    }

    void bubblesKeepTheirOrder()
    {
        ChatTextEdit view;
        view.appendMessage(QStringLiteral("make an RSI indicator"), true);
        view.appendMessage(QStringLiteral("Generating code..."), false);
        view.appendMessage(QStringLiteral("done"), false);
        const QList<QTextTable *> tables = bubbles(view);
        QCOMPARE(tables.size(), 3);
        QCOMPARE(bubbleText(tables.at(0)), QStringLiteral("make an RSI indicator"));
        QCOMPARE(bubbleText(tables.at(2)), QStringLiteral("done"));

        view.clear();
        QVERIFY(bubbles(view).isEmpty());
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
