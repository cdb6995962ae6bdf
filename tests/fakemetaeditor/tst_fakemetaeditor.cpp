#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray utf16Bom("\xFF\xFE", 2);

const QString minimalExpert = QStringLiteral(R"mql(int OnInit()
{
   return(INIT_SUCCEEDED);
}

void OnTick()
{
}
)mql");

const QString mql4Indicator = QStringLiteral(R"mql(#property copyright "Demo {desk} (2024)"
#property strict
#property indicator_chart_window
#property indicator_buffers 1

input int InpPeriod = 14; // averaging period ) {
double Line[];

int OnInit()
{
   SetIndexBuffer(0, Line);
   SetIndexStyle(0, DRAW_LINE);
   IndicatorShortName("SMA(" + IntegerToString(InpPeriod) + ")");
   return(INIT_SUCCEEDED);
}

int OnCalculate(const int rates_total, const int prev_calculated, const datetime &time[],
                const double &open[], const double &high[], const double &low[],
                const double &close[], const long &tick_volume[], const long &volume[],
                const int &spread[])
{
   /* CopyBuffer( is for MQL5: { */
   for (int i = rates_total - MathMax(prev_calculated, 1); i >= 0; i--)
      Line[i] = iMA(NULL, 0, InpPeriod, 0, MODE_SMA, PRICE_CLOSE, i);
   return(rates_total);
}
)mql");

const QString mql5Indicator = QStringLiteral(R"mql(#property indicator_separate_window
#property indicator_buffers 1
#property indicator_plots 1

double Rsi[];
int handle;

int OnInit()
{
   SetIndexBuffer(0, Rsi, INDICATOR_DATA);
   handle = iRSI(_Symbol, _Period, 14, PRICE_CLOSE);
   return(handle == INVALID_HANDLE ? INIT_FAILED : INIT_SUCCEEDED);
}

int OnCalculate(const int rates_total, const int prev_calculated, const int begin,
                const double &price[])
{
   // MarketInfo( is for MQL4: ( (
   if (CopyBuffer(handle, 0, 0, rates_total, Rsi) <= 0)
      return(0);
   return(rates_total);
}
)mql");

const QString mql4Expert = QStringLiteral(R"mql(#property strict

input double Lots = 0.1;

int OnInit()
{
   Print("EA started: {ok}");
   return(INIT_SUCCEEDED);
}

void OnTick()
{
   if (OrdersTotal() == 0 && Close[1] > Open[1])
      if (OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, 0, 0, "buy ')'", 0, 0, clrGreen) < 0)
         Print("OrderSend failed: ", GetLastError());
}
)mql");

const QString mql5Expert = QStringLiteral(R"mql(#include <Trade\Trade.mqh>

CTrade trade;

int OnInit()
{
   trade.SetExpertMagicNumber(1234);
   return(INIT_SUCCEEDED);
}

void OnTick()
{
   const double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK); /* } */
   if (PositionsTotal() == 0 && ask > 0)
      trade.Buy(0.1, _Symbol, ask, 0, 0, "EA buy {");
}
)mql");

// Not a raw string: the escaped quotes would mislead moc.
const QString mql4LegacyExpert = QStringLiteral("int init()\n"
                                                "{\n"
                                                "   return(0);\n"
                                                "}\n"
                                                "\n"
                                                "int start()\n"
                                                "{\n"
                                                "   Comment(\"Bars \\\"}\\\": \", Bars, '}');\n"
                                                "   return(0);\n"
                                                "}\n");

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

