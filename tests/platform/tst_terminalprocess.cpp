#include "platform/terminalprocess.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Ending = TerminalProcess::Outcome::Ending;
using Problem = TerminalProcess::Outcome::StartProblem;

// Runs of a native program that lingers (the stand-in terminal, told to wait): its bound,
// Stop, and programs that cannot start, all reported once from the event loop.
class TestTerminalProcess final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    TerminalProcess::Outcome run(TerminalProcess &process, const TerminalProcess::Launch &launch, bool stop,
                                 bool *started = nullptr)
    {
        QSignalSpy finished(&process, &TerminalProcess::finished);
        const bool accepted = process.start(launch);
        if (started)
            *started = accepted;
        if (!finished.isEmpty()) // never from inside start()
            return {};
        if (stop) {
            QTest::qWait(200);
            process.stop();
        }
        if (!finished.wait(20000) || finished.size() != 1)
            return {};
        return finished.constFirst().constFirst().value<TerminalProcess::Outcome>();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        qRegisterMetaType<TerminalProcess::Outcome>();
    }

    void cleanup()
    {
        qunsetenv("TAVRIN_FAKE_TERMINAL_SECONDS");
        qunsetenv("TAVRIN_WINE");
    }

    void endings_data()
    {
        QTest::addColumn<QByteArray>("lingerSeconds");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<Ending>("ending");
        QTest::newRow("exits") << QByteArray("0") << 20000 << false << Ending::Exited;
        QTest::newRow("outlasts its bound") << QByteArray("60") << 300 << false << Ending::TimedOut;
        QTest::newRow("stopped") << QByteArray("60") << 0 << true << Ending::Stopped;
    }
    void endings()
    {
        QFETCH(QByteArray, lingerSeconds);
        QFETCH(int, timeoutMs);
        QFETCH(bool, stop);
        QFETCH(Ending, ending);
        qputenv("TAVRIN_FAKE_TERMINAL_SECONDS", lingerSeconds);
        TerminalProcess process;
        const TerminalProcess::Outcome outcome =
            run(process, {FAKE_TERMINAL_PATH, {}, {}, {}, m_folder.path(), timeoutMs}, stop);
        QCOMPARE(outcome.ending, ending);
        QCOMPARE(outcome.problem, Problem::None);
        if (ending == Ending::Exited)
            QCOMPARE(outcome.exitCode, 0);
        QVERIFY(!process.isRunning());
    }

    void notStarted_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the program; empty: there is none
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<QByteArray>("wine");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<bool>("refusedAtOnce");
        QTest::newRow("no program") << QByteArray() << u"a"_qs << QByteArray() << Problem::NoProgram << true;
        QTest::newRow("not a program") << QByteArray("text") << u"b"_qs << QByteArray() << Problem::StartFailed
                                       << false;
#ifndef Q_OS_WIN
        QTest::newRow("Wine missing") << QByteArray("MZ") << u"c"_qs << QByteArray("no-such-wine")
                                      << Problem::WineMissing << true;
        QTest::newRow("unpassable") << QByteArray("MZ") << u"d%e"_qs << QByteArray("/bin/true")
                                    << Problem::UnpassableCharacter << true;
#endif
    }
    void notStarted()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, folderName);
        QFETCH(QByteArray, wine);
        QFETCH(Problem, problem);
        QFETCH(bool, refusedAtOnce);
        const QString folder = m_folder.filePath(folderName);
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + u"/terminal64.exe"_qs;
        if (!content.isEmpty()) {
            QFile file(program);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
            file.close();
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
        if (!wine.isEmpty())
            qputenv("TAVRIN_WINE", wine);
        TerminalProcess process;
        bool started = true;
        const TerminalProcess::Outcome outcome =
            run(process, {program, {}, {}, {folder}, folder, 1000}, false, &started);
        QCOMPARE(outcome.ending, Ending::NotStarted);
        QCOMPARE(outcome.problem, problem);
        QCOMPARE(started, !refusedAtOnce);
        if (problem == Problem::WineMissing)
            QCOMPARE(outcome.wineRequested, QString::fromUtf8(wine));
        if (problem == Problem::UnpassableCharacter)
            QCOMPARE(outcome.unpassableCharacter, u"%"_qs);
    }

    // The terminal under Wine sees its own prefix's files on C:, other host files on Z:.
    void programSidePath()
    {
#ifdef Q_OS_WIN
        QCOMPARE(TerminalProcess::programSidePath(FAKE_TERMINAL_PATH, u"C:/a/b.ini"_qs), u"C:\\a\\b.ini"_qs);
#else
        const QString native = m_folder.filePath(u"x.ini"_qs);
        QCOMPARE(TerminalProcess::programSidePath(FAKE_TERMINAL_PATH, native), native);
        const QString install = m_folder.filePath(u"prefix/drive_c/Program Files/T"_qs);
        QVERIFY(QDir().mkpath(install));
        QFile program(install + u"/terminal64.exe"_qs);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("MZ");
        program.close();
        QCOMPARE(TerminalProcess::programSidePath(program.fileName(), install + u"/a b.ini"_qs),
                 u"C:\\Program Files\\T\\a b.ini"_qs);
#endif
    }
};

QTEST_GUILESS_MAIN(TestTerminalProcess)
#include "tst_terminalprocess.moc"
