#include "platform/backtestrun.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Protocol::Platform;
using Refusal = BacktestRun::Result::Refusal;
using Kind = BacktestRun::JournalError::Kind;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

BacktestRun::Settings settingsFor(Platform platform)
{
    BacktestRun::Settings settings;
    settings.platform = platform;
    settings.expert = u"Cross"_qs;
    settings.symbol = u"EURUSD"_qs;
    settings.period = u"H1"_qs;
    settings.from = QDate(2024, 1, 2);
    settings.to = QDate(2024, 2, 29);
    return settings;
}

} // namespace

// The start-up files of both terminals, and tests run by the stand-in terminal in real
// temporary terminal folders: the report, the journal's errors, the bound, Stop, and the
// refusal while the terminal runs.
class TestBacktestRun final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    int m_terminals = 0;

    // A fresh installation with the stand-in as its terminal, and a data folder with the EA
    // (the installation itself when portable).
    BacktestRun::Settings layOut(Platform platform, bool portable, bool withExpert = true)
    {
        BacktestRun::Settings settings = settingsFor(platform);
        const QString base = m_root.filePath(QString::number(++m_terminals));
        settings.installFolder = base + u"/Program Files/Terminal"_qs;
        settings.dataFolder = portable ? settings.installFolder : base + u"/Data"_qs;
        const bool mt5 = platform == Platform::Mt5;
        const QString experts = settings.dataFolder + (mt5 ? u"/MQL5/Experts"_qs : u"/MQL4/Experts"_qs);
        QDir().mkpath(experts);
        QDir().mkpath(settings.installFolder);
        QFile::copy(FAKE_TERMINAL_PATH, settings.installFolder + (mt5 ? u"/terminal64.exe"_qs : u"/terminal.exe"_qs));
        if (withExpert)
            QFile(experts + (mt5 ? u"/Cross.ex5"_qs : u"/Cross.ex4"_qs)).open(QIODevice::WriteOnly);
        return settings;
    }

    BacktestRun::Result run(BacktestRun::Run &runner, const BacktestRun::Settings &settings, int timeoutMs,
                            bool stop = false)
    {
        QSignalSpy finished(&runner, &BacktestRun::Run::finished);
        runner.start(settings, timeoutMs);
        if (!finished.isEmpty())
            return {};
        if (stop) {
            QTest::qWait(300);
            runner.stop();
        }
        if (!finished.wait(30000) || finished.size() != 1)
            return {};
        return finished.constFirst().constFirst().value<BacktestRun::Result>();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qRegisterMetaType<BacktestRun::Result>();
    }

    void cleanup() { qunsetenv("TAVRIN_FAKE_TERMINAL_SECONDS"); }

    void startupFile_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("realFile");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("MT5") << Platform::Mt5 << u"mt5-tester.ini"_qs
                             << QStringList{u"[Tester]"_qs, u"Expert=Cross"_qs, u"Symbol=EURUSD"_qs, u"Period=H1"_qs,
                                            u"Model=1"_qs, u"FromDate=2024.01.02"_qs, u"ToDate=2024.02.29"_qs,
                                            u"Deposit=2500.00"_qs, u"Currency=USD"_qs, u"Leverage=1:100"_qs,
                                            u"Report=reports\\tavrin-backtest"_qs, u"ReplaceReport=1"_qs,
                                            u"ShutdownTerminal=1"_qs, u"Visual=0"_qs};
        QTest::newRow("MT4") << Platform::Mt4 << u"mt4-tester.ini"_qs
                             << QStringList{u"TestExpert=Cross"_qs, u"TestSymbol=EURUSD"_qs, u"TestPeriod=H1"_qs,
                                            u"TestModel=1"_qs, u"TestSpread=0"_qs, u"TestOptimization=false"_qs,
                                            u"TestDateEnable=true"_qs, u"TestFromDate=2024.01.02"_qs,
                                            u"TestToDate=2024.02.29"_qs, u"TestReport=reports\\tavrin-backtest"_qs,
                                            u"TestReplaceReport=true"_qs, u"TestShutdownTerminal=true"_qs,
                                            u"TestVisualEnable=false"_qs};
    }
    void startupFile()
    {
        QFETCH(Platform, platform);
        QFETCH(QString, realFile);
        QFETCH(QStringList, expected);
        BacktestRun::Settings settings = settingsFor(platform);
        settings.deposit = 2500;
        const QStringList lines = BacktestRun::startupLines(settings);
        QCOMPARE(lines, expected);
        // Every key is one a real start-up file names.
        const QString real = QString::fromUtf8(readAll(QFINDTESTDATA(u"data/"_qs + realFile)));
        for (const QString &line : lines) {
            const QString key = line.section(u'=', 0, 0);
            QVERIFY2(real.contains(QRegularExpression(u"(?m)^;?"_qs + QRegularExpression::escape(key) + u"(=|$)"_qs)),
                     qPrintable(key));
        }
        const QByteArray bytes = BacktestRun::startupFileContent(settings);
        QCOMPARE(bytes.startsWith("\xFF\xFE"), platform == Platform::Mt5);
        QVERIFY(bytes.contains(platform == Platform::Mt5 ? QByteArray("\r\0\n\0", 4) : QByteArray("\r\n")));
    }

    // MT4 takes the deposit from tester\EXPERT.ini; the EA's inputs and limits there stay.
    void mt4Deposit()
    {
        const QByteArray real = readAll(QFINDTESTDATA("data/mt4-expert-tester.ini"));
        const QString kept = QString::fromLatin1(BacktestRun::mt4ExpertSettings(real, 2500, u"EUR"_qs));
        QVERIFY(kept.startsWith(u"<common>\r\ndeposit=2500.00\r\ncurrency=EUR\r\npositions=2\r\n"_qs));
        QCOMPARE(kept.count(u"deposit="_qs), 1);
        QVERIFY(kept.contains(u"consecwindeals=30.00\r\n</limits>"_qs));
        const QString fresh = QString::fromLatin1(BacktestRun::mt4ExpertSettings({}, 100, u"USD"_qs));
        QVERIFY(fresh.startsWith(u"<common>\r\npositions=2\r\ndeposit=100.00\r\n"_qs));
    }

    void portable_data()
    {
        QTest::addColumn<bool>("sameFolder");
        QTest::newRow("data folder is the installation") << true;
        QTest::newRow("data folder of its own") << false;
    }
    void portable()
    {
        QFETCH(bool, sameFolder);
        const BacktestRun::Settings settings = layOut(Platform::Mt5, sameFolder);
        QCOMPARE(BacktestRun::isPortable(settings.installFolder, settings.dataFolder), sameFolder);
    }

    void journal_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind"); // -1: not an error
        QTest::newRow("no history") << u"KO\t0\t10:00:00.000\tTester\tXAUUSD,H1: no history data"_qs
                                    << int(Kind::NoHistory);
        QTest::newRow("OnInit") << u"KO\t0\t10:00:00.000\tTester\ttester stopped because OnInit failed"_qs
                                << int(Kind::OnInitFailed);
        QTest::newRow("cannot open") << u"0\t10:00:00.000\tTester\tcannot open file \"X.ex4\""_qs << int(Kind::Other);
        QTest::newRow("final balance") << u"KO\t0\t10:00:00.000\tTester\tfinal balance 10 000.00 USD"_qs << -1;
        QTest::newRow("passed") << u"KO\t0\t10:00:00.000\tTester\tEURUSD,H1: Test passed in 0:00:01.000."_qs << -1;
    }
    void journal()
    {
        QFETCH(QString, line);
        QFETCH(int, kind);
        const QList<BacktestRun::JournalError> errors = BacktestRun::journalErrors(line + u"\r\n"_qs);
        QCOMPARE(errors.size(), kind < 0 ? 0 : 1);
        if (kind >= 0) {
            QCOMPARE(int(errors.constFirst().kind), kind);
            QCOMPARE(errors.constFirst().text, line.section(u'\t', -1));
        }
    }

    void runs_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("withExpert");
        QTest::addColumn<int>("error"); // -1: a report and no error
        QTest::newRow("MT5 report") << Platform::Mt5 << false << u"EURUSD"_qs << true << -1;
        QTest::newRow("MT5 portable report") << Platform::Mt5 << true << u"GBPUSD"_qs << true << -1;
        QTest::newRow("MT4 report") << Platform::Mt4 << false << u"EURUSD"_qs << true << -1;
        QTest::newRow("MT5 no history") << Platform::Mt5 << false << u"XAUUSD"_qs << true << int(Kind::NoHistory);
        QTest::newRow("MT4 no history") << Platform::Mt4 << true << u"XAUUSD"_qs << true << int(Kind::NoHistory);
        QTest::newRow("MT5 no EA") << Platform::Mt5 << false << u"EURUSD"_qs << false << int(Kind::Other);
    }
    void runs()
    {
        QFETCH(Platform, platform);
        QFETCH(bool, portable);
        QFETCH(QString, symbol);
        QFETCH(bool, withExpert);
        QFETCH(int, error);
        BacktestRun::Settings settings = layOut(platform, portable, withExpert);
        settings.symbol = symbol;
        settings.deposit = 5000;
        BacktestRun::Run runner;
        const BacktestRun::Result result = run(runner, settings, 20000);
        QCOMPARE(result.refusal, Refusal::None);
        QCOMPARE(result.process.ending, TerminalProcess::Outcome::Ending::Exited);
        QCOMPARE(result.reportWritten, error < 0);
        QVERIFY(result.journalWritten);
        QCOMPARE(result.journal.size(), error < 0 ? 0 : 1);
        if (error >= 0) {
            QCOMPARE(int(result.journal.constFirst().kind), error);
            return;
        }
        QVERIFY2(result.report, qPrintable(result.reportProblem));
        QCOMPARE(result.report->platform, platform);
        QCOMPARE(result.report->symbol, symbol);
        QCOMPARE(result.report->initialDeposit, 5000.0);
        QVERIFY(result.report->demo);
        QCOMPARE(result.report->balance.size(), result.report->totalTrades + 1);
    }

    // tavrin-backtest as a script runs it: JSON on success, else exit code 2 and the reason.
    void commandLine_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown"); // on standard output, or on standard error
        QTest::newRow("report") << u"EURUSD"_qs << 0 << u"\"demo\":true"_qs;
        QTest::newRow("no history") << u"XAUUSD"_qs << 2 << u"no history data"_qs;
    }
    void commandLine()
    {
        QFETCH(QString, symbol);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        const BacktestRun::Settings settings = layOut(Platform::Mt5, false);
        QProcess tool;
        tool.start(TAVRIN_BACKTEST_PATH,
                   {u"--platform"_qs, u"MT5"_qs, u"--install"_qs, settings.installFolder, u"--data"_qs,
                    settings.dataFolder, u"--expert"_qs, u"Cross"_qs, u"--symbol"_qs, symbol, u"--period"_qs,
                    u"H1"_qs, u"--from"_qs, u"2024.01.02"_qs, u"--to"_qs, u"2024.01.31"_qs, u"--deposit"_qs,
                    u"2500"_qs});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), exitCode);
        const QString out = QString::fromUtf8(exitCode == 0 ? tool.readAllStandardOutput() : tool.readAllStandardError());
        QVERIFY2(out.contains(shown), qPrintable(out));
        if (exitCode == 0)
            QVERIFY(out.contains(u"\"log\":[]"_qs) && out.contains(u"\"initial_deposit\":2500"_qs));
    }

    void boundAndStop_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("bound") << false;
        QTest::newRow("Stop") << true;
    }
    void boundAndStop()
    {
        QFETCH(bool, stop);
        qputenv("TAVRIN_FAKE_TERMINAL_SECONDS", "60");
        BacktestRun::Run runner;
        const BacktestRun::Result result = run(runner, layOut(Platform::Mt5, false), stop ? 20000 : 300, stop);
        QCOMPARE(result.process.ending,
                 stop ? TerminalProcess::Outcome::Ending::Stopped : TerminalProcess::Outcome::Ending::TimedOut);
        QVERIFY(!result.reportWritten);
        QVERIFY(!result.journalWritten);
    }

    void refusals()
    {
        BacktestRun::Settings settings = layOut(Platform::Mt5, false);
        BacktestRun::Run runner;
        QCOMPARE(run(runner, BacktestRun::Settings(settingsFor(Platform::Mt5)), 1000).refusal, Refusal::NoTerminal);
        settings.expert.clear();
        QCOMPARE(run(runner, settings, 1000).refusal, Refusal::NoExpert);
    }

    // Two copies of a terminal cannot share a data folder: while one runs, none is started.
    void refusedWhileTheTerminalRuns()
    {
        const BacktestRun::Settings settings = layOut(Platform::Mt5, false);
        QProcess running;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TAVRIN_FAKE_TERMINAL_SECONDS"_qs, u"60"_qs);
        running.setProcessEnvironment(environment);
        running.start(settings.installFolder + u"/terminal64.exe"_qs, {});
        QVERIFY(running.waitForStarted());
        BacktestRun::Run runner;
        QCOMPARE(run(runner, settings, 1000).refusal, Refusal::AlreadyRunning);
        running.kill();
        running.waitForFinished();
        QCOMPARE(run(runner, settings, 20000).refusal, Refusal::None);
    }
};

QTEST_GUILESS_MAIN(TestBacktestRun)
#include "tst_backtestrun.moc"