QStringList logLines(const QString &path)
{
    QStringDecoder decoder(QStringConverter::Utf16LE);
    const QString text = decoder.decode(readFile(path));
    return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QByteArray utf16WithBom(const QString &text)
{
    return utf16Bom + QStringEncoder(QStringConverter::Utf16LE).encode(text);
}

// The exit code, or -1 when the program did not start or crashed.
int run(const QString &program, const QStringList &arguments, const QString &workingFolder)
{
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

int compile(const QStringList &arguments, const QString &workingFolder)
{
    return run(QStringLiteral(FAKEMETAEDITOR_PATH), arguments, workingFolder);
}

int compileToLog(const QString &source, const QString &workingFolder)
{
    return compile({QStringLiteral("/compile:") + source, QStringLiteral("/log:a.log")},
                   workingFolder);
}

QString header(const QString &source)
{
    return QStringLiteral("compiling '%1'").arg(QFileInfo(source).fileName());
}

} // namespace

class TestFakeMetaEditor final : public QObject
{
    Q_OBJECT

private slots:
    void goodProgramBuilds_data();
    void goodProgramBuilds();
    void brokenProgramFails_data();
    void brokenProgramFails();
    void sourceEncodingsRead_data();
    void sourceEncodingsRead();
    void logIsUtf16WithBomAndCrLf();
    void commandLineNamesFiles_data();
    void commandLineNamesFiles();
    void runWithoutSource_data();
    void runWithoutSource();
    void unreadableSourceRemovesOldOutput();
    void sandboxHoldsTwoTerminals();
};

void TestFakeMetaEditor::goodProgramBuilds_data()
{
    QTest::addColumn<QString>("source"); // relative to the working folder
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("output");

    QTest::addRow("MQL4 indicator")
        << "MQL4/Indicators/Sma.mq4" << mql4Indicator << "MQL4/Indicators/Sma.ex4";
    QTest::addRow("MQL5 indicator")
        << "MQL5/Indicators/Rsi.mq5" << mql5Indicator << "MQL5/Indicators/Rsi.ex5";
    QTest::addRow("MQL4 Expert Advisor")
        << "MQL4/Experts/Breakout.mq4" << mql4Expert << "MQL4/Experts/Breakout.ex4";
    QTest::addRow("MQL5 Expert Advisor")
        << "MQL5/Experts/Buyer.mq5" << mql5Expert << "MQL5/Experts/Buyer.ex5";
    QTest::addRow("MQL4 legacy handlers")
        << "MQL4/Experts/Old.mq4" << mql4LegacyExpert << "MQL4/Experts/Old.ex4";
}

void TestFakeMetaEditor::goodProgramBuilds()
{
    QFETCH(QString, source);
    QFETCH(QString, code);
    QFETCH(QString, output);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(source), code.toUtf8()));

    QCOMPARE(compileToLog(source, folder.path()), 0);
    QCOMPARE(logLines(folder.filePath(QStringLiteral("a.log"))),
             QStringList({header(source), QStringLiteral("Result: 0 errors, 0 warnings")}));
    QVERIFY(!readFile(folder.filePath(output)).isEmpty());
}

