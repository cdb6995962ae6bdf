#include "platform/compilerlog.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "support/transcript.h"
#include "ui/brevanqt.h"

#include <QDesktopServices>
#include <QDirIterator>
#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace {

// Builds cleanly with the stand-in compiler as either kind of program, in either language.
const QString kCode = u"int OnInit() { return 0; }\nvoid OnTick() {}\n"
                      "int OnCalculate(const int total, const int prev, const int begin, const double &price[]) { return total; }\n"_s;
const QString kGreeting = u"Hello, what shall we build?"_s;
const QString kFix = u"Ask to fix these errors"_s;

} // namespace

// What the chat is for, where its answers land, and the way back from the compiler's errors.
class TestChatFlow final : public QObject
{
    Q_OBJECT

    FakeService m_service;
    QTemporaryDir m_root;
    QScopedPointer<BrevanQt> m_window;
    QList<QUrl> m_opened;

    template <typename T> T *widget(const char *name) const { return m_window->findChild<T *>(QLatin1String(name)); }
    ChatTextEdit *transcript() const { return widget<ChatTextEdit>("textEdit_code"); }
    QStringList bubbles() const { return Transcript::bubbles(*transcript()); }
    QString prompt() const { return widget<QPlainTextEdit>("plainTextEdit_prompt")->toPlainText(); }
    void send(const QString &request)
    {
        widget<QPlainTextEdit>("plainTextEdit_prompt")->setPlainText(request);
        widget<QPushButton>("pushButton_generate")->click();
    }
    bool greeted(const QString &creating)
    {
        return QTest::qWaitFor([&] { return bubbles() == QStringList{creating, kGreeting}; }, 10000);
    }
    // Two terminals with the given compiler, the window open on its start-up session.
    void open(const QString &compiler)
    {
        for (const char *platform : {"mt4", "mt5"}) {
            const QString install = m_root.filePath(u"%1/install"_s.arg(platform));
            const QString mql = m_root.filePath(u"%1/data/MQL%2"_s.arg(platform).arg(platform[2]));
            QVERIFY(QDir().mkpath(install) && QDir().mkpath(mql + "/Indicators") && QDir().mkpath(mql + "/Experts"));
            QVERIFY(QFile::copy(compiler, install + "/metaeditor.exe"));
        }
        m_window.reset(new BrevanQt);
        m_window->show();
        QVERIFY(greeted(u"Creating new MT4 Indicator chat..."_s));
        for (const char *platform : {"mt4", "mt5"}) {
            widget<QLineEdit>(qPrintable(u"lineEdit_%1install"_s.arg(platform)))->setText(m_root.filePath(u"%1/install"_s.arg(platform)));
            widget<QLineEdit>(qPrintable(u"lineEdit_%1data"_s.arg(platform)))->setText(m_root.filePath(u"%1/data"_s.arg(platform)));
        }
        widget<QLineEdit>("lineEdit_name")->setText(u"Swing"_s);
    }
    QStringList sources() const
    {
        QStringList found;
        for (QDirIterator it(m_root.path(), {"*.mq4", "*.mq5"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            found << QDir(m_root.path()).relativeFilePath(it.next());
        return found;
    }

public Q_SLOTS:
    void openUrl(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_service.isListening());
        m_service.scriptGoodService();
        TestEnvironment::writeServiceBaseUrl(m_service.baseUrl());
        QDesktopServices::setUrlHandler(u"file"_s, this, "openUrl");
    }
    void cleanup()
    {
        m_window.reset();
        QVERIFY(m_root.remove() && QDir().mkpath(m_root.path()));
    }

    void errorLines_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("clean") << u"compiling 'A.mq4'\r\nResult: 0 errors, 1 warnings"_s << QStringList();
        QTest::newRow("folders gone, warnings left out")
            << u"compiling 'C:\\MT5\\MQL5\\Experts\\My EA.mq5'\nC:\\MT5\\MQL5\\Experts\\My EA.mq5(12,5) : error 121: 'SetIndexStyle' is not available\n"
               "/home/t/MQL5/Experts/My EA.mq5(3,1) : warning 43: possible loss\n/home/t/MQL5/Experts/My EA.mq5(9,2) : error 149: unexpected '}'\n"
               "error 123: no source\nResult: 3 errors, 1 warnings"_s
            << QStringList{u"My EA.mq5(12,5) : error 121: 'SetIndexStyle' is not available"_s,
                           u"My EA.mq5(9,2) : error 149: unexpected '}'"_s, u"error 123: no source"_s};
    }
    void errorLines()
    {
        QFETCH(QString, log);
        QFETCH(QStringList, lines);
        QCOMPARE(CompilerLog::errorCount(log), lines.size());
        QCOMPARE(CompilerLog::errorLines(log), lines);
    }

    void conversation_data()
    {
        QTest::addColumn<bool>("mt5Ea");      // the form switched to MT5 and EA before the first Send
        QTest::addColumn<QString>("during");  // what the user does while the answer is on its way
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("source");  // the file written, below the temporary root
        QTest::addColumn<QString>("last");    // the last bubble starts with it
        const QString indicator = u"mt4/data/MQL4/Indicators/Swing.mq4"_s;
        const QString errors = u"compiling 'Swing.mq4'\nSwing.mq4(1,1) : error 120: indicator has no 'OnCalculate' or 'start' function\n"
                               "Result: 1 errors, 0 warnings\n\n"_s + kFix;
        QTest::newRow("first use") << true << QString() << kCode << u"mt5/data/MQL5/Experts/Swing.mq5"_s << u"compiling 'Swing.mq5'"_s;
        QTest::newRow("radio switched while waiting") << false << u"MT5"_s << kCode << indicator << u"compiling 'Swing.mq4'"_s;
        QTest::newRow("answer of an ended session") << false << u"New Chat"_s << kCode << QString() << kGreeting;
        QTest::newRow("errors") << false << QString() << u"int OnInit() { return 0; }\n"_s << indicator << errors;
        QTest::newRow("no log") << false << u"no log"_s << kCode << indicator << u"The compiler finished but left no log."_s;
    }
    void conversation()
    {
        QFETCH(bool, mt5Ea);
        QFETCH(QString, during);
        QFETCH(QString, code);
        QFETCH(QString, source);
        QFETCH(QString, last);
        open(during == "no log"_L1 ? u"/bin/true"_s : QStringLiteral(FAKE_METAEDITOR_PATH));
        if (mt5Ea) {
            widget<QRadioButton>("radioButton_mt5")->click();
            widget<QComboBox>("comboBox_type")->setCurrentIndex(1);
            QVERIFY(greeted(u"Creating new MT5 EA chat..."_s));
        }
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(code).delayed(300));
        send(u"Draw it"_s);
        if (during == "MT5"_L1)
            widget<QRadioButton>("radioButton_mt5")->click();
        if (during == "New Chat"_L1)
            widget<QPushButton>("pushButton_newChat")->click();
        QTRY_VERIFY_WITH_TIMEOUT(bubbles().constLast().startsWith(last), 20000);
        QTest::qWait(500); // an answer of an ended session would have come by now
        QVERIFY2(bubbles().constLast().startsWith(last), qPrintable(bubbles().join(u'|')));
        QCOMPARE(sources(), source.isEmpty() ? QStringList() : QStringList{source});
        QVERIFY(source.isEmpty() || bubbles().contains((mt5Ea ? u"MT5 EA"_s : u"MT4 Indicator"_s) + " generated successfully!\nCompiling..."));
        if (!source.isEmpty()) { // the saved file's path opens it
            QTextCursor path = transcript()->document()->find(m_root.filePath(source));
            path.setPosition(path.selectionStart() + 1);
            QTest::mouseClick(transcript()->viewport(), Qt::LeftButton, {}, transcript()->cursorRect(path).center());
            QCOMPARE(m_opened.takeLast(), QUrl::fromLocalFile(m_root.filePath(source)));
        }
        if (during == "MT5"_L1) { // the chat still writes MT4 indicators
            send(u"Again"_s);
            QCOMPARE(bubbles().constLast(), u"This chat writes MT4 indicators. Press New Chat to start a chat for MT5 indicators."_s);
            QCOMPARE(prompt(), u"Again"_s);
        }
        QCOMPARE(bubbles().constLast().endsWith(kFix), last.endsWith(kFix));
        if (last.endsWith(kFix)) { // by keyboard, from the clicked path on to the next link
            QTest::keyClick(transcript(), Qt::Key_Tab);
            QTest::keyClick(transcript(), Qt::Key_Return);
            QCOMPARE(prompt(), u"The program does not compile. Please fix these errors:\n"
                               "Swing.mq4(1,1) : error 120: indicator has no 'OnCalculate' or 'start' function"_s);
        }
    }

