#include "support/testenvironment.h"

#include <QtTest> // and with it QtCore

namespace {

const QString onInit = "int OnInit() { return(0); }\n";
const QString onTick = "void OnTick() { }\n";
const QString onCalculate = "int OnCalculate(const int n, const int, const int, const double &p[]) { return(n); }\n";

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
           && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray utf16WithBom(const QString &text)
{
    return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(text);
}

// The exit code, or -1 when the program did not start or crashed.
int run(const QString &program, const QStringList &arguments, const QString &workingFolder)
{
    QProcess process;
    process.setWorkingDirectory(workingFolder);
#ifdef Q_OS_WIN // the command line as written: the stand-in reads it raw, as the terminal's compiler does
    process.setNativeArguments(arguments.join(' '));
#endif
    process.start(program, kOnWindows ? QStringList() : arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// As the client runs it: in the source's folder, with the log a.log there, and the file name in
// quotes, as the terminal's compiler wants a name with blanks on its command line.
int compile(const QString &sourcePath)
{
    const QFileInfo source(sourcePath);
    return run(FAKEMETAEDITOR_PATH, {"/compile:\"" + source.fileName() + '"', "/log:a.log"}, source.path());
}

QStringList logLines(const QString &path)
{
    return QString(QStringDecoder(QStringConverter::Utf16LE).decode(readFile(path))).split("\r\n", Qt::SkipEmptyParts);
}

} // namespace

class TestFakeMetaEditor final : public QObject
{
    Q_OBJECT

private slots:
    // Brackets in comments, strings and character constants do not count. Outside an
    // Indicators folder a program is an Expert Advisor unless it says otherwise.
    void goodProgramBuilds_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("code");

        QTest::newRow("MQL4 indicator") << "Indicators/A.mq4" << "// } (\n/* { */\n" + onInit + onCalculate;
        QTest::newRow("MQL5 indicator") << "Indicators/A.mq5"
                                        << onInit + onCalculate + "void F() { Print(\"} (\\\"{\", '}'); }";
        QTest::newRow("MQL4 Expert Advisor") << "A.mq4" << "#property strict\n" + onInit + onTick;
        QTest::newRow("MQL4 old handlers") << "A.mq4" << "int init() { return(0); }\nint start() { return(0); }\n";
        QTest::newRow("MQL5 Expert Advisor") << "A.mq5" << "#include <Trade\\Trade.mqh>\nCTrade t;\n" + onInit + onTick;
    }

    void goodProgramBuilds()
    {
        QFETCH(QString, source);
        QFETCH(QString, code);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(source), code.toUtf8()));