void TestFakeMetaEditor::brokenProgramFails_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("findings");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("output"); // an old one is there before the run; empty: none

    QTest::addRow("extra brace")
        << "MQL4/Experts/Extra.mq4" << QString(minimalExpert).replace("}\n\n", "}\n}\n\n")
        << QStringList{"Extra.mq4(5,1) : error 110: unexpected '}'"}
        << "Result: 1 errors, 0 warnings" << "MQL4/Experts/Extra.ex4";
    QTest::addRow("unclosed brace")
        << "MQL5/Experts/Open.mq5"
        << minimalExpert + "\nvoid OnTimer()\n{\n   if (PositionsTotal() == 0) {\n"
                           "      Print(1);\n}\n"
        << QStringList{"Open.mq5(11,1) : error 111: '{' is not closed"}
        << "Result: 1 errors, 0 warnings" << "MQL5/Experts/Open.ex5";
    QTest::addRow("unclosed parenthesis")
        << "MQL4/Indicators/Paren.mq4"
        << "#property indicator_chart_window\ndouble Line[];\n\nint OnInit()\n{\n"
           "   SetIndexBuffer(0, Line;\n   return(INIT_SUCCEEDED);\n}\n\nint start()\n{\n}\n"
        << QStringList{"Paren.mq4(6,18) : error 111: '(' is not closed"}
        << "Result: 1 errors, 0 warnings" << "MQL4/Indicators/Paren.ex4";
    QTest::addRow("indicator by property without OnCalculate")
        << "MQL5/Experts/NoCalc.mq5" << "#property indicator_chart_window\n" + minimalExpert
        << QStringList{"NoCalc.mq5(1,1) : error 120: indicator has no 'OnCalculate' function"}
        << "Result: 1 errors, 0 warnings" << "MQL5/Experts/NoCalc.ex5";
    QTest::addRow("indicator by folder without OnCalculate")
        << "MQL4/Indicators/Folder.mq4" << minimalExpert
        << QStringList{"Folder.mq4(1,1) : error 120: indicator has no 'OnCalculate' or 'start' "
                       "function"}
        << "Result: 1 errors, 0 warnings" << "MQL4/Indicators/Folder.ex4";
    QTest::addRow("Expert Advisor without OnTick")
        << "MQL5/Experts/NoTick.mq5"
        << QString(minimalExpert).replace("void OnTick()\n{\n", "void OnTimer()\n{\n   OnTick();\n")
        << QStringList{"NoTick.mq5(1,1) : error 120: Expert Advisor has no 'OnTick' function"}
        << "Result: 1 errors, 0 warnings" << "MQL5/Experts/NoTick.ex5";
    QTest::addRow("MQL5 function in MQL4")
        << "MQL4/Experts/Copy.mq4"
        << minimalExpert + "void Read(double &values[])\n{\n   CopyBuffer(0, 0, 0, 1, values);\n}\n"
        << QStringList{"Copy.mq4(11,4) : error 121: function 'CopyBuffer' is not available in MQL4"}
        << "Result: 1 errors, 0 warnings" << "MQL4/Experts/Copy.ex4";
    QTest::addRow("MQL5 trade class in MQL4")
        << "MQL4/Experts/Trade.mq4"
        << "#include <Trade\\Trade.mqh>\nCTrade trade;\n" + minimalExpert
        << QStringList{"Trade.mq4(1,1) : error 121: include file 'Trade\\Trade.mqh' is not "
                       "available in MQL4",
                       "Trade.mq4(2,1) : error 121: class 'CTrade' is not available in MQL4"}
        << "Result: 2 errors, 0 warnings" << "MQL4/Experts/Trade.ex4";
    QTest::addRow("MQL4 functions in MQL5")
        << "MQL5/Indicators/Buffers.mq5"
        << "int OnInit()\n{\n   IndicatorBuffers(2);\n   return(INIT_SUCCEEDED);\n}\n\n"
           "int OnCalculate(const int rates_total, const int prev_calculated, const int begin,\n"
           "                const double &price[])\n{\n"
           "   return(MarketInfo(_Symbol, MODE_SPREAD) > 0 ? rates_total : 0);\n}\n"
        << QStringList{"Buffers.mq5(3,4) : error 121: function 'IndicatorBuffers' is not "
                       "available in MQL5",
                       "Buffers.mq5(10,11) : error 121: function 'MarketInfo' is not available "
                       "in MQL5"}
        << "Result: 2 errors, 0 warnings" << "MQL5/Indicators/Buffers.ex5";
    QTest::addRow("unclosed comment")
        << "MQL5/Experts/Comment.mq5" << QString(minimalExpert).replace("}\n\n", "}\n/* OnTick\n")
        << QStringList{"Comment.mq5(1,1) : error 120: Expert Advisor has no 'OnTick' function",
                       "Comment.mq5(5,1) : error 112: comment is not closed"}
        << "Result: 2 errors, 0 warnings" << "MQL5/Experts/Comment.ex5";
    QTest::addRow("unclosed string")
        << "MQL4/Experts/Quote.mq4"
        << QString(minimalExpert).replace("{\n}", "{\n   Print(\"tick);\n}")
        << QStringList{"Quote.mq4(8,9) : error 111: '(' is not closed",
                       "Quote.mq4(8,10) : error 113: string is not closed"}
        << "Result: 2 errors, 0 warnings" << "MQL4/Experts/Quote.ex4";
    QTest::addRow("empty file")
        << "MQL4/Experts/Empty.mq4" << QString()
        << QStringList{"Empty.mq4(1,1) : error 102: source file is empty"}
        << "Result: 1 errors, 0 warnings" << "MQL4/Experts/Empty.ex4";
    QTest::addRow("blank lines only")
        << "MQL5/Experts/Blank.mq5" << "\r\n  \r\n"
        << QStringList{"Blank.mq5(1,1) : error 102: source file is empty"}
        << "Result: 1 errors, 0 warnings" << "MQL5/Experts/Blank.ex5";
    QTest::addRow("unsupported extension")
        << "MQL5/Include/Helper.mqh" << minimalExpert
        << QStringList{"Helper.mqh(1,1) : error 103: unsupported file type 'Helper.mqh'"}
        << "Result: 1 errors, 0 warnings" << QString();
}

void TestFakeMetaEditor::brokenProgramFails()
{
    QFETCH(QString, source);
    QFETCH(QString, code);
    QFETCH(QStringList, findings);
    QFETCH(QString, result);
    QFETCH(QString, output);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(source), code.toUtf8()));
    if (!output.isEmpty())
        QVERIFY(writeFile(folder.filePath(output), "an old build"));

    QCOMPARE(compileToLog(source, folder.path()), 1);
    QCOMPARE(logLines(folder.filePath(QStringLiteral("a.log"))),
             QStringList(header(source)) + findings + QStringList(result));
    if (!output.isEmpty())
        QVERIFY(!QFile::exists(folder.filePath(output)));
}