    void saveConversation_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("saved") << u"chat.txt"_s << QString();
        QTest::newRow("folder missing") << u"gone/chat.txt"_s << u"Cannot save the conversation: "_s;
    }
    void saveConversation()
    {
        QFETCH(QString, file);
        QFETCH(QString, shown);
        open(QStringLiteral(FAKE_METAEDITOR_PATH));
        send(u"Draw it"_s);
        QTRY_VERIFY_WITH_TIMEOUT(bubbles().constLast().startsWith(u"compiling"_s), 20000);
        QTest::keySequence(m_window.data(), QKeySequence::Save);
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = m_window->findChild<QFileDialog *>()));
        Q_EMIT dialog->fileSelected(m_root.filePath(file));
        QFile saved(m_root.filePath(file));
        QCOMPARE(saved.open(QIODevice::ReadOnly), shown.isEmpty());
        QVERIFY(shown.isEmpty() ? saved.readAll().startsWith("TavrinAI: Creating new MT4 Indicator chat...\n\nTavrinAI: "
                                                             "Hello, what shall we build?\n\nYou: Draw it\n\nTavrinAI: Generating code...\n\n")
                                : bubbles().constLast().startsWith(shown));
    }
};

BREVAN_GUI_TEST_MAIN(TestChatFlow)
#include "tst_chatflow.moc"
