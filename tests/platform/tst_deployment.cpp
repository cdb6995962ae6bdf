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

// The widget-free steps of deploying an answer that the window's tests cannot reach: a write
// that fails half-way, a compiler that leaves no log.
class TestDeployment final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Replaced whole or not at all: a write that fails keeps the old file and leaves no temporary one.
    void writeSourceFile()
    {
        QTemporaryDir temp;
        const QString folder = temp.filePath("Experts");
        QVERIFY(writeFile(folder + "/X.mq4", QByteArray(4096, 'o')));
        QVERIFY(Deployment::writeSourceFile(folder + "/X.mq4", "old").ok);
        QCOMPARE(readFile(folder + "/X.mq4"), QByteArray("old"));
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
        QCOMPARE(readFile(folder + "/X.mq4"), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"X.mq4"});
    }

    void compile_data()
    {
        QTest::addColumn<QString>("compiler"); // "stand-in" or "silent" (leaves no log)
        QTest::addColumn<QString>("log");      // held by the log read; empty: no log

        QTest::newRow("stand-in") << "stand-in" << "Result: 0 errors";
        QTest::newRow("no log written, stale one") << "silent" << "";
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
        QVERIFY(outcome.started);
        QCOMPARE(outcome.hasLog, !log.isEmpty());
        QVERIFY2(outcome.log.contains(log), qPrintable(outcome.log));
        QVERIFY(!QFileInfo::exists(folder + "/a.log"));
    }
};

BREVAN_CORE_TEST_MAIN(TestDeployment)

#include "tst_deployment.moc"
