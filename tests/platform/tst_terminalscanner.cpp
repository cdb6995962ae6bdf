#include "support/testenvironment.h"
#include "terminaltree.h"

#include "platform/terminalscanner.h"

#include <QDir>
#include <QTemporaryDir>

using TerminalTree::Encoding;

Q_DECLARE_METATYPE(TerminalTree::Encoding)

class TestTerminalScanner final : public QObject
{
    Q_OBJECT

private:
    static QStringList dataPaths(const TerminalList &terminals)
    {
        QStringList paths;
        for (const TerminalInfo &terminal : terminals)
            paths.append(terminal.dataPath);
        return paths;
    }

    QByteArray m_savedHome;

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
        m_savedHome = qgetenv("HOME");
    }

    void cleanup()
    {
        qputenv("HOME", m_savedHome);
    }

    void missingRootFindsNothing()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QVERIFY(TerminalScanner(temp.filePath(QStringLiteral("absent"))).scanTerminals().isEmpty());

        // A plain file where the root should be.
        const QString fileRoot = temp.filePath(QStringLiteral("Terminal"));
        QVERIFY(TerminalTree::writeFile(fileRoot, "not a folder"));
        QVERIFY(TerminalScanner(fileRoot).scanTerminals().isEmpty());
        QVERIFY(TerminalScanner(fileRoot).scanMT4().isEmpty());
        QVERIFY(TerminalScanner(fileRoot).scanMT5().isEmpty());
    }

    void readsOrigin_data()
    {
        QTest::addColumn<QString>("origin"); // {install}, {windows}: the installation folder
        QTest::addColumn<Encoding>("encoding");

        QTest::newRow("utf-16le bom") << "{install}" << Encoding::Utf16LeBom;
        QTest::newRow("utf-16be bom") << "{install}" << Encoding::Utf16BeBom;
        QTest::newRow("utf-8 bom") << "{install}" << Encoding::Utf8Bom;
        QTest::newRow("utf-8") << "{install}" << Encoding::Utf8;
        QTest::newRow("backslashes, cr lf, utf-16le") << "{windows}\r\n" << Encoding::Utf16LeBom;
        QTest::newRow("backslashes, cr lf, utf-16be") << "{windows}\r\n" << Encoding::Utf16BeBom;
        QTest::newRow("backslashes, cr lf, utf-8") << "{windows}\r\n" << Encoding::Utf8;
        QTest::newRow("lf") << "{install}\n" << Encoding::Utf8;
        QTest::newRow("cr lf, utf-16le") << "{install}\r\n" << Encoding::Utf16LeBom;
        QTest::newRow("several lines, utf-16le") << "{install}\r\nC:\\Other\r\nthird" << Encoding::Utf16LeBom;
        QTest::newRow("several lines, utf-8") << "{install}\nsecond\n" << Encoding::Utf8;
        QTest::newRow("several lines, utf-16be") << "{install}\r\n{install}/sub\r\n" << Encoding::Utf16BeBom;
        QTest::newRow("surrounding blanks") << "  {install}\t \r\n" << Encoding::Utf16LeBom;
    }

    void readsOrigin()
    {
        QFETCH(QString, origin);
        QFETCH(Encoding, encoding);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        // Non-ASCII and blanks show a wrong decoding at once.
        const QString install = temp.filePath(QStringLiteral("Program Files/Trade Terminal 指标 Ω"));
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        QVERIFY(TerminalTree::makeMT4Install(install));
        origin.replace(QStringLiteral("{install}"), install);
        origin.replace(QStringLiteral("{windows}"), TerminalTree::windowsStyle(install));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("0A1B2C"), origin, encoding));

        const TerminalList found = TerminalScanner(root).scanTerminals();
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().installPath, install);
        QCOMPARE(found.first().dataPath, root + QStringLiteral("/0A1B2C"));
        QCOMPARE(found.first().platform, QStringLiteral("MT4"));
    }

    void skipsUnusableDataFolder_data()
    {
        QTest::addColumn<QString>("fault");

        QTest::newRow("empty origin.txt") << "empty";
        QTest::newRow("empty utf-16 origin.txt") << "empty utf-16";
        QTest::newRow("whitespace-only origin.txt") << "whitespace";
        QTest::newRow("missing origin.txt") << "missing";
        QTest::newRow("installation deleted") << "deleted";
        QTest::newRow("no terminal program") << "no terminal";
        QTest::newRow("origin names a file") << "file";
    }

    void skipsUnusableDataFolder()
    {
        QFETCH(QString, fault);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString goodInstall = temp.filePath(QStringLiteral("good"));
        const QString badInstall = temp.filePath(QStringLiteral("bad"));
        QVERIFY(TerminalTree::makeMT4Install(goodInstall));
        // The bad one sorts first, so the scan has to go on past it.
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("B_good"), goodInstall));
        const QString badData = root + QStringLiteral("/A_bad");
        QVERIFY(QDir().mkpath(badData));

        if (fault == QLatin1String("empty")) {
            QVERIFY(TerminalTree::writeFile(badData + QStringLiteral("/origin.txt"), {}));
        } else if (fault == QLatin1String("empty utf-16")) {
            QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A_bad"), {}));
        } else if (fault == QLatin1String("whitespace")) {
            QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A_bad"), QStringLiteral(" \t\r\n  \r\n")));
        } else if (fault == QLatin1String("missing")) {
            QVERIFY(TerminalTree::makeMT4Install(badInstall));
            QVERIFY(TerminalTree::writeFile(badData + QStringLiteral("/terminal.ini"), badInstall.toUtf8()));
        } else if (fault == QLatin1String("deleted")) {
            QVERIFY(TerminalTree::makeMT4Install(badInstall));
            QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A_bad"), badInstall));
            QVERIFY(QDir(badInstall).removeRecursively());
        } else if (fault == QLatin1String("no terminal")) {
            QVERIFY(TerminalTree::makeFolder(badInstall, {QStringLiteral("metaeditor.exe")},
                                              {QStringLiteral("MQL4")}));
            QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A_bad"), badInstall));
        } else if (fault == QLatin1String("file")) {
            QVERIFY(TerminalTree::writeFile(badInstall, "terminal.exe"));
            QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A_bad"), badInstall));
        }

        const TerminalList found = TerminalScanner(root).scanTerminals();
        QCOMPARE(dataPaths(found), QStringList{root + QStringLiteral("/B_good")});
        QCOMPARE(found.first().installPath, goodInstall);
    }

    void detectsPlatform_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("platform"); // empty: not a terminal

        const QString terminal = QStringLiteral("terminal.exe");
        const QString terminal64 = QStringLiteral("terminal64.exe");
        QTest::newRow("terminal.exe") << QStringList{terminal} << QStringList{} << "MT4";
        QTest::newRow("terminal64.exe") << QStringList{terminal64} << QStringList{} << "MT4";
        QTest::newRow("both programs") << QStringList{terminal, terminal64} << QStringList{} << "MT4";
        QTest::newRow("Tester folder") << QStringList{terminal64} << QStringList{"Tester"} << "MT5";
        QTest::newRow("metatester file") << QStringList{terminal64, "metatester"} << QStringList{} << "MT5";
        QTest::newRow("metatester folder") << QStringList{terminal} << QStringList{"metatester"} << "MT5";
        QTest::newRow("Tester beside terminal.exe") << QStringList{terminal} << QStringList{"Tester"} << "MT5";
        QTest::newRow("Tester only") << QStringList{} << QStringList{"Tester"} << "";
        QTest::newRow("compiler only") << QStringList{"metaeditor.exe", "metatester"} << QStringList{} << "";
        QTest::newRow("empty folder") << QStringList{} << QStringList{} << "";
    }

    void detectsPlatform()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        QFETCH(QString, platform);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString install = temp.filePath(QStringLiteral("install"));
        QVERIFY(TerminalTree::makeFolder(install, files, folders));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("D"), install));

        const TerminalScanner scanner(root);
        const TerminalList found = scanner.scanTerminals();
        if (platform.isEmpty()) {
            QVERIFY(found.isEmpty());
            QVERIFY(scanner.scanMT4().isEmpty());
            QVERIFY(scanner.scanMT5().isEmpty());
            return;
        }
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().platform, platform);
        QCOMPARE(scanner.scanMT4().size(), platform == QLatin1String("MT4") ? 1 : 0);
        QCOMPARE(scanner.scanMT5().size(), platform == QLatin1String("MT5") ? 1 : 0);
    }

    void ordersByNameIgnoringCase()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString install = temp.filePath(QStringLiteral("install"));
        QVERIFY(TerminalTree::makeMT4Install(install));
        // Enough names that an order left to the file system cannot match by chance.
        const QStringList created = {"h5", "Bxxx", "E2", "axxx", "G4", "c1", "f3", "D0", "bxxy", "A0"};
        for (const QString &name : created)
            QVERIFY(TerminalTree::makeDataFolder(root, name, install));

        QStringList expected;
        for (const char *name : {"A0", "axxx", "Bxxx", "bxxy", "c1", "D0", "E2", "f3", "G4", "h5"})
            expected.append(root + QLatin1Char('/') + QLatin1String(name));
        QCOMPARE(dataPaths(TerminalScanner(root).scanTerminals()), expected);
        QCOMPARE(dataPaths(TerminalScanner(root).scanMT4()), expected);
    }

    void ignoresPlainFilesInRoot()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString install = temp.filePath(QStringLiteral("install"));
        QVERIFY(TerminalTree::makeMT4Install(install));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("Data"), install));
        // A file that reads like a data folder's origin.txt must still not count.
        QVERIFY(TerminalTree::writeFile(root + QStringLiteral("/origin.txt"), install.toUtf8()));
        QVERIFY(TerminalTree::writeFile(root + QStringLiteral("/AAA"), install.toUtf8()));

        QCOMPARE(dataPaths(TerminalScanner(root).scanTerminals()), QStringList{root + QStringLiteral("/Data")});
    }

    void listsEachDataFolderOfOneInstallation()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString install = temp.filePath(QStringLiteral("install"));
        QVERIFY(TerminalTree::makeMT5Install(install));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("First"), install));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("Second"), install));

        const TerminalList found = TerminalScanner(root).scanMT5();
        QCOMPARE(dataPaths(found), (QStringList{root + QStringLiteral("/First"), root + QStringLiteral("/Second")}));
        QCOMPARE(found.at(0).installPath, install);
        QCOMPARE(found.at(1).installPath, install);
    }

    void scansByPlatform()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("Terminal"));
        const QString mt4 = temp.filePath(QStringLiteral("mt4"));
        const QString mt5 = temp.filePath(QStringLiteral("mt5"));
        QVERIFY(TerminalTree::makeMT4Install(mt4));
        QVERIFY(TerminalTree::makeMT5Install(mt5));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("d5"), mt5));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("C4"), mt4));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("b4"), mt4));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("A5"), mt5));

        const TerminalScanner scanner(root);
        const QString base = root + QLatin1Char('/');
        QCOMPARE(dataPaths(scanner.scanMT4()), (QStringList{base + "b4", base + "C4"}));
        QCOMPARE(dataPaths(scanner.scanMT5()), (QStringList{base + "A5", base + "d5"}));
        for (const TerminalInfo &terminal : scanner.scanMT4()) {
            QCOMPARE(terminal.platform, QStringLiteral("MT4"));
            QCOMPARE(terminal.installPath, mt4);
        }
        for (const TerminalInfo &terminal : scanner.scanMT5()) {
            QCOMPARE(terminal.platform, QStringLiteral("MT5"));
            QCOMPARE(terminal.installPath, mt5);
        }
        QCOMPARE(dataPaths(scanner.scanTerminals()),
                 (QStringList{base + "A5", base + "b4", base + "C4", base + "d5"}));
    }

    void defaultRootIsBelowHome()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        const QString root = TerminalScanner::defaultTerminalRoot();
        QVERIFY2(root.startsWith(home.path() + QLatin1Char('/')), qPrintable(root));
        const QString install = home.filePath(QStringLiteral("install"));
        QVERIFY(TerminalTree::makeMT4Install(install));
        QVERIFY(TerminalTree::makeDataFolder(root, QStringLiteral("Data"), install));

        QCOMPARE(dataPaths(TerminalScanner().scanMT4()), QStringList{root + QStringLiteral("/Data")});

        QTemporaryDir emptyHome;
        QVERIFY(emptyHome.isValid());
        qputenv("HOME", QFile::encodeName(emptyHome.path()));
        QVERIFY(TerminalScanner().scanTerminals().isEmpty());
    }
};

BREVAN_CORE_TEST_MAIN(TestTerminalScanner)

#include "tst_terminalscanner.moc"