// Lines and columns count characters of the text, whatever its encoding and line ends; a
// byte-order mark must not hide the #property on the first line.
void TestFakeMetaEditor::sourceEncodingsRead_data()
{
    const QString code = QStringLiteral(R"mql(#property indicator_chart_window
// Индикатор «Привет» {
int OnInit() { return(INIT_SUCCEEDED); }
int OnCalculate(const int rates_total, const int prev_calculated, const int begin,
                const double &price[])
{
   Print("Привет"); )
   return(rates_total);
}
)mql");
    const QString crlf = QString(code).replace(QLatin1String("\n"), QLatin1String("\r\n"));
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("UTF-8, LF") << code.toUtf8();
    QTest::addRow("UTF-8 with BOM, CR LF") << QByteArray("\xEF\xBB\xBF") + crlf.toUtf8();
    QTest::addRow("UTF-16LE with BOM, CR LF") << utf16WithBom(crlf);
}

void TestFakeMetaEditor::sourceEncodingsRead()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    const QString experts = folder.filePath(QStringLiteral("Experts"));
    QVERIFY(writeFile(experts + QStringLiteral("/Enc.mq5"), bytes));

    QCOMPARE(compileToLog(QStringLiteral("Enc.mq5"), experts), 1);
    QCOMPARE(logLines(experts + QStringLiteral("/a.log")),
             QStringList({"compiling 'Enc.mq5'", "Enc.mq5(7,21) : error 110: unexpected ')'",
                          "Result: 1 errors, 0 warnings"}));
}

void TestFakeMetaEditor::logIsUtf16WithBomAndCrLf()
{
    QTemporaryDir folder;
    const QString indicators = folder.filePath(QStringLiteral("Indicators"));
    QVERIFY(writeFile(indicators + QStringLiteral("/Индикатор.mq5"),
                      "int OnCalculate(const int rates_total, const int prev_calculated,\n"
                      "                const int begin, const double &price[])\n"
                      "{\n   return(rates_total);\n}\n"));

    QCOMPARE(compileToLog(QStringLiteral("Индикатор.mq5"), indicators), 0);
    QCOMPARE(readFile(indicators + QStringLiteral("/a.log")),
             utf16WithBom(QStringLiteral(
                 "compiling 'Индикатор.mq5'\r\n"
                 "Индикатор.mq5(1,1) : warning 200: no 'OnInit' function\r\n"
                 "Result: 0 errors, 1 warnings\r\n")));
    QVERIFY(QFile::exists(indicators + QStringLiteral("/Индикатор.ex5")));
}

// Paths are relative to <tmp>, the run is in <tmp>/work; "%1" in an argument is <tmp>.
void TestFakeMetaEditor::commandLineNamesFiles_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("output");

    QTest::addRow("blank in the name")
        << "work/My EA.mq4" << QStringList{"/compile:My EA.mq4", "/log:a.log"}
        << "work/a.log" << "work/My EA.ex4";
    QTest::addRow("quoted values")
        << "work/My EA.mq4" << QStringList{"/compile:\"My EA.mq4\"", "/log:\"a b.log\""}
        << "work/a b.log" << "work/My EA.ex4";
    QTest::addRow("default log beside the source")
        << "work/Experts/My EA.mq5" << QStringList{"/compile:Experts/My EA.mq5"}
        << "work/Experts/My EA.log" << "work/Experts/My EA.ex5";
    QTest::addRow("log relative to the working folder")
        << "work/Experts/EA.mq5" << QStringList{"/compile:Experts/EA.mq5", "/log:build.log"}
        << "work/build.log" << "work/Experts/EA.ex5";
    QTest::addRow("absolute paths")
        << "other/EA.mq4" << QStringList{"/compile:%1/other/EA.mq4", "/log:%1/logs/x.log"}
        << "logs/x.log" << "other/EA.ex4";
    QTest::addRow("unknown arguments ignored")
        << "work/EA.mq5" << QStringList{"/portable", "/compile:EA.mq5", "/s", "/log:a.log"}
        << "work/a.log" << "work/EA.ex5";
}

