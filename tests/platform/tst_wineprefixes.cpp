#include "support/testenvironment.h"

#include "platform/wineprefixes.h"

#include <QStringEncoder>
#include <QTemporaryDir>


namespace {

// A prefix as Wine lays it out: drive links, a user whose Desktop links back home.
bool makePrefix(const QString &prefix, const QString &home)
{
    return QDir().mkpath(prefix + "/drive_c/users/Public") && QDir().mkpath(prefix + "/dosdevices")
           && QDir().mkpath(prefix + "/drive_c/users/trader")
           && QFile::link("../drive_c", prefix + "/dosdevices/c:") && QFile::link("/", prefix + "/dosdevices/z:")
           && QFile::link(home, prefix + "/drive_c/users/trader/Desktop");
}

bool writeOrigin(const QString &dataFolder, const QString &windowsPath)
{
    return TestEnvironment::writeFile(dataFolder + "/origin.txt",
                     QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(windowsPath + "\r\n"));
}

QStringList described(const TerminalList &found)
{
    QStringList lines;
    for (const TerminalInfo &terminal : found)
        lines.append(terminal.platform + ' ' + terminal.installPath + " | " + terminal.dataPath);
    return lines;
}

} // namespace

class TestWinePrefixes final : public QObject
{
    Q_OBJECT

private slots:
    // Each place a prefix is kept; a folder without drive_c beside it is none.
    void findsPrefixes_data()
    {
        QTest::addColumn<QString>("place"); // below home; "$" for $WINEPREFIX
        QTest::addColumn<bool>("macOS");
        for (const char *place : {"$", ".wine", ".mt5", ".mt4", ".local/share/wineprefixes/x",
                                  ".local/share/bottles/bottles/x", ".var/app/com.usebottles.bottles/data/bottles/bottles/x",
                                  "Games/x", ".PlayOnLinux/wineprefix/x", "Library/Application Support/CrossOver/Bottles/x",
                                  "Library/Application Support/net.metaquotes.wine.metatrader5"})
            QTest::newRow(place) << QString(place) << QString(place).startsWith("Library");
    }

    void findsPrefixes()
    {
        QFETCH(QString, place);
        QFETCH(bool, macOS);
        QTemporaryDir home;
        const QString prefix = place == "$" ? home.filePath("elsewhere/p") : home.filePath(place);
        QVERIFY(makePrefix(prefix, home.path()) && QDir().mkpath(home.filePath("Games/no prefix/users")));
        const QString variable = place == "$" ? prefix : QString();
        QCOMPARE(WinePrefixes::find(home.path(), variable, macOS), QStringList{prefix});
        QCOMPARE(WinePrefixes::find(home.path(), variable, !macOS).size(), int(!macOS || !place.startsWith("Library")));
    }

    // $WINEPREFIX first, then in the listed order, globbed ones by name ignoring case, each once.
    void ordersPrefixes()
    {
        QTemporaryDir home;
        for (const char *place : {"Games/b", "Games/A", ".wine", ".mt4"})
            QVERIFY(makePrefix(home.filePath(place), home.path()));
        QCOMPARE(WinePrefixes::find(home.path(), home.filePath("Games/b/"), false),
                 (QStringList{home.filePath("Games/b"), home.filePath(".wine"), home.filePath(".mt4"),
                              home.filePath("Games/A")}));
    }

    // Both user-folder layouts, mixed case, every drive mapping, portable installs; no link
    // is entered, nothing outside the mapped drives is taken.
    void findsTerminalsInPrefix()
    {
        QTemporaryDir home;
        const QString prefix = home.filePath(".mt5");
        const QString users = prefix + "/drive_c/users/";
        const QString mt5 = prefix + "/drive_c/Program Files/MetaTrader 5";
        const QString mt4 = home.filePath("host/MT4");
        const QString portable = prefix + "/drive_c/Program Files (x86)/Portable 4";
        QVERIFY(makePrefix(prefix, home.path()));
        QVERIFY(TestEnvironment::writeFile(mt5 + "/terminal64.exe", "MZ") && TestEnvironment::writeFile(mt4 + "/Terminal.exe", "MZ")
                && TestEnvironment::writeFile(portable + "/terminal.exe", "MZ") && QDir().mkpath(portable + "/MQL4"));
        const QString root = users + "trader/AppData/Roaming/MetaQuotes/Terminal/";
        QVERIFY(writeOrigin(root + "A1", "c:\\PROGRAM FILES\\metatrader 5"));
        QVERIFY(writeOrigin(root + "B2", "Z:" + QString(mt4).replace('/', '\\')));
        QVERIFY(writeOrigin(root + "C3", "D:\\MetaTrader 5"));               // no d:
        QVERIFY(writeOrigin(root + "D4", "C:\\..\\..\\host\\MT4"));          // climbs out
        QVERIFY(writeOrigin(users + "Public/Application Data/MetaQuotes/Terminal/E5", "C:\\Program Files\\MetaTrader 5"));
        QVERIFY(QFile::link(home.filePath("gone"), root + "F6"));             // broken link
        QVERIFY(writeOrigin(home.filePath("linked/G7"), "C:\\Program Files\\MetaTrader 5"));
        QVERIFY(QFile::link(home.filePath("linked"), users + "trader/Application Data"));

        QCOMPARE(described(WinePrefixes::terminalsIn(prefix)),
                 (QStringList{"MT5 " + mt5 + " | " + users + "Public/Application Data/MetaQuotes/Terminal/E5",
                              "MT5 " + mt5 + " | " + root + "A1", "MT4 " + mt4 + " | " + root + "B2",
                              "MT4 " + portable + " | " + portable}));
        QCOMPARE(WinePrefixes::prefixOf(mt5 + "/MetaEditor64.exe"), prefix);
        QCOMPARE(WinePrefixes::prefixOf(mt4), QString());
    }
};

BREVAN_CORE_TEST_MAIN(TestWinePrefixes)
#include "tst_wineprefixes.moc"
