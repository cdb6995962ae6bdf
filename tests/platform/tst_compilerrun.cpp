#include "standincompiler.h"
#include "support/testenvironment.h"
#include "terminaltree.h"

#include "platform/compilerrun.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using TerminalTree::Encoding;

Q_DECLARE_METATYPE(TerminalTree::Encoding)

class TestCompilerRun final : public QObject
{
    Q_OBJECT

private:
    // An installation folder and a working folder with blanks, as "Program Files" has.
    struct Layout final
    {
        QString install;
        QString working;
        QString record;
    };

    static Layout makeLayout(const QTemporaryDir &temp)
    {
        Layout layout{temp.filePath(QStringLiteral("Program Files/Terminal")),
                      temp.filePath(QStringLiteral("Data Folder/MQL4/Experts")),
                      temp.filePath(QStringLiteral("runs.txt"))};
        QDir().mkpath(layout.install);
        QDir().mkpath(layout.working);
        return layout;
    }

    static QString logPath(const Layout &layout)
    {
        return layout.working + QStringLiteral("/a.log");
    }

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
    }

    void arguments_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("native");

        QTest::newRow("blank") << "My EA.mq4" << QStringList{"/compile:My EA.mq4", "/log:a.log"}
                               << "/compile:\"My EA.mq4\" /log:a.log";
        QTest::newRow("two blanks") << "My  Moving EA.mq5" << QStringList{"/compile:My  Moving EA.mq5", "/log:a.log"}
                                    << "/compile:\"My  Moving EA.mq5\" /log:a.log";
        QTest::newRow("no blank") << "RSI.mq5" << QStringList{"/compile:RSI.mq5", "/log:a.log"}
                                  << "/compile:RSI.mq5 /log:a.log";
        QTest::newRow("default name") << "Tavrin_20240305_070809.mq4"
                                      << QStringList{"/compile:Tavrin_20240305_070809.mq4", "/log:a.log"}
                                      << "/compile:Tavrin_20240305_070809.mq4 /log:a.log";
        QTest::newRow("unicode, no blank") << "指标Ω.mq4" << QStringList{"/compile:指标Ω.mq4", "/log:a.log"}
                                           << "/compile:指标Ω.mq4 /log:a.log";
    }

    void arguments()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, arguments);
        QFETCH(QString, native);

        QCOMPARE(CompilerRun::compilerArguments(fileName), arguments);
        QCOMPARE(CompilerRun::nativeCompilerArguments(fileName), native);
    }

    void notStartedWithoutCompiler()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        // Something else of that name nearby must not be taken for it.
        QVERIFY(StandInCompiler::installRecorder(layout.working, layout.record));

        CompilerRun::Outcome outcome = CompilerRun::compile(layout.install, layout.working, QStringLiteral("X.mq4"));
        QVERIFY(!outcome.started);
        QVERIFY(!outcome.hasLog);
        QVERIFY(outcome.log.isEmpty());

        outcome = CompilerRun::compile(temp.filePath(QStringLiteral("absent")), layout.working,
                                       QStringLiteral("X.mq4"));
        QVERIFY(!outcome.started);

        // There, but not a program that can be started.
        QVERIFY(TerminalTree::writeFile(CompilerRun::compilerPath(layout.install), "MZ"));
        QVERIFY(QFile::setPermissions(CompilerRun::compilerPath(layout.install),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        outcome = CompilerRun::compile(layout.install, layout.working, QStringLiteral("X.mq4"));
        QVERIFY(!outcome.started);
        QVERIFY(StandInCompiler::recordedRuns(layout.record).isEmpty());
    }

    void readsLog_data()
    {
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("lineEnd");

        QTest::newRow("utf-16le bom, cr lf") << Encoding::Utf16LeBom << "\r\n";
        QTest::newRow("utf-16le bom, lf") << Encoding::Utf16LeBom << "\n";
        QTest::newRow("utf-16be bom, cr lf") << Encoding::Utf16BeBom << "\r\n";
        QTest::newRow("utf-8 bom, cr lf") << Encoding::Utf8Bom << "\r\n";
        QTest::newRow("utf-8, cr lf") << Encoding::Utf8 << "\r\n";
        QTest::newRow("utf-8, lf") << Encoding::Utf8 << "\n";
    }

    void readsLog()
    {
        QFETCH(Encoding, encoding);
        QFETCH(QString, lineEnd);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        // U+010D and U+0D0A hold the bytes of CR and LF in UTF-16: they must survive.
        const QStringList lines = {QStringLiteral("compiling 'My EA.mq4'"),
                                   QStringLiteral("My EA.mq4(3,5) : warning 200: čas ഊ 指标"),
                                   QStringLiteral("Result: 0 errors, 1 warnings")};
        const QString prepared = temp.filePath(QStringLiteral("prepared.log"));
        QVERIFY(TerminalTree::writeFile(prepared, TerminalTree::encoded(lines.join(lineEnd) + lineEnd, encoding)));
        QVERIFY(StandInCompiler::installRecorder(layout.install, layout.record, prepared));

        const CompilerRun::Outcome outcome =
            CompilerRun::compile(layout.install, layout.working, QStringLiteral("My EA.mq4"));
        QVERIFY(outcome.started);
        QVERIFY(outcome.hasLog);
        QCOMPARE(outcome.log, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QVERIFY(!QFileInfo::exists(logPath(layout)));
    }

    void emptyLogIsALog()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        const QString prepared = temp.filePath(QStringLiteral("prepared.log"));
        QVERIFY(TerminalTree::writeFile(prepared, {}));
        QVERIFY(StandInCompiler::installRecorder(layout.install, layout.record, prepared));

        const CompilerRun::Outcome outcome = CompilerRun::compile(layout.install, layout.working, QStringLiteral("X.mq4"));
        QVERIFY(outcome.started);
        QVERIFY(outcome.hasLog);
        QVERIFY(outcome.log.isEmpty());
        QVERIFY(!QFileInfo::exists(logPath(layout)));
    }

    void staleLogNeverPassesForResult()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        QVERIFY(TerminalTree::writeFile(logPath(layout), "STALE Result: 7 errors"));
        QVERIFY(StandInCompiler::installRecorder(layout.install, layout.record));

        const CompilerRun::Outcome outcome = CompilerRun::compile(layout.install, layout.working, QStringLiteral("X.mq4"));
        QVERIFY(outcome.started);
        QVERIFY(!outcome.hasLog);
        QVERIFY(!outcome.log.contains(QStringLiteral("STALE")));
        QVERIFY(!QFileInfo::exists(logPath(layout)));
        QCOMPARE(StandInCompiler::recordedRuns(layout.record).size(), 1);
    }

    void compilerReceivesFolderAndArguments_data()
    {
        QTest::addColumn<QString>("fileName");

        QTest::newRow("blanks arrive as one argument") << "My Moving EA.mq4";
        QTest::newRow("plain") << "RSI.mq5";
        QTest::newRow("unicode") << "指标 Ω.mq4";
    }

    void compilerReceivesFolderAndArguments()
    {
        QFETCH(QString, fileName);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        QVERIFY(StandInCompiler::installRecorder(layout.install, layout.record));

        QVERIFY(CompilerRun::compile(layout.install, layout.working, fileName).started);
        const QList<StandInCompiler::Run> runs = StandInCompiler::recordedRuns(layout.record);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().workingFolder, QFileInfo(layout.working).canonicalFilePath());
        QCOMPARE(runs.first().arguments, (QStringList{QStringLiteral("/compile:") + fileName,
                                                      QStringLiteral("/log:a.log")}));
    }

    void standInCompilerBuilds_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("output"); // empty: none expected

        const QString indicator = QStringLiteral(
            "#property indicator_chart_window\r\n"
            "int OnInit() { return 0; }\r\n"
            "int OnCalculate(const int total, const int previous, const int begin, const double &price[])\r\n"
            "{\r\n  return total;\r\n}\r\n");
        const QString expert = QStringLiteral("int OnInit() { return 0; }\nvoid OnTick()\n{\n}\n");
        QTest::newRow("mql4 indicator") << "My Indicator.mq4" << indicator << "Result: 0 errors, 0 warnings"
                                        << "My Indicator.ex4";
        QTest::newRow("mql5 expert") << "My EA.mq5" << expert << "Result: 0 errors, 0 warnings" << "My EA.ex5";
        QTest::newRow("unbalanced braces") << "Broken.mq4" << "void OnTick() {\n" << "Result: 1 errors" << "";
    }

    void standInCompilerBuilds()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, code);
        QFETCH(QString, result);
        QFETCH(QString, output);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Layout layout = makeLayout(temp);
        QVERIFY(StandInCompiler::installCopy(QStringLiteral(FAKE_METAEDITOR_PATH), layout.install));
        QVERIFY(TerminalTree::writeFile(layout.working + QLatin1Char('/') + fileName, code.toUtf8()));

        const CompilerRun::Outcome outcome = CompilerRun::compile(layout.install, layout.working, fileName);
        QVERIFY(outcome.started);
        QVERIFY(outcome.hasLog);
        QVERIFY2(outcome.log.contains(result), qPrintable(outcome.log));
        QVERIFY2(outcome.log.contains(QStringLiteral("'%1'").arg(fileName)), qPrintable(outcome.log));
        QVERIFY(!outcome.log.contains(QLatin1Char('\r')));
        QVERIFY(!QFileInfo::exists(logPath(layout)));
        QVERIFY(QFileInfo::exists(layout.working + QLatin1Char('/') + fileName));
        if (!output.isEmpty())
            QVERIFY(QFileInfo::exists(layout.working + QLatin1Char('/') + output));
    }
};

BREVAN_CORE_TEST_MAIN(TestCompilerRun)

#include "tst_compilerrun.moc"