        QCOMPARE(compile(folder.filePath(source)), 0);
        QCOMPARE(logLines(folder.filePath(QFileInfo(source).path() + "/a.log")),
                 QStringList({"compiling '" + QFileInfo(source).fileName() + "'", "Result: 0 errors, 0 warnings"}));
        QVERIFY(!readFile(folder.filePath(QString(source).replace(".mq", ".ex"))).isEmpty());
    }

    // An output of an earlier build is there before each run. No code: no source file.
    void brokenProgramFails_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("finding"); // how the log line about it starts

        QTest::newRow("extra brace") << "A.mq4" << onInit + "}\n" + onTick << "A.mq4(2,1) : error 110: unexpected '}'";
        QTest::newRow("unclosed brace") << "A.mq5" << onInit + onTick + "void F()\n{\n   if (true) {\n}\n"
                                        << "A.mq5(4,1) : error 111: '{' is not closed";
        // A byte-order mark must not hide the #property that makes it an indicator.
        QTest::newRow("indicator by property") << "A.mq5" << QChar(0xFEFF) + ("#property indicator_chart_window\n" + onInit)
                                               << "A.mq5(1,1) : error 120: indicator has no 'OnCalculate' function";
        QTest::newRow("indicator by folder") << "Indicators/A.mq4" << onInit + onTick
                                             << "A.mq4(1,1) : error 120: indicator has no 'OnCalculate' or 'start'";
        QTest::newRow("OnTick only called") << "A.mq5" << onInit + "void F() { OnTick(); }"
                                            << "A.mq5(1,1) : error 120: Expert Advisor has no 'OnTick' function";
        QTest::newRow("CopyBuffer in MQL4") << "A.mq4" << onInit + onTick + "void F() { CopyBuffer(0, 0, 0, 1, v); }"
                                            << "A.mq4(3,12) : error 121: function 'CopyBuffer' is not available in MQL4";
        QTest::newRow("blank file") << "A.mq4" << "\r\n  \r\n" << "A.mq4(1,1) : error 102: source file is empty";
        QTest::newRow("missing file") << "A.mq5" << "" << "error 101: cannot open source file 'A.mq5'";
        QTest::newRow("unsupported extension") << "A.mqh" << onTick << "A.mqh(1,1) : error 103: unsupported file type";
    }

    void brokenProgramFails()
    {
        QFETCH(QString, source);
        QFETCH(QString, code);
        QFETCH(QString, finding);
        QTemporaryDir folder;
        const QString path = folder.filePath(source);
        const QString output = folder.filePath(QString(source).replace(".mq", ".ex")); // A.exh: none
        QVERIFY(output.endsWith(".exh") || writeFile(output, "an old build"));
        QVERIFY(code.isEmpty() || writeFile(path, code.toUtf8()));

        QCOMPARE(compile(path), 1);
        const QStringList log = logLines(QFileInfo(path).path() + "/a.log");
        const bool expected = log.size() == 3 && log.at(1).startsWith(finding);
        QVERIFY2(expected && log.at(2) == "Result: 1 errors, 0 warnings", qPrintable(log.join('\n')));
        QVERIFY(!QFile::exists(output));
    }

    // UTF-16LE with a byte-order mark and CR LF; a warning alone does not fail the build.
    void logOfNameWithBlanks()
    {
        QTemporaryDir folder;
        const QString source = folder.filePath("Мой EA.mq5");
        QVERIFY(writeFile(source, onTick.toUtf8()));
        QCOMPARE(compile(source), 0);
        QCOMPARE(readFile(folder.filePath("a.log")),
                 utf16WithBom("compiling 'Мой EA.mq5'\r\n"
                              "Мой EA.mq5(1,1) : warning 200: no 'OnInit' function\r\n"
                              "Result: 0 errors, 1 warnings\r\n"));
        QVERIFY(QFile::exists(folder.filePath("Мой EA.ex5")));
        // Like the terminal's compiler it refuses an argument quoted whole, as Wine makes one with blanks.
        if (kOnWindows)
            QCOMPARE(run(FAKEMETAEDITOR_PATH, {"\"/compile:Мой EA.mq5\"", "/log:a.log"}, folder.path()), 2);
    }

    void runWithoutSource()
    {
        QTemporaryDir folder;
        QCOMPARE(run(FAKEMETAEDITOR_PATH, {}, folder.path()), 1);
        QVERIFY(QDir(folder.path()).isEmpty());
        QCOMPARE(run(FAKEMETAEDITOR_PATH, {"/log:a.log"}, folder.path()), 1);
        QCOMPARE(logLines(folder.filePath("a.log")),
                 QStringList({"error 100: no source file given, use /compile:NAME", "Result: 1 errors, 0 warnings"}));
    }

    // A second run refreshes the compilers and keeps the user's programs.
    void sandboxHoldsTwoTerminals()
    {
        if (kOnWindows)
            QSKIP("the demo terminals are laid out by a shell script, for Linux");
        QTemporaryDir folder;
        const QStringList arguments{MAKE_SANDBOX_SCRIPT, folder.path(), FAKEMETAEDITOR_PATH};
        const QString mt4 = folder.filePath("Program Files/Demo Terminal 4");
        const QString mt5 = folder.filePath("Program Files/Demo Terminal 5");
        const QString root = folder.filePath("home/AppData/Roaming/MetaQuotes/Terminal/");
        const QString experts = root + "8F1D4B6E2A9C7E0F5D3B1A8C6E4F2D09/MQL5/Experts";
        QCOMPARE(run("bash", arguments, folder.path()), 0);
        QVERIFY(writeFile(experts + "/Mine.mq5", (onInit + onTick).toUtf8()));
        QVERIFY(writeFile(mt5 + "/MetaEditor64.exe", "broken"));
        QCOMPARE(run("bash", arguments, folder.path()), 0);

        QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
        // MT4 is 32-bit; a current MT5 ships only 64-bit programs.
        QCOMPARE(QDir(mt4).entryList(), QStringList({".", "..", "metaeditor.exe", "terminal.exe"}));
        QCOMPARE(QDir(mt5).entryList(), QStringList({".", "..", "MetaEditor64.exe", "metatester64.exe", "terminal64.exe", "Tester"}));
        QCOMPARE(readFile(root + "2C68BEF3A1E5D0C9B4F7A6E8D1C3B5A7/origin.txt"), mt4.toUtf8() + "\r\n");
        QCOMPARE(readFile(root + "8F1D4B6E2A9C7E0F5D3B1A8C6E4F2D09/origin.txt"), utf16WithBom(mt5 + "\r\n"));
        QCOMPARE(run(mt5 + "/MetaEditor64.exe", {"/compile:Mine.mq5", "/log:a.log"}, experts), 0);
        QVERIFY(QFile::exists(experts + "/Mine.ex5"));
    }
};

BREVAN_CORE_TEST_MAIN(TestFakeMetaEditor)
#include "tst_fakemetaeditor.moc"
