#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include "platform/backtestrun.h"
#include "platform/compilerrun.h"
#include "platform/winerun.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStringEncoder>
#include <QTextEdit>
#include <QtEndian>


namespace {

const QString kCode = QStringLiteral("int OnInit() { return 0; }\nvoid OnTick() {}\n");

// Sets an environment variable for one scope.
class ScopedVariable final
{
public:
    ScopedVariable(const char *name, const QByteArray &value) : m_name(name), m_old(qgetenv(name)) { qputenv(name, value); }
    ~ScopedVariable() { qputenv(m_name, m_old); }

private:
    const char *m_name;
    QByteArray m_old;
};

} // namespace

// The terminal's Windows compiler run through real Wine, in a prefix made once per test run
// (BREVAN_TEST_WINEPREFIX, see tools/test.sh), laid out as the vendor's Linux script does.
class TestWineCompile final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_service.scriptGoodService();
        TestEnvironment::writeServiceBaseUrl(m_service.baseUrl());
        if (m_prefix.isEmpty() || !QFileInfo::exists(FAKE_METAEDITOR_WINDOWS_PATH))
            return;
        const QStringList users = QDir(m_prefix + "/drive_c/users").entryList({"*"}, QDir::Dirs | QDir::NoDotAndDotDot);
        const QString user = users.value(users.indexOf("Public") == 0 ? 1 : 0);
        m_data = m_prefix + "/drive_c/users/" + user + "/AppData/Roaming/MetaQuotes/Terminal/D0E8209F77C8CF37AD8BF550E51FF075";
        QVERIFY(TestEnvironment::writeFile(m_install + "/terminal64.exe", "MZ") && QDir().mkpath(m_data + "/MQL5/Experts"));
        QVERIFY(QFile::copy(FAKE_METAEDITOR_WINDOWS_PATH, m_install + "/MetaEditor64.exe"));
        QVERIFY(TestEnvironment::writeFile(m_data + "/origin.txt", QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(
                                                      QStringLiteral("C:\\Program Files\\MetaTrader 5\r\n"))));
    }
    // The window comes back as the last case left it: each case starts from no choice.
    void init() { TestEnvironment::resetSettings(); }

    void cleanupTestCase()
    {
        if (!m_data.isEmpty())
            QVERIFY(QDir(m_install).removeRecursively() && QDir(m_data).removeRecursively());
        QDir(m_prefix + "/drive_c/Program Files/Tester 5").removeRecursively();
    }

    // Auto detect under a home whose ~/.mt5 is the prefix, then a chat answer compiled through Wine.
    void windowCompilesThroughWine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown"); // by the last bubble
        QTest::newRow("plain") << "Trend" << "Result: 0 errors, 0 warnings";
        QTest::newRow("blanks") << "Trend EA 2" << "Result: 0 errors, 0 warnings";
        QTest::newRow("Chinese") << "均线 EA" << "Result: 0 errors, 0 warnings";
        QTest::newRow("ampersand") << "A&B" << "Result: 0 errors, 0 warnings";
        QTest::newRow("percent") << "50%" << "holds the character %";
        QTest::newRow("no wine") << "Trend" << "needs Wine, but \"wine\" was not found";
    }

    void windowCompilesThroughWine()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        if (m_data.isEmpty())
            QSKIP("needs BREVAN_TEST_WINEPREFIX and the Windows stand-in compiler");
        QTemporaryDir home;
        QVERIFY(QFile::link(m_prefix, home.filePath(".mt5")));
        const ScopedVariable homeVariable("HOME", QFile::encodeName(home.path()));
        const ScopedVariable path("PATH", QTest::currentDataTag() == QByteArray("no wine") ? QFile::encodeName(home.path())
                                                                                          : qgetenv("PATH"));
        const QString experts = m_data + "/MQL5/Experts/";
        QFile::remove(experts + name + ".ex5");

        BrevanQt window;
        auto *transcript = window.findChild<ChatTextEdit *>("textEdit_code");
        QTRY_VERIFY_WITH_TIMEOUT(!transcript->messages().isEmpty() && transcript->messages().constLast().text == "Hello, what shall we build?", 30000);
        window.findChild<QAbstractButton *>("radioButton_mt5")->click();
        window.findChild<QAbstractButton *>("pushButton_mt5scan")->click();
        const QString mapped = home.filePath(".mt5") + m_data.mid(m_prefix.size());
        QCOMPARE(window.findChild<QLineEdit *>("lineEdit_mt5install")->text(), home.filePath(".mt5/drive_c/Program Files/MetaTrader 5"));
        QCOMPARE(window.findChild<QLineEdit *>("lineEdit_mt5data")->text(), mapped);
        auto *type = window.findChild<QComboBox *>("comboBox_type");
        type->setCurrentIndex(type->findData("ea"));
        window.findChild<QLineEdit *>("lineEdit_name")->setText(name);
        m_service.enqueueReply("POST", "/api/chat", FakeService::chatSuccess(kCode));
        window.findChild<QPlainTextEdit *>("plainTextEdit_prompt")->setPlainText("Cross of two averages");
        window.findChild<QAbstractButton *>("pushButton_generate")->click();

        QTRY_VERIFY_WITH_TIMEOUT(transcript->messages().constLast().text.contains(shown), 60000);
        QCOMPARE(QFile::exists(experts + name + ".ex5"), shown.startsWith("Result"));
    }

    // Stopped when it hangs (a Wine service program runs until told to stop); refused when 32-bit
    // and this Wine cannot run it.
    void compileProblems_data()
    {
        QTest::addColumn<QString>("compiler"); // copied as MetaEditor64.exe
        QTest::addColumn<QString>("shown");
        QTest::newRow("hangs") << m_prefix + "/drive_c/windows/system32/plugplay.exe" << "did not finish within 2 seconds";
        if (WineRun::lacks32BitWine())
            QTest::newRow("32-bit") << "i386" << "is a 32-bit Windows program";
    }

    void compileProblems()
    {
        QFETCH(QString, compiler);
        QFETCH(QString, shown);
        if (m_data.isEmpty())
            QSKIP("needs BREVAN_TEST_WINEPREFIX and the Windows stand-in compiler");
        const QString install = m_prefix + "/drive_c/Program Files/Broken";
        const QString program = install + "/MetaEditor64.exe";
        QVERIFY(QDir().mkpath(install) && QFile::copy(compiler == "i386" ? FAKE_METAEDITOR_WINDOWS_PATH : compiler, program));
        if (compiler == "i386") { // the machine field of the PE header
            QByteArray bytes = TestEnvironment::readFile(program);
            qToLittleEndian<quint16>(0x14C, bytes.data() + qFromLittleEndian<quint32>(bytes.constData() + 0x3C) + 4);
            QVERIFY(TestEnvironment::writeFile(program, bytes));
        }
        CompilerRun::Outcome outcome;
        bool reported = false;
        CompilerRun::Job job;
        connect(&job, &CompilerRun::Job::finished, this, [&](const CompilerRun::Outcome &ended) {
            outcome = ended;
            reported = true;
        });
        job.start(install, install, "A.mq5", 2000);
        const bool finished = QTest::qWaitFor([&] { return reported; }, 30000);
        // Only the process started is stopped; what it started is left to this prefix's end.
        const ScopedVariable prefix("WINEPREFIX", QFile::encodeName(m_prefix));
        QProcess::execute("wineserver", {"-k"});
        QVERIFY(QDir(install).removeRecursively());
        QVERIFY(finished);
        QVERIFY2(outcome.problem.contains(shown), qPrintable(outcome.problem));
    }

    // The Windows stand-in tester through Wine: its report or its journal's error, and, while
    // it runs, the refusal of a second run and Stop ending it with what cmd started.
    void backtestThroughWine_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("lingers");
        QTest::newRow("report") << "EURUSD" << false;
        QTest::newRow("no history") << "XAUUSD" << false;
        QTest::newRow("running, then stopped") << "EURUSD" << true;
    }

    void backtestThroughWine()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, lingers);
        if (m_prefix.isEmpty() || !QFileInfo::exists(FAKE_TERMINAL_WINDOWS_PATH))
            QSKIP("needs BREVAN_TEST_WINEPREFIX and the Windows stand-in terminal");
        BacktestRun::Settings settings;
        settings.installFolder = m_prefix + "/drive_c/Program Files/Tester 5";
        settings.dataFolder = settings.installFolder;
        settings.expert = "Cross";
        settings.symbol = symbol;
        settings.period = "H1";
        settings.from = QDate(2024, 1, 2);
        settings.to = QDate(2024, 1, 31);
        const QString terminal = settings.installFolder + "/terminal64.exe";
        QVERIFY(QDir().mkpath(settings.installFolder + "/MQL5/Experts"));
        QVERIFY(QFile::exists(terminal) || QFile::copy(FAKE_TERMINAL_WINDOWS_PATH, terminal));
        QVERIFY(TestEnvironment::writeFile(settings.installFolder + "/MQL5/Experts/Cross.ex5", "stand-in"));
        const ScopedVariable linger("TAVRIN_FAKE_TERMINAL_SECONDS", lingers ? "60" : "0");
        QList<BacktestRun::Result> results;
        BacktestRun::Run run;
        connect(&run, &BacktestRun::Run::finished, this, [&](const BacktestRun::Result &ended) { results.append(ended); });
        QVERIFY(run.start(settings, 60000));
        if (lingers) {
            QTRY_VERIFY_WITH_TIMEOUT(BacktestRun::terminalRuns(terminal), 30000);
            BacktestRun::Run second;
            QVERIFY(!second.start(settings, 60000));
            run.stop();
        }
        QTRY_COMPARE_WITH_TIMEOUT(results.size(), 1, 60000);
        const BacktestRun::Result &result = results.constFirst();
        if (lingers) {
            QCOMPARE(result.process.ending, TerminalProcess::Outcome::Ending::Stopped);
            QTRY_VERIFY_WITH_TIMEOUT(!BacktestRun::terminalRuns(terminal), 10000);
            return;
        }
        QCOMPARE(result.process.ending, TerminalProcess::Outcome::Ending::Exited);
        QCOMPARE(result.reportWritten, symbol == "EURUSD");
        QCOMPARE(result.journal.size(), symbol == "EURUSD" ? 0 : 1);
    }

private:
    FakeService m_service;
    const QString m_prefix = qEnvironmentVariable("BREVAN_TEST_WINEPREFIX");
    const QString m_install = m_prefix + "/drive_c/Program Files/MetaTrader 5";
    QString m_data;
};

BREVAN_GUI_TEST_MAIN(TestWineCompile)
#include "tst_winecompile.moc"
