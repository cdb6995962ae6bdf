#include "support/testenvironment.h"

#include "platform/dialogfolders.h"
#include "platform/terminalscanner.h"
#include "ui/brevanqt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// "DATA PLATFORM INSTALL" for each terminal found.
QStringList described(const TerminalList &found)
{
    QStringList lines;
    for (const TerminalInfo &terminal : found)
        lines.append(terminal.dataPath + ' ' + terminal.platform + ' ' + terminal.installPath);
    return lines;
}

// base/MT4 and base/MT5 installed; two data folders below root for each, made out of order and
// in mixed case, so that the first of a platform is neither the first made nor the first byte-wise.
void layTerminals(const QString &base, const QString &root)
{
    QVERIFY(TestEnvironment::writeFile(base + "/MT4/terminal.exe", "MZ")
            && TestEnvironment::writeFile(base + "/MT5/terminal64.exe", "MZ")
            && QDir().mkpath(base + "/MT5/Tester"));
    for (const QString name : {"d5", "C4", "b4", "A5"})
        QVERIFY(TestEnvironment::writeFile(root + '/' + name + "/origin.txt", (base + "/MT" + name.right(1)).toUtf8()));
}

// Points HOME at the case's own folder; the terminal root below it, where "Auto detect" looks.
QString pointHomeAt(const QTemporaryDir &home)
{
    qputenv("HOME", QFile::encodeName(home.path()));
    return TerminalScanner::defaultTerminalRoot();
}

} // namespace

