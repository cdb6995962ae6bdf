#include "support/testenvironment.h"

#include "platform/dialogfolders.h"
#include "platform/terminalscanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TestDialogFolders final : public QObject
{
    Q_OBJECT

private:
    // The dialogs fall back to where "Auto detect" looks below that home.
    static QString terminalRoot(const QString &home)
    {
        qputenv("HOME", QFile::encodeName(home));
        return TerminalScanner::defaultTerminalRoot();
    }

    // APPDATA is the home's AppData/Roaming, so the terminals' root sits at the same place
    // below both; APPDATA is a Windows path, so backslashes.
    static QString terminalRootBelowAppData(const QString &appData)
    {
        const QString roaming = QDir::homePath() + QStringLiteral("/AppData/Roaming");
        const QString below = QDir(roaming).relativeFilePath(TerminalScanner::defaultTerminalRoot());
        return appData + QLatin1Char('\\') + QString(below).replace(QLatin1Char('/'), QLatin1Char('\\'));
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

    void installFolderStart_data()
    {
        QTest::addColumn<bool>("programFilesExists");
        QTest::addColumn<bool>("terminalRootExists");
        QTest::addColumn<QString>("start"); // "programFiles", "terminalRoot" or "home"

        QTest::newRow("program files") << true << true << "programFiles";
        QTest::newRow("program files, no terminal root") << true << false << "programFiles";
        QTest::newRow("missing, terminal root") << false << true << "terminalRoot";
        QTest::newRow("missing, no terminal root") << false << false << "home";
    }

    void installFolderStart()
    {
        QFETCH(bool, programFilesExists);
        QFETCH(bool, terminalRootExists);
        QFETCH(QString, start);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString home = temp.filePath(QStringLiteral("home"));
        const QString programFiles = temp.filePath(QStringLiteral("Program Files (x86)"));
        QVERIFY(QDir().mkpath(home));
        if (programFilesExists)
            QVERIFY(QDir().mkpath(programFiles));
        if (terminalRootExists)
            QVERIFY(QDir().mkpath(terminalRoot(home)));

        const QString expected = start == QLatin1String("programFiles") ? programFiles
            : start == QLatin1String("terminalRoot")                   ? terminalRoot(home)
                                                                        : home;
        QCOMPARE(DialogFolders::installFolderStart(programFiles, home), expected);
    }

    void installFolderStartNeedsAFolder()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString home = temp.filePath(QStringLiteral("home"));
        const QString notAFolder = temp.filePath(QStringLiteral("Program Files (x86)"));
        QVERIFY(QDir().mkpath(home));
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QCOMPARE(DialogFolders::installFolderStart(notAFolder, home), home);
        QCOMPARE(DialogFolders::installFolderStart(QString(), home), home);
    }

    void dataFolderStart_data()
    {
        QTest::addColumn<QString>("appData"); // "{temp}" stands for an existing folder
        QTest::addColumn<bool>("terminalRootExists");
        QTest::addColumn<QString>("start");   // "appData", "terminalRoot" or "home"

        QTest::newRow("existing app data") << "{temp}/Roaming" << false << "appData";
        QTest::newRow("existing app data, terminal root too") << "{temp}/Roaming" << true << "appData";
        // Empty means drive C, which is not there on this system.
        QTest::newRow("empty, terminal root") << "" << true << "terminalRoot";
        QTest::newRow("empty, no terminal root") << "" << false << "home";
        QTest::newRow("missing, terminal root") << "{temp}/absent" << true << "terminalRoot";
        QTest::newRow("missing, no terminal root") << "{temp}/absent" << false << "home";
    }

    void dataFolderStart()
    {
        QFETCH(QString, appData);
        QFETCH(bool, terminalRootExists);
        QFETCH(QString, start);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        appData.replace(QStringLiteral("{temp}"), temp.path());
        const QString home = temp.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("Roaming"))));
        if (terminalRootExists)
            QVERIFY(QDir().mkpath(terminalRoot(home)));

        const QString expected = start == QLatin1String("appData")
            ? terminalRootBelowAppData(appData)
            : start == QLatin1String("terminalRoot") ? terminalRoot(home)
                                                     : home;
        QCOMPARE(DialogFolders::dataFolderStart(appData, home), expected);
    }
};

BREVAN_CORE_TEST_MAIN(TestDialogFolders)

#include "tst_dialogfolders.moc"
