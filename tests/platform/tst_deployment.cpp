#include "platformtest.h"
#include "support/testenvironment.h"

#include "platform/compilerrun.h"
#include "platform/deployment.h"

#include <QTemporaryDir>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace PlatformTest;

namespace {

// Root (as in CI) writes whatever the permission bits say; while obeying, this thread does not.
void obeyPermissionBits(bool obey)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    syscall(SYS_capget, &header, caps);
    caps[0].effective = obey ? caps[0].effective & ~(1u << CAP_DAC_OVERRIDE) : caps[0].permitted;
    syscall(SYS_capset, &header, caps);
}

} // namespace

// The widget-free steps of deploying an answer: names, folders, file content and the compiler.
class TestDeployment final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultSourceName()
    {
        QCOMPARE(Deployment::defaultSourceName({QDate(2024, 3, 5), QTime(17, 8, 9)}), "Tavrin_20240305_170809");
    }

    void targetFolder()
    {
        QTemporaryDir temp;
        const QString mql = temp.filePath("Data Folder/MQL4");
        QVERIFY(QDir().mkpath(mql + "/Indicators"));
        QCOMPARE(Deployment::targetFolder(mql, "indicator"), mql + "/Indicators");
        QCOMPARE(Deployment::targetFolder(mql, "ea"), mql); // no Experts folder
        QVERIFY(QDir().mkpath(mql + "/Experts"));
        QCOMPARE(Deployment::targetFolder(mql, "ea"), mql + "/Experts");
    }

    void sourceNameProblem()
    {
        QVERIFY(!Deployment::sourceNameProblem("sub/x").isEmpty());
        QVERIFY(!Deployment::sourceNameProblem("..\\x").isEmpty());
        QVERIFY(Deployment::sourceNameProblem("My EA v1.2").isEmpty());
        QVERIFY(Deployment::sourceNameProblem("指标 Ω").isEmpty());
    }

    void sourceFileContent()
    {
        // UTF-8 without byte-order mark, LF on this system, and CR LF never turned into CR CR LF.
        QCOMPARE(Deployment::sourceFileContent("a\r\nb\n// Ω"), QStringLiteral("a\nb\n// Ω").toUtf8());
    }

    void writeSourceFileReplaces()
    {
        QTemporaryDir temp;
        const QString path = temp.filePath("X.mq4");
        QVERIFY(writeFile(path, QByteArray(4096, 'o')));
        QVERIFY(Deployment::writeSourceFile(path, "short").ok);
        QCOMPARE(readFile(path), QByteArray("short"));
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"X.mq4"});
    }

    void writeSourceFileFailureKeepsOldFile()
    {
        QTemporaryDir temp;
        const QString folder = temp.filePath("Experts");
        QVERIFY(writeFile(folder + "/X.mq4", "old"));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        obeyPermissionBits(true);
        const bool refused = !QFile(folder + "/probe").open(QIODevice::WriteOnly);
        const Deployment::WriteResult result = Deployment::writeSourceFile(folder + "/X.mq4", "new");
        obeyPermissionBits(false);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!refused)
            QSKIP("this process writes into read-only folders");
        QVERIFY(!result.ok && !result.error.isEmpty());
        QCOMPARE(readFile(folder + "/X.mq4"), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"X.mq4"});
    }

    void compilerArguments()
    {
        QCOMPARE(CompilerRun::compilerArguments("My EA.mq4"), (QStringList{"/compile:My EA.mq4", "/log:a.log"}));
        QCOMPARE(CompilerRun::nativeCompilerArguments("My EA.mq4"), "/compile:\"My EA.mq4\" /log:a.log");
        QCOMPARE(CompilerRun::nativeCompilerArguments("RSI.mq5"), "/compile:RSI.mq5 /log:a.log");
    }

    void compile_data()
    {
        QTest::addColumn<QString>("compiler"); // "stand-in", "silent" (leaves no log) or none
        QTest::addColumn<QString>("log");      // held by the log read; empty: no log

        QTest::newRow("stand-in") << "stand-in" << "Result: 0 errors";
        QTest::newRow("no log written, stale one") << "silent" << "";
        QTest::newRow("compiler missing") << "" << "";
    }

    void compile()
    {
        QFETCH(QString, compiler);
        QFETCH(QString, log);

        QTemporaryDir temp;
        const QString install = temp.filePath("Program Files/Terminal");
        const QString folder = temp.filePath("Data Folder/MQL4/Experts");
        QVERIFY(writeFile(folder + "/My EA.mq4", "int OnInit() { return 0; }\nvoid OnTick() {}\n"));
        QVERIFY(writeFile(folder + "/a.log", "STALE"));
        if (compiler == "stand-in")
            QVERIFY(QDir().mkpath(install) && QFile::copy(FAKE_METAEDITOR_PATH, install + "/metaeditor.exe"));
        if (compiler == "silent") {
            QVERIFY(writeFile(install + "/metaeditor.exe", "#!/bin/sh\n"));
            QVERIFY(QFile::setPermissions(install + "/metaeditor.exe", QFile::ReadOwner | QFile::ExeOwner));
        }

        const CompilerRun::Outcome outcome = CompilerRun::compile(install, folder, "My EA.mq4");
        QCOMPARE(outcome.started, !compiler.isEmpty());
        QCOMPARE(outcome.hasLog, !log.isEmpty());
        QVERIFY2(outcome.log.contains(log), qPrintable(outcome.log));
        QVERIFY(!QFileInfo::exists(folder + "/a.log"));
    }
};

BREVAN_CORE_TEST_MAIN(TestDeployment)

#include "tst_deployment.moc"