// Finding the terminals and their folders: the scanner, "Auto detect" and the "..." buttons.
class TestDiscovery final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The version check and the first chat fail at once; no APPDATA, as on any non-Windows system.
        TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl());
        TestEnvironment::resetSettings(); // settings stay below the test's home, not a case's HOME
        qunsetenv("APPDATA");
    }

    void scansDataFolder_data()
    {
        QTest::addColumn<QString>("origin");      // {install}, {windows}: with backslashes; "-": no origin.txt
        QTest::addColumn<bool>("utf16");          // UTF-16LE with a byte-order mark, as the terminals write it
        QTest::addColumn<QStringList>("entries"); // of the installation folder; none: it is missing
        QTest::addColumn<QString>("platform");    // empty: skipped

        const QStringList mt4 = {"terminal.exe"};
        QTest::newRow("backslashes, cr lf") << "{windows}\r\n" << true << mt4 << "MT4";
        QTest::newRow("several lines") << "{install}\r\nC:\\Other\r\n" << true << mt4 << "MT4";
        QTest::newRow("utf-8") << "{install}\n" << false << mt4 << "MT4";
        QTest::newRow("no origin.txt") << "-" << true << mt4 << "";
        QTest::newRow("installation missing") << "{install}" << true << QStringList{} << "";
        QTest::newRow("no terminal program") << "{install}" << true << QStringList{"metaeditor.exe", "Tester/"} << "";
        QTest::newRow("terminal64.exe") << "{install}" << true << QStringList{"terminal64.exe"} << "MT4";
        QTest::newRow("Tester") << "{install}" << true << QStringList{"terminal64.exe", "Tester/"} << "MT5";
        QTest::newRow("metatester") << "{install}" << true << QStringList{"terminal.exe", "metatester"} << "MT5";
    }

    void scansDataFolder()
    {
        QFETCH(QString, origin);
        QFETCH(bool, utf16);
        QFETCH(QStringList, entries);
        QFETCH(QString, platform);

        QTemporaryDir temp;
        const QString install = temp.filePath("Program Files/Terminal Ω");
        const QString data = temp.filePath("Terminal/0A1B");
        QVERIFY(QDir().mkpath(data));
        for (const QString &entry : entries)
            QVERIFY(TestEnvironment::writeFile(install + '/' + entry + (entry.endsWith('/') ? ".keep" : ""), "MZ"));
        origin.replace("{install}", install).replace("{windows}", QString(install).replace('/', '\\'));
        QStringEncoder utf16le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        const QByteArray bytes = utf16 ? QByteArray(utf16le(origin)) : origin.toUtf8();
        if (origin != "-")
            QVERIFY(TestEnvironment::writeFile(data + "/origin.txt", bytes));

        QCOMPARE(described(TerminalScanner(temp.filePath("Terminal")).scanTerminals()),
                 platform.isEmpty() ? QStringList() : QStringList{data + ' ' + platform + ' ' + install});
    }

    void dialogStart()
    {
        QTemporaryDir temp;
        const QString home = temp.path();
        const QString root = pointHomeAt(temp);
        const QString programFiles = temp.filePath("PF");
        const QString absent = temp.filePath("absent");
        QVERIFY(QDir().mkpath(programFiles));
        QCOMPARE(DialogFolders::installFolderStart(programFiles, home), programFiles);
        QCOMPARE(DialogFolders::dataFolderStart(programFiles, home), programFiles + "\\MetaQuotes\\Terminal");
        // Without them, the terminal root below the home folder, or the home folder itself.
        QCOMPARE(DialogFolders::installFolderStart(absent, home), home);
        QCOMPARE(DialogFolders::dataFolderStart("", home), home);
        QVERIFY(QDir().mkpath(root));
        QCOMPARE(DialogFolders::installFolderStart(absent, home), root);
        QCOMPARE(DialogFolders::dataFolderStart(absent, home), root);
    }

    void autoDetect_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("terminals");
        QTest::addColumn<QString>("install"); // the fields afterwards; they hold "typed" before
        QTest::addColumn<QString>("data");

        QTest::newRow("MT4") << "mt4" << true << "{home}/MT4" << "{root}/b4";
        QTest::newRow("MT5") << "mt5" << true << "{home}/MT5" << "{root}/A5";
        QTest::newRow("nothing found") << "mt4" << false << "typed" << "typed";
    }

    void autoDetect()
    {
        QFETCH(QString, platform);
        QFETCH(bool, terminals);
        QFETCH(QString, install);
        QFETCH(QString, data);

        QTemporaryDir home;
        const QString root = pointHomeAt(home);
        if (terminals)
            layTerminals(home.path(), root);
        BrevanQt window;
        if (platform == "mt5")
            window.findChild<QAbstractButton *>("radioButton_mt5")->click();
        auto *installEdit = window.findChild<QLineEdit *>("lineEdit_" + platform + "install");
        auto *dataEdit = window.findChild<QLineEdit *>("lineEdit_" + platform + "data");
        installEdit->setText("typed");
        dataEdit->setText("typed");
        window.findChild<QAbstractButton *>("pushButton_" + platform + "scan")->click();
        QCOMPARE(installEdit->text(), install.replace("{home}", home.path()));
        QCOMPARE(dataEdit->text(), data.replace("{root}", root));
    }

    void folderButton_data()
    {
        QTest::addColumn<QString>("field"); // the button's and the field's name without their prefix
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("choose");   // else cancel

        QTest::newRow("MT4 installation, cancel") << "mt4install" << "Select MT4 installation directory" << false;
        QTest::newRow("MT5 data, choose") << "mt5data" << "Select MT5 data directory" << true;
    }

    void folderButton()
    {
        QFETCH(QString, field);
        QFETCH(QString, title);
        QFETCH(bool, choose);

        QTemporaryDir home;
        const QString root = pointHomeAt(home);
        const QString chosen = home.filePath("Chosen Ω");
        QVERIFY(QDir().mkpath(root) && QDir().mkpath(chosen));
        BrevanQt window;
        if (field.startsWith("mt5"))
            window.findChild<QAbstractButton *>("radioButton_mt5")->click();
        auto *edit = window.findChild<QLineEdit *>("lineEdit_" + field);
        edit->setText("typed");

        QString shownTitle, shownStart;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &poll, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            shownTitle = dialog->windowTitle();
            shownStart = dialog->directory().absolutePath();
            dialog->setDirectory(chosen);
            choose ? static_cast<QDialog *>(dialog)->accept() : dialog->reject();
        });
        poll.start(10);
        window.findChild<QAbstractButton *>("pushButton_" + field)->click();
        QCOMPARE(shownTitle, title);
        QCOMPARE(shownStart, root); // neither Program Files nor APPDATA here
        QCOMPARE(edit->text(), choose ? chosen : QStringLiteral("typed"));
    }
};

BREVAN_GUI_TEST_MAIN(TestDiscovery)

#include "tst_discovery.moc"
