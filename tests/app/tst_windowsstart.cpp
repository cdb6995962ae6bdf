#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

// TavrinAI.exe started from a folder of its own: it takes the service from the config.json
// beside it and keeps the language in the registry, where this process, of the same
// organisation and application, reads it.
class TestWindowsStart final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void start_data()
    {
        QTest::addColumn<QVariant>("stored");     // before the start
        QTest::addColumn<int>("kept");            // after it
        QTest::addColumn<QByteArray>("language"); // asked for by the version check
        QTest::newRow("first start") << QVariant() << 0 << QByteArray("en");
        QTest::newRow("Traditional Chinese") << QVariant(2) << 2 << QByteArray("zh-TW");
        QTest::newRow("not a number") << QVariant(QStringLiteral("chinese")) << 0 << QByteArray("en");
    }

    void start()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, kept);
        QFETCH(QByteArray, language);

        QTemporaryDir folder;
        const QString executable = folder.filePath(QStringLiteral("TavrinAI.exe"));
        QVERIFY(QFile::copy(QStringLiteral(TAVRINAI_PATH), executable));
        QVERIFY(TestEnvironment::writeFile(folder.filePath(QStringLiteral("config.json")),
                                           "{\"api_base_url\": \"" + m_service.baseUrl().toUtf8() + "\"}"));
        TestEnvironment::resetSettings();
        if (stored.isValid())
            QSettings().setValue(QStringLiteral("language"), stored);

        const QString versionCheck = QStringLiteral("/api/version_check");
        const qsizetype checks = m_service.requestsTo("POST", versionCheck).size();
        QProcess client; // offscreen, as this process
        client.start(executable, {});
        QVERIFY2(client.waitForStarted(), qPrintable(client.errorString()));
        // The language is stored before the window is built, and so before the version check.
        QTRY_VERIFY_WITH_TIMEOUT(m_service.requestsTo("POST", versionCheck).size() > checks, 30000);
        QCOMPARE(m_service.requestsTo("POST", versionCheck).constLast().header("Accept-Language"), language);
        QCOMPARE(QSettings().value(QStringLiteral("language"), -1).toInt(), kept);
        QCOMPARE(client.state(), QProcess::Running);
        client.kill();
        client.waitForFinished();
    }

private:
    FakeService m_service;
};

BREVAN_CORE_TEST_MAIN(TestWindowsStart)
#include "tst_windowsstart.moc"
