#include "chatresponder.h"
#include "formdriver.h"
#include "support/testenvironment.h"
#include "terminaltree.h"

#include "platform/terminalscanner.h"
#include "ui/brevanqt.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

// "Auto detect" in the window: the terminals below the home folder fill the path fields.
class TestTerminalDetection final : public QObject
{
    Q_OBJECT

private:
    // Where "Auto detect" looks below the home that HOME names.
    static QString terminalRoot()
    {
        return TerminalScanner::defaultTerminalRoot();
    }

    // Two terminals of each platform; the first of each by name is not the first created.
    static bool makeTerminals(const QTemporaryDir &home, bool mt4, bool mt5)
    {
        const QString root = terminalRoot();
        bool ok = QDir().mkpath(root);
        if (mt4) {
            ok = ok && TerminalTree::makeMT4Install(home.filePath(QStringLiteral("MT4 B")))
                && TerminalTree::makeMT4Install(home.filePath(QStringLiteral("MT4 A")))
                && TerminalTree::makeDataFolder(root, QStringLiteral("C4"), home.filePath(QStringLiteral("MT4 B")))
                && TerminalTree::makeDataFolder(root, QStringLiteral("b4"), home.filePath(QStringLiteral("MT4 A")));
        }
        if (mt5) {
            ok = ok && TerminalTree::makeMT5Install(home.filePath(QStringLiteral("MT5 B")))
                && TerminalTree::makeMT5Install(home.filePath(QStringLiteral("MT5 A")))
                && TerminalTree::makeDataFolder(root, QStringLiteral("D5"), home.filePath(QStringLiteral("MT5 B")))
                && TerminalTree::makeDataFolder(root, QStringLiteral("a5"), home.filePath(QStringLiteral("MT5 A")));
        }
        return ok;
    }

    QByteArray m_savedHome;

private Q_SLOTS:
    void initTestCase()
    {
        // Version check and first chat fail at once; the window comes up fully set up.
        TestEnvironment::writeServiceBaseUrl(ChatResponder::refusingUrl());
    }

    void cleanupTestCase()
    {
        TestEnvironment::removeServiceConfig();
    }

    void init()
    {
        TestEnvironment::resetSettings();
        m_savedHome = qgetenv("HOME");
    }

    void cleanup()
    {
        qputenv("HOME", m_savedHome);
    }

    void fillsFromFirstTerminal_data()
    {
        QTest::addColumn<QString>("platform");

        QTest::newRow("MT4") << "MT4";
        QTest::newRow("MT5") << "MT5";
    }

    void fillsFromFirstTerminal()
    {
        QFETCH(QString, platform);
        const bool mt5 = platform == QLatin1String("MT5");

        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        QVERIFY(makeTerminals(home, true, true));

        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *mt4Install = FormDriver::child<QLineEdit>(window, "lineEdit_mt4install");
        auto *mt4Data = FormDriver::child<QLineEdit>(window, "lineEdit_mt4data");
        auto *mt5Install = FormDriver::child<QLineEdit>(window, "lineEdit_mt5install");
        auto *mt5Data = FormDriver::child<QLineEdit>(window, "lineEdit_mt5data");
        auto *scan = FormDriver::child<QPushButton>(window, mt5 ? "pushButton_mt5scan" : "pushButton_mt4scan");
        QVERIFY(mt4Install && mt4Data && mt5Install && mt5Data && scan);

        if (mt5) {
            // The MT5 panel only takes input once MT5 is chosen.
            QTest::mouseClick(scan, Qt::LeftButton);
            QVERIFY(mt5Install->text().isEmpty());
            QVERIFY(mt5Data->text().isEmpty());
            FormDriver::clickRadio(FormDriver::child<QRadioButton>(window, "radioButton_mt5"));
            QVERIFY(scan->isEnabled());
        }
        QTest::mouseClick(scan, Qt::LeftButton);

        const QString root = terminalRoot();
        QLineEdit *install = mt5 ? mt5Install : mt4Install;
        QLineEdit *data = mt5 ? mt5Data : mt4Data;
        QCOMPARE(install->text(), home.filePath(mt5 ? QStringLiteral("MT5 A") : QStringLiteral("MT4 A")));
        QCOMPARE(data->text(), root + (mt5 ? QStringLiteral("/a5") : QStringLiteral("/b4")));
        // The other platform's fields are left alone.
        QLineEdit *otherInstall = mt5 ? mt4Install : mt5Install;
        QLineEdit *otherData = mt5 ? mt4Data : mt5Data;
        QVERIFY(otherInstall->text().isEmpty());
        QVERIFY(otherData->text().isEmpty());
    }

    void nothingFoundKeepsFields_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("tree"); // "none", "root only", "other platform only"

        for (const char *platform : {"MT4", "MT5"}) {
            for (const char *tree : {"none", "root only", "other platform only"})
                QTest::addRow("%s, %s", platform, tree) << QString::fromLatin1(platform) << QString::fromLatin1(tree);
        }
    }

    void nothingFoundKeepsFields()
    {
        QFETCH(QString, platform);
        QFETCH(QString, tree);
        const bool mt5 = platform == QLatin1String("MT5");

        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        if (tree == QLatin1String("root only"))
            QVERIFY(QDir().mkpath(terminalRoot()));
        else if (tree == QLatin1String("other platform only"))
            QVERIFY(makeTerminals(home, mt5, !mt5));

        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (mt5)
            FormDriver::clickRadio(FormDriver::child<QRadioButton>(window, "radioButton_mt5"));
        auto *install = FormDriver::child<QLineEdit>(window, mt5 ? "lineEdit_mt5install" : "lineEdit_mt4install");
        auto *data = FormDriver::child<QLineEdit>(window, mt5 ? "lineEdit_mt5data" : "lineEdit_mt4data");
        auto *scan = FormDriver::child<QPushButton>(window, mt5 ? "pushButton_mt5scan" : "pushButton_mt4scan");
        QVERIFY(install && data && scan);
        QTest::keyClicks(install, QStringLiteral("D:\\typed install"));
        QTest::keyClicks(data, QStringLiteral("D:\\typed data"));

        QTest::mouseClick(scan, Qt::LeftButton);
        QCOMPARE(install->text(), QStringLiteral("D:\\typed install"));
        QCOMPARE(data->text(), QStringLiteral("D:\\typed data"));
    }

    void eachScanLooksAgain()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));

        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *install = FormDriver::child<QLineEdit>(window, "lineEdit_mt4install");
        auto *data = FormDriver::child<QLineEdit>(window, "lineEdit_mt4data");
        auto *scan = FormDriver::child<QPushButton>(window, "pushButton_mt4scan");
        QVERIFY(install && data && scan);

        QTest::mouseClick(scan, Qt::LeftButton);
        QVERIFY(install->text().isEmpty());

        // A terminal run for the first time while the window is open.
        QVERIFY(makeTerminals(home, true, false));
        QTest::mouseClick(scan, Qt::LeftButton);
        QCOMPARE(install->text(), home.filePath(QStringLiteral("MT4 A")));
        QCOMPARE(data->text(), terminalRoot() + QStringLiteral("/b4"));
    }
};

BREVAN_GUI_TEST_MAIN(TestTerminalDetection)

#include "tst_terminaldetection.moc"
