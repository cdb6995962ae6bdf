#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include "platform/deployment.h"
#include "ui/brevanqt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Builds cleanly with the stand-in compiler as an indicator and as an Expert Advisor.
const QString kCode = QStringLiteral("int OnInit() { return 0; }\nvoid OnTick() {}\n"
                                     "int OnCalculate(const int total, const int prev, const int begin, "
                                     "const double &price[]) { return total; }\n");

// Root (as in CI) writes whatever the permission bits say; while obeying, this thread does not.
void obeyPermissionBits([[maybe_unused]] bool obey)
{
#ifdef Q_OS_LINUX
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    syscall(SYS_capget, &header, caps);
    caps[0].effective = obey ? caps[0].effective & ~(1u << CAP_DAC_OVERRIDE) : caps[0].permitted;
    syscall(SYS_capset, &header, caps);
#endif
}

QStringList bubbles(const BrevanQt &window)
{
    QStringList texts;
    for (const ChatTextEdit::Message &message : window.findChild<ChatTextEdit *>("textEdit_code")->messages())
        texts << message.text;
    return texts;
}

} // namespace

// From the service's answer through the window to the compiled file, and what the user is told;
// the file's atomic replacement on its own, as a write failing half-way cannot be staged there.
class TestDeployment final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_service.scriptGoodService();
        TestEnvironment::writeServiceBaseUrl(m_service.baseUrl());
    }
    // The window comes back as the last case left it: each case starts from no choice.
    void init() { TestEnvironment::resetSettings(); }

    void deploys_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("name");      // "-": emptied once the request is sent
        QTest::addColumn<QString>("fault");     // how the terminal or the form differs from a complete one
        QTest::addColumn<QString>("source");    // pattern of the file written, below the MQL folder, no extension
        QTest::addColumn<QStringList>("shown"); // held by the bubbles after "generated"; {source}: the file

        const QStringList saved = {"Platform path verified!", "Code saved to: {source}"};
        // The bubble that counted the compile's seconds says how it ended; its results follow.
        const QStringList compiled = saved + QStringList{"Compile finished after "};
        const QStringList built = compiled + QStringList{"Result: 0 errors"};
        const QStringList invalid = {"Invalid platform path!"};
        const QStringList unwritable = {"Platform path verified!", "Cannot write file: "};
        QTest::newRow("no Experts folder") << "MT4" << "ea" << "Rsi" << "no Experts" << "Rsi" << built;
        QTest::newRow("empty name") << "MT5" << "ea" << "-" << "" << "Experts/Tavrin_\\d{8}_\\d{6}" << built;
        QTest::newRow("blanks in name") << "MT4" << "indicator" << "My Moving Average" << "" << "Indicators/My Moving Average" << built;
        QTest::newRow("cr lf answer") << "MT5" << "indicator" << "Rsi" << "cr lf" << "Indicators/Rsi" << built;
        QTest::newRow("data field empty") << "MT4" << "ea" << "Rsi" << "no data" << "" << invalid;
        QTest::newRow("installation field empty") << "MT5" << "ea" << "Rsi" << "no install" << "" << invalid;
        // A name no file can have ("../Rsi", and "EA:v2" on Windows) is refused at Send (tst_conversation).
        if (!kOnWindows)
            QTest::newRow("colon in name") << "MT4" << "ea" << "EA:v2" << "" << "Experts/EA:v2" << built;
        QTest::newRow("folder in the way") << "MT4" << "ea" << "Rsi" << "folder" << "" << unwritable;
        QTest::newRow("compiler missing") << "MT5" << "indicator" << "Rsi" << "no compiler" << "Indicators/Rsi"
                                          << saved + QStringList{"Cannot start compiler!"};
        QTest::newRow("no log written, stale one") << "MT4" << "indicator" << "Rsi" << "silent compiler" << "Indicators/Rsi" << compiled + QStringList{"The compiler finished but left no log."};
    }

    void deploys()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(QString, name);
        QFETCH(QString, fault);
        QFETCH(QString, source);
        QFETCH(QStringList, shown);

        QTemporaryDir temp;
        const QString install = temp.filePath("Program Files/Terminal");
        const QString data = temp.filePath("Data Folder/0A1B");
        const QString digit = platform.right(1);
        const QString mql = data + "/MQL" + digit;
        QVERIFY(QDir().mkpath(install) && QDir().mkpath(mql + "/Indicators"));
        QVERIFY(fault == "no Experts" || QDir().mkpath(mql + "/Experts"));
        QVERIFY(fault != "folder" || QDir().mkpath(mql + "/Experts/Rsi.mq4"));
        const bool silent = fault == "silent compiler";
        QVERIFY(!silent || TestEnvironment::writeFile(mql + "/Indicators/a.log", "STALE"));
        QVERIFY(fault == "no compiler" || QFile::copy(silent ? SILENT_COMPILER_PATH : FAKE_METAEDITOR_PATH, install + "/metaeditor.exe"));
        const QString answer = fault == "cr lf" ? QString(kCode).replace("\n", "\r\n") : kCode;
        m_service.enqueueReply("POST", "/api/chat", FakeService::chatSuccess(answer));

        BrevanQt window;
        QTRY_VERIFY_WITH_TIMEOUT(bubbles(window).contains("Hello, what shall we build?"), 30000);
        if (platform == "MT5")
            window.findChild<QAbstractButton *>("radioButton_mt5")->click();
        auto *type = window.findChild<QComboBox *>("comboBox_type");
        type->setCurrentIndex(type->findData(codeType));
        // A chat not yet used starts again for the chosen platform and type.
        QTRY_VERIFY_WITH_TIMEOUT(bubbles(window).constLast() == "Hello, what shall we build?", 30000);
        const QString fields = "lineEdit_" + platform.toLower();
        window.findChild<QLineEdit *>(fields + "install")->setText(fault == "no install" ? QString() : install);
        window.findChild<QLineEdit *>(fields + "data")->setText(fault == "no data" ? QString() : data);
        auto *nameEdit = window.findChild<QLineEdit *>("lineEdit_name");
        nameEdit->setText(name == "-" ? "Emptied" : name);
        window.findChild<QPlainTextEdit *>("plainTextEdit_prompt")->setPlainText("Cross of two averages");
        window.findChild<QAbstractButton *>("pushButton_generate")->click();
        if (name == "-")
            nameEdit->clear(); // the answer cannot arrive before the event loop runs again

        const QString generated = QStringLiteral("%1 %2 generated successfully!\nCompiling...")
                                      .arg(platform, codeType == "ea" ? "EA" : "Indicator");
        QTRY_VERIFY_WITH_TIMEOUT(bubbles(window).contains(generated), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.findChild<Conversation *>()->isCompiling(), 30000);
        const QStringList after = bubbles(window).mid(bubbles(window).indexOf(generated) + 1);
        QStringList found; // the files in the MQL folder: the source, and the program unless not compiled
        for (QDirIterator it(mql, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            found.append(QDir(mql).relativeFilePath(it.next()));
        found.sort();
        const QString compiled = fault.endsWith("compiler") ? QString() : source + ".ex" + digit + ", ";
        const QString files = source.isEmpty() ? QString() : compiled + source + ".mq" + digit;
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(files)).match(found.join(", ")).hasMatch(),
                 qPrintable(found.join(", ")));
        const QString written = found.isEmpty() ? QString() : mql + '/' + found.last();
        QVERIFY2(after.size() == shown.size(), qPrintable(after.join(" | ")));
        for (qsizetype i = 0; i < shown.size(); ++i)
            QVERIFY2(after.at(i).contains(QString(shown.at(i)).replace("{source}", written)), qPrintable(after.at(i)));
        if (!written.isEmpty())
            QCOMPARE(TestEnvironment::readFile(written), TestEnvironment::systemLineEnds(kCode.toUtf8())); // never CR CR LF
    }

    // Replaced whole or not at all: a write that fails keeps the old file and leaves no temporary one.
    void writeSourceFile()
    {
        QTemporaryDir temp;
        const QString folder = temp.filePath("Experts");
        QVERIFY(TestEnvironment::writeFile(folder + "/X.mq4", QByteArray(4096, 'o')));
        QVERIFY(Deployment::writeSourceFile(folder + "/X.mq4", "old").ok);
        QCOMPARE(TestEnvironment::readFile(folder + "/X.mq4"), QByteArray("old"));
        // A backslash would reach a parent folder on Windows, whatever it means here.
        QVERIFY(!Deployment::sourceNameProblem("..\\x").isEmpty());
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        obeyPermissionBits(true);
        const bool refused = !QFile(folder + "/probe").open(QIODevice::WriteOnly);
        const Deployment::WriteResult result = Deployment::writeSourceFile(folder + "/X.mq4", "new");
        obeyPermissionBits(false);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!refused)
            QSKIP("this process writes into read-only folders");
        QVERIFY(!result.ok && !result.error.isEmpty());
        QCOMPARE(TestEnvironment::readFile(folder + "/X.mq4"), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"X.mq4"});
    }

private:
    FakeService m_service;
};

BREVAN_GUI_TEST_MAIN(TestDeployment)

#include "tst_deployment.moc"
