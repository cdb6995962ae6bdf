#include "platform/compilerlog.h"
#include "client/archive/chatarchive.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"
#include "widgets/codeviewer.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QScrollBar>
#include <QSplitter>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

// Builds cleanly with the stand-in compiler as either kind of program, in either language.
const QString kCode = u"int OnInit() { return 0; }\nvoid OnTick() {}\n"
                      "int OnCalculate(const int total, const int prev, const int begin, const double &price[]) { return total; }\n"_s;
const QString kFix = u"Ask to fix these errors"_s;
const QString kGreeting = u"Hello, what shall we build?"_s; // the fake service's
const QString kError = u"Swing.mq4(1,1) : error 120: indicator has no 'OnCalculate' or 'start' function"_s; // the stand-in's

} // namespace

// What a chat is for, where its answers land, and the way back from the compiler's errors.
class TestChatFlow final : public QObject
{
    Q_OBJECT

    FakeService m_service;
    QTemporaryDir m_root;
    QScopedPointer<BrevanQt> m_window;
    QList<QUrl> m_opened;

    template <typename T> T *widget(const char *name) const { return m_window->findChild<T *>(QLatin1String(name)); }
    ChatTextEdit *transcript() const { return widget<ChatTextEdit>("textEdit_code"); }
    QStringList bubbles() const
    {
        QStringList texts;
        for (const ChatTextEdit::Message &message : transcript()->messages())
            texts << message.text;
        return texts;
    }
    QPlainTextEdit *prompt() const { return widget<QPlainTextEdit>("plainTextEdit_prompt"); }
    void send(const QString &request) { prompt()->setPlainText(request); widget<QPushButton>("pushButton_generate")->click(); }
    bool greeted(const QString &creating) { return QTest::qWaitFor([&] { return bubbles() == QStringList{creating, kGreeting}; }, 10000); }
    // Both terminals with the given compiler; the window on its start-up session, the form filled.
    void open(const QString &compiler)
    {
        m_window.reset(new BrevanQt);
        m_window->show();
        QVERIFY(greeted(u"Creating new MT4 Indicator chat..."_s));
        for (const QString &platform : {u"mt4"_s, u"mt5"_s}) {
            const QString install = m_root.filePath(platform + "/install"), data = m_root.filePath(platform + "/data");
            const QDir mql(data + "/MQL" + platform.back());
            QVERIFY(mql.mkpath("Indicators") && mql.mkpath("Experts") && QDir().mkpath(install) && QFile::copy(compiler, install + "/metaeditor.exe"));
            widget<QLineEdit>(qPrintable("lineEdit_" + platform + "install"))->setText(install);
            widget<QLineEdit>(qPrintable("lineEdit_" + platform + "data"))->setText(data);
        }
        widget<QLineEdit>("lineEdit_name")->setText(u"Swing"_s);
    }

public Q_SLOTS:
    void openUrl(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void initTestCase()
    {
        m_service.scriptGoodService();
        TestEnvironment::writeServiceBaseUrl(m_service.baseUrl());
        QDesktopServices::setUrlHandler(u"file"_s, this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"file"_s); }
    void cleanup()
    {
        m_window.reset();
        TestEnvironment::resetSettings();
        QVERIFY(m_root.remove() && QDir().mkpath(m_root.path()) && QDir(ChatArchive::defaultFolder()).removeRecursively());
    }

    void errorLinesLoseTheirFolders()
    {
        const QString log = u"C:\\MQL5\\Experts\\My EA.mq5(12,5) : error 121: x\r\n/t/A.mq5(3,1) : warning 43: y\nerror 123: z\nResult: 2 errors"_s;
        QCOMPARE(CompilerLog::errorLines(log), (QStringList{u"My EA.mq5(12,5) : error 121: x"_s, u"error 123: z"_s}));
    }

    void conversation_data()
    {
        QTest::addColumn<QString>("during"); // what the user does before the first Send, or while its answer is on its way
        QTest::addColumn<QString>("last");   // how the last bubble starts
        QTest::newRow("first use") << u"MT5 EA"_s << u"compiling 'Swing.mq5'"_s;
        QTest::newRow("radio switched while waiting; saved") << u"MT5"_s << u"compiling 'Swing.mq4'"_s;
        QTest::newRow("answer of an ended session") << u"New Chat"_s << kGreeting;
        QTest::newRow("stopped with Esc") << u"Esc"_s << u"Stopped. Your request is back in the request field."_s;
        QTest::newRow("errors") << QString() << u"compiling 'Swing.mq4'\n"_s + kError + "\nResult: 1 errors, 0 warnings\n\n" + kFix;
    }
    void conversation()
    {
        QFETCH(QString, during);
        QFETCH(QString, last);
        // Written unless the chat was left.
        const QString source = during == "MT5 EA"_L1 ? u"mt5/data/MQL5/Experts/Swing.mq5"_s : u"mt4/data/MQL4/Indicators/Swing.mq4"_s;
        open(QString::fromUtf8(FAKE_METAEDITOR_PATH));
        if (during == "MT5 EA"_L1) { // an unused chat follows the form
            widget<QRadioButton>("radioButton_mt5")->click();
            QVERIFY(greeted(u"Creating new MT5 Indicator chat..."_s));
            m_service.enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-ea"_s, kGreeting));
            widget<QComboBox>("comboBox_type")->setCurrentIndex(1);
            QVERIFY(greeted(u"Creating new MT5 EA chat..."_s));
        }
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(last.endsWith(kFix) ? u"int OnInit() { return 0; }\n"_s : kCode).delayed(300));
        const qsizetype chats = m_service.requestsTo("POST", u"/api/chat"_s).size();
        send(u"Draw it"_s);
        // One request at a time: Send waits for the answer.
        QVERIFY(!widget<QPushButton>("pushButton_generate")->isEnabled());
        const bool left = during == "New Chat"_L1 || during == "Esc"_L1; // the request, once the service has it
        if (left)
            QTRY_COMPARE(m_service.requestsTo("POST", u"/api/chat"_s).size(), chats + 1);
        if (during == "MT5"_L1 || during == "New Chat"_L1)
            widget<QAbstractButton>(during == "MT5"_L1 ? "radioButton_mt5" : "pushButton_newChat")->click();
        if (during == "New Chat"_L1) { // asked first; the chat stays until the trader goes ahead
            QTRY_VERIFY(m_window->findChild<QMessageBox *>(u"newChatQuestion"_s));
            QVERIFY(bubbles().contains(u"Draw it\nEdit"_s));
            m_window->findChild<QMessageBox *>(u"newChatQuestion"_s)->buttons().constFirst()->click(); // by role: going ahead
        }
        if (during == "Esc"_L1)
            QTest::keyClick(prompt(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(bubbles().constLast().startsWith(last), 20000);
        QTest::qWait(500); // an answer of an ended session would have come by now
        // Only a log with errors offers to send them back.
        QVERIFY2(bubbles().constLast().startsWith(last) && bubbles().constLast().endsWith(kFix) == last.endsWith(kFix), qPrintable(bubbles().join(u'|')));
        QCOMPARE(m_service.requestsTo("POST", u"/api/chat"_s).constLast().json["session_id"].toString(), during == "MT5 EA"_L1 ? u"s-ea"_s : u"session-1"_s);
        QCOMPARE(QFile::exists(m_root.filePath(source)), !left);
        if (left) { // the request comes back to be sent again
            QCOMPARE(prompt()->toPlainText(), u"Draw it"_s);
            return;
        }
        QVERIFY(bubbles().contains(u"%1 generated successfully!\nCompiling..."_s.arg(during == "MT5 EA"_L1 ? u"MT5 EA"_s : u"MT4 Indicator"_s)));
        // The program is in the chat, and copied from there.
        const QString code = last.endsWith(kFix) ? u"int OnInit() { return 0; }"_s : kCode.trimmed();
        QVERIFY(bubbles().contains(code + "\nCopy code   Regenerate"));
        QTextCursor copy = transcript()->document()->find(u"Copy code"_s);
        copy.setPosition(copy.selectionStart() + 1);
        QTest::mouseClick(transcript()->viewport(), Qt::LeftButton, {}, transcript()->cursorRect(copy).center());
        QCOMPARE(QGuiApplication::clipboard()->text(), last.endsWith(kFix) ? u"int OnInit() { return 0; }\n"_s : kCode);
        QCOMPARE(m_window->statusBar()->currentMessage(), u"Copied"_s);
        // The whole program shows under the name of its file.
        Q_EMIT m_window->findChild<Conversation *>()->programShown(0, 0);
        QCOMPARE(m_window->findChild<CodeViewer *>()->windowTitle(), QFileInfo(source).fileName());
        QTextCursor path = transcript()->document()->find(m_root.filePath(source));
        path.setPosition(path.selectionStart() + 1);
        QTest::mouseClick(transcript()->viewport(), Qt::LeftButton, {}, transcript()->cursorRect(path).center());
        QCOMPARE(m_opened.takeLast(), QUrl::fromLocalFile(m_root.filePath(source)));
        if (during == "MT5"_L1) { // the chat writes MT4 indicators
            send(u"Again"_s);
            QCOMPARE(bubbles().constLast(), u"This chat writes MT4 indicators. Press New Chat to start a chat for MT5 indicators."_s);
            QCOMPARE(prompt()->toPlainText(), u"Again"_s);
            QTest::keySequence(m_window.data(), QKeySequence::Save); // and the conversation saved
            QFileDialog *dialog = nullptr;
            QTRY_VERIFY(dialog = m_window->findChild<QFileDialog *>());
            Q_EMIT dialog->fileSelected(m_root.filePath(u"chat.txt"_s));
            QFile saved(m_root.filePath(u"chat.txt"_s));
            QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().startsWith(TestEnvironment::systemLineEnds(
                        "TavrinAI: Creating new MT4 Indicator chat...\n\nTavrinAI: Hello, what shall we build?\n\n"
                        "You: Draw it\n\nTavrinAI: Answered after 0:00\n\nTavrinAI: " + kCode.toUtf8() + "\n\n")));
            dialog->close(); // the next save starts in the folder of this one
            QTest::keySequence(m_window.data(), QKeySequence::Save);
            QTRY_VERIFY((dialog = m_window->findChild<QFileDialog *>()) && dialog->directory().absolutePath() == m_root.path());
            // The folders come back at the next start.
            m_window.reset(new BrevanQt);
            QCOMPARE(widget<QLineEdit>("lineEdit_mt5data")->text(), m_root.filePath(u"mt5/data"_s));
        } else if (last.endsWith(kFix)) { // by keyboard, from the clicked path on to the next link
            QTest::keyClick(transcript(), Qt::Key_Tab);
            QTest::keyClick(transcript(), Qt::Key_Return);
            QCOMPARE(prompt()->toPlainText(), "The program does not compile. Please fix these errors:\n" + kError);
        }
        QTest::qWait(200); // neither a refused Send nor a fix request goes out
        QCOMPARE(m_service.requestsTo("POST", u"/api/chat"_s).size(), chats + 1);
    }

    // The client ends in the middle of a chat; started again, it lists the chat and reopens it
    // as it was left, with its request back in the field if its answer never came.
    void keptChatReopened_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("movedOn"); // New Chat pressed before the list came
        QTest::newRow("answered") << true << false;
        QTest::newRow("ended while waiting") << false << false;
        QTest::newRow("a new chat begun first") << true << true;
    }
    void keptChatReopened()
    {
        QFETCH(bool, answered);
        QFETCH(bool, movedOn);
        open(QString::fromUtf8(FAKE_METAEDITOR_PATH));
        widget<QRadioButton>("radioButton_mt5")->click();
        QVERIFY(greeted(u"Creating new MT5 Indicator chat..."_s));
        widget<QLineEdit>("lineEdit_name")->setText(u"Kept"_s);
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kCode).delayed(answered ? 0 : 10000));
        const qsizetype chats = m_service.requestsTo("POST", u"/api/chat"_s).size();
        send(u"Draw a kept line"_s);
        if (answered)
            QTRY_VERIFY_WITH_TIMEOUT(bubbles().constLast().startsWith(u"compiling 'Kept.mq5'"_s), 20000);
        else
            QTRY_COMPARE(m_service.requestsTo("POST", u"/api/chat"_s).size(), chats + 1);
        const QStringList said = bubbles();
        m_window.reset();
        m_window.reset(new BrevanQt);
        m_window->show();
        auto *list = widget<QListView>("chatList");
        if (movedOn) { // the trader's own choice is not replaced by the chat left last time
            QVERIFY(greeted(u"Creating new MT5 Indicator chat..."_s));
            widget<QPushButton>("pushButton_newChat")->click();
            QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 2, 10000);
            QTest::qWait(500);
            QCOMPARE(bubbles().size(), 2);
            QCOMPARE(list->currentIndex().data().toString(), u"New chat"_s);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 10000);
        QCOMPARE(list->model()->index(0, 0).data().toString(), u"Draw a kept line"_s);
        // Back as it was left: the platform, the chat open, its row marked.
        QVERIFY(widget<QRadioButton>("radioButton_mt5")->isChecked());
        QTRY_COMPARE(bubbles(), answered ? said : said.mid(0, said.size() - 2));
        QCOMPARE(list->currentIndex().row(), 0);
        // At its narrowest the list elides the title: no scroll bar hides the details.
        m_window->findChild<QSplitter *>(u"splitter_chats"_s)->setSizes({1, 5000});
        QTRY_COMPARE(list->width(), list->minimumWidth());
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        // Renaming shows a title of 60 characters whole.
        Q_EMIT list->customContextMenuRequested(list->visualRect(list->model()->index(0, 0)).center());
        QMenu *menu = nullptr;
        QTRY_VERIFY(menu = list->parentWidget()->findChild<QMenu *>());
        menu->actions().at(2)->trigger(); // after Open a program… and the separator
        QInputDialog *rename = nullptr;
        QTRY_VERIFY(rename = m_window->findChild<QInputDialog *>());
        const QLineEdit *title = rename->findChild<QLineEdit *>();
        QCOMPARE(rename->windowModality(), Qt::WindowModal);
        QVERIFY(title->width() > title->fontMetrics().horizontalAdvance(u"An EA that buys when RSI 14 drops below 30 and sells above 70"_s));
        rename->reject();
        widget<QLineEdit>("lineEdit_chatSearch")->setText(u"kept line!"_s);
        QTRY_COMPARE(list->model()->rowCount(), 0);
        widget<QLineEdit>("lineEdit_chatSearch")->setText(u"KEPT"_s);
        QTRY_COMPARE(list->model()->rowCount(), 1);
        Q_EMIT list->activated(list->model()->index(0, 0));
        QVERIFY(widget<QRadioButton>("radioButton_mt5")->isChecked());
        QCOMPARE(widget<QLineEdit>("lineEdit_name")->text(), u"Kept"_s);
        QCOMPARE(bubbles(), answered ? said : said.mid(0, said.size() - 2));
        QCOMPARE(prompt()->toPlainText(), answered ? QString() : u"Draw a kept line"_s);
        // The mark follows the open chat to a new one.
        widget<QLineEdit>("lineEdit_chatSearch")->clear();
        widget<QPushButton>("pushButton_newChat")->click();
        QTRY_COMPARE(list->model()->rowCount(), 2);
        QTRY_COMPARE(list->currentIndex().row(), 0);
        QCOMPARE(list->currentIndex().data().toString(), u"New chat"_s);
    }

    // File > Open a program…: the chat is about the trader's own program, the form follows it.
    void ownProgramOpened()
    {
        open(QString::fromUtf8(FAKE_METAEDITOR_PATH));
        const QString mine = m_root.filePath(u"mt5/data/MQL5/Experts/Mine.mq5"_s);
        QVERIFY(TestEnvironment::writeFile(mine, "int OnInit() { return 0; }\nvoid OnTick() {}\n"));
        m_window->menuBar()->actions().constFirst()->menu()->actions().constFirst()->trigger();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY(dialog = m_window->findChild<QFileDialog *>());
        Q_EMIT dialog->fileSelected(mine);
        QVERIFY(widget<QRadioButton>("radioButton_mt5")->isChecked());
        QCOMPARE(widget<QComboBox>("comboBox_type")->currentData().toString(), u"ea"_s);
        QCOMPARE(widget<QLineEdit>("lineEdit_name")->text(), u"Mine"_s);
        QVERIFY(bubbles().constFirst().startsWith(u"Creating new MT5 EA chat..."_s));
        auto *list = widget<QListView>("chatList");
        QTRY_COMPARE(list->model()->rowCount(), 1);
        QCOMPARE(list->model()->index(0, 0).data().toString(), u"Mine.mq5"_s);
    }
};

BREVAN_GUI_TEST_MAIN(TestChatFlow)
#include "tst_chatflow.moc"
