#include "support/testenvironment.h"

#include "platform/dialogfolders.h"
#include "platform/terminalscanner.h"
#include "ui/brevanqt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QScopeGuard>
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
// Qt for Windows takes the user's profile instead, whose root serves while it does not exist.
QString pointHomeAt(const QTemporaryDir &home)
{
    if (!kOnWindows)
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
    // The window comes back as the last case left it: each case starts from no choice.
    void init() { TestEnvironment::resetSettings(); }

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
        const QString root = home + "/AppData/Roaming/MetaQuotes/Terminal";
        const QString programFiles = temp.filePath("PF");
        const QString absent = temp.filePath("absent");
        QVERIFY(QDir().mkpath(programFiles));
        QCOMPARE(DialogFolders::installFolderStart(programFiles, home), programFiles);
        QCOMPARE(DialogFolders::dataFolderStart(programFiles, home), programFiles + "\\MetaQuotes\\Terminal");
        // Without them, the terminal root below the home folder, or the home folder itself.
        QCOMPARE(DialogFolders::installFolderStart(absent, home), home);
        QCOMPARE(DialogFolders::dataFolderStart("", home), kOnWindows ? "C:\\\\MetaQuotes\\Terminal" : home); // drive C
        QVERIFY(QDir().mkpath(root));
        QCOMPARE(DialogFolders::installFolderStart(absent, home), root);
        QCOMPARE(DialogFolders::dataFolderStart(absent, home), root);
    }

    // "Auto detect" and the "..." buttons fill the fields of their platform, or leave them as typed.
    void fillsFields_data()
    {
        QTest::addColumn<QString>("button");  // without "pushButton_"
        QTest::addColumn<bool>("terminals");  // laid out below the home folder
        QTest::addColumn<QString>("dialog");  // the folder dialog's title; empty: none comes
        QTest::addColumn<QString>("install"); // the fields afterwards; they hold "typed" before
        QTest::addColumn<QString>("data");

        QTest::newRow("Auto detect, MT4") << "mt4scan" << true << "" << "{home}/MT4" << "{root}/b4";
        QTest::newRow("Auto detect, MT5") << "mt5scan" << true << "" << "{home}/MT5" << "{root}/A5";
        QTest::newRow("Auto detect, nothing found") << "mt4scan" << false << "" << "typed" << "typed";
        QTest::newRow("MT4 installation, cancelled") << "mt4install" << true << "Select MT4 installation directory" << "typed" << "typed";
        QTest::newRow("MT5 data, chosen") << "mt5data" << false << "Select MT5 data directory" << "typed" << "{chosen}";
    }

    void fillsFields()
    {
        QFETCH(QString, button);
        QFETCH(bool, terminals);
        QFETCH(QString, dialog);
        QFETCH(QString, install);
        QFETCH(QString, data);

        QTemporaryDir home;
        const QString root = pointHomeAt(home);
        if (QFileInfo::exists(root))
            QSKIP("this user's own terminal root exists, and tests leave it alone");
        const auto removeRoot = qScopeGuard([&] { QDir(root).removeRecursively(); });
        const QString chosen = home.filePath("Chosen Ω"), appData = home.filePath("AppData");
        QVERIFY(QDir().mkpath(root) && QDir().mkpath(chosen) && QDir().mkpath(appData + "/MetaQuotes/Terminal"));
        // On Windows the dialogs start in Program Files and below APPDATA; elsewhere in the root.
        qputenv("APPDATA", kOnWindows ? QFile::encodeName(QDir::toNativeSeparators(appData)) : QByteArray());
        const QString start = !kOnWindows ? root : button.endsWith("install") ? "C:/Program Files (x86)" : appData + "/MetaQuotes/Terminal";
        if (terminals)
            layTerminals(home.path(), root);
        BrevanQt window;
        const QString platform = button.left(3);
        if (platform == "mt5")
            window.findChild<QAbstractButton *>("radioButton_mt5")->click();
        auto *installEdit = window.findChild<QLineEdit *>("lineEdit_" + platform + "install");
        auto *dataEdit = window.findChild<QLineEdit *>("lineEdit_" + platform + "data");
        installEdit->setText("typed");
        dataEdit->setText("typed");
        window.findChild<QAbstractButton *>("pushButton_" + button)->click();
        // The dialog is open without waiting in place: the test answers it as the trader would.
        QString shownTitle, shownStart;
        if (auto *shown = window.findChild<QFileDialog *>()) {
            QCOMPARE(shown->windowModality(), Qt::WindowModal);
            shownTitle = shown->windowTitle();
            shownStart = shown->directory().absolutePath();
            shown->setDirectory(chosen);
            data == "{chosen}" ? static_cast<QDialog *>(shown)->accept() : shown->reject();
        }
        QCOMPARE(shownTitle, dialog);
        QCOMPARE(shownStart, dialog.isEmpty() ? QString() : start);
        QCOMPARE(installEdit->text(), install.replace("{home}", home.path()));
        QCOMPARE(dataEdit->text(), data.replace("{root}", root).replace("{chosen}", chosen));
    }
};

BREVAN_GUI_TEST_MAIN(TestDiscovery)

#include "tst_discovery.moc"