void TestFakeMetaEditor::commandLineNamesFiles()
{
    QFETCH(QString, source);
    QFETCH(QStringList, arguments);
    QFETCH(QString, log);
    QFETCH(QString, output);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(source), minimalExpert.toUtf8()));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("work")));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("logs")));
    arguments.replaceInStrings(QStringLiteral("%1"), folder.path());

    QCOMPARE(compile(arguments, folder.filePath(QStringLiteral("work"))), 0);
    QCOMPARE(logLines(folder.filePath(log)),
             QStringList({header(source), QStringLiteral("Result: 0 errors, 0 warnings")}));
    QVERIFY(QFile::exists(folder.filePath(output)));
}

void TestFakeMetaEditor::runWithoutSource_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("log"); // empty: there is none

    QTest::addRow("no arguments") << QStringList() << QString();
    QTest::addRow("log only") << QStringList{"/log:a.log"} << "a.log";
    QTest::addRow("empty name") << QStringList{"/compile:", "/log:a.log"} << "a.log";
}

void TestFakeMetaEditor::runWithoutSource()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, log);
    QTemporaryDir folder;

    QCOMPARE(compile(arguments, folder.path()), 1);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             log.isEmpty() ? QStringList() : QStringList(log));
    if (!log.isEmpty()) {
        QCOMPARE(logLines(folder.filePath(log)),
                 QStringList({"error 100: no source file given, use /compile:NAME",
                              "Result: 1 errors, 0 warnings"}));
    }
}

void TestFakeMetaEditor::unreadableSourceRemovesOldOutput()
{
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(QStringLiteral("Gone.ex5")), "an old build"));

    QCOMPARE(compile({QStringLiteral("/compile:Gone.mq5")}, folder.path()), 1);
    const QStringList log = logLines(folder.filePath(QStringLiteral("Gone.log")));
    QCOMPARE(log.size(), 3);
    QVERIFY2(log.at(1).startsWith(QLatin1String("error 101: cannot open source file 'Gone.mq5'")),
             qPrintable(log.at(1)));
    QCOMPARE(log.at(2), QStringLiteral("Result: 1 errors, 0 warnings"));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Gone.ex5"))));
}

void TestFakeMetaEditor::sandboxHoldsTwoTerminals()
{
    QTemporaryDir folder;
    const QString sandbox = folder.filePath(QStringLiteral("demo"));
    const QStringList arguments{QStringLiteral(MAKE_SANDBOX_SCRIPT), sandbox,
                                QStringLiteral(FAKEMETAEDITOR_PATH)};
    QCOMPARE(run(QStringLiteral("bash"), arguments, folder.path()), 0);

    const QString mt4 = sandbox + "/Program Files/Demo Terminal 4";
    const QString mt5 = sandbox + "/Program Files/Demo Terminal 5";
    const QString root = sandbox + "/home/AppData/Roaming/MetaQuotes/Terminal";
    const QString mt4Data = root + "/2C68BEF3A1E5D0C9B4F7A6E8D1C3B5A7";
    const QString mt5Data = root + "/8F1D4B6E2A9C7E0F5D3B1A8C6E4F2D09";
    for (const QString &entry :
         {mt4 + "/terminal.exe", mt5 + "/terminal64.exe", mt5 + "/metatester",
          mt4Data + "/MQL4/Indicators", mt4Data + "/MQL4/Experts", mt5Data + "/MQL5/Indicators",
          mt5Data + "/MQL5/Experts"})
        QVERIFY2(QFileInfo::exists(entry), qPrintable(entry));
    QVERIFY(QFileInfo(mt4 + "/metaeditor.exe").isExecutable());
    QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
    QCOMPARE(readFile(mt4Data + "/origin.txt"), mt4.toUtf8() + "\r\n");
    QCOMPARE(readFile(mt5Data + "/origin.txt"), utf16WithBom(mt5 + "\r\n"));

    // A second run refreshes the compiler and keeps the user's programs.
    const QString experts = mt5Data + "/MQL5/Experts";
    QVERIFY(writeFile(experts + "/Mine.mq5", minimalExpert.toUtf8()));
    QVERIFY(writeFile(mt5 + "/metaeditor.exe", "broken"));
    QCOMPARE(run(QStringLiteral("bash"), arguments, folder.path()), 0);
    QCOMPARE(readFile(experts + "/Mine.mq5"), minimalExpert.toUtf8());
    QCOMPARE(run(mt5 + "/metaeditor.exe", {"/compile:Mine.mq5", "/log:a.log"}, experts), 0);
    QVERIFY(QFile::exists(experts + "/Mine.ex5"));
}

BREVAN_CORE_TEST_MAIN(TestFakeMetaEditor)

#include "tst_fakemetaeditor.moc"
