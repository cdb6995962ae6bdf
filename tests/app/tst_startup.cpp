#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

// Runs the shipped executable from a folder of its own, with its own home, the way a user
// starts it, and looks at what the start leaves in the settings.
class TestStartup final : public QObject
{
    Q_OBJECT

private:
    struct Installation
    {
        QTemporaryDir root;
        QString executable;
        QString settingsPath;
    };

    static bool install(Installation &installation)
    {
        if (!installation.root.isValid())
            return false;
        const QString bin = installation.root.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        installation.executable = bin + QStringLiteral("/TavrinAI");
        installation.settingsPath =
            installation.root.filePath(QStringLiteral("config/TavrinAI/TavrinAI.conf"));
        QFile config(bin + QStringLiteral("/config.json"));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QByteArrayLiteral("{\"api_base_url\": \"")
                     + TestEnvironment::refusingServiceUrl().toUtf8() + QByteArrayLiteral("\"}"));
        config.close();
        return QFile::copy(QStringLiteral(TAVRINAI_PATH), installation.executable);
    }

    static QProcessEnvironment environmentFor(const Installation &installation)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), installation.root.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), installation.root.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    static int storedLanguage(const QString &settingsPath)
    {
        return QSettings(settingsPath, QSettings::IniFormat).value(QStringLiteral("language"), -99).toInt();
    }

private Q_SLOTS:
    void startStoresTheLanguage_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("first start") << QVariant() << 0;
        QTest::newRow("not a number") << QVariant(QStringLiteral("chinese")) << 0;
    }

    void startStoresTheLanguage()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, expected);

        Installation installation;
        QVERIFY(install(installation));
        if (stored.isValid()) {
            QSettings settings(installation.settingsPath, QSettings::IniFormat);
            settings.setValue(QStringLiteral("language"), stored);
        }

        QProcess client;
        client.setProcessEnvironment(environmentFor(installation));
        client.start(installation.executable, {});
        QVERIFY2(client.waitForStarted(), qPrintable(client.errorString()));
        // The value is written while the window is being built, long before anyone closes it.
        QTRY_COMPARE_WITH_TIMEOUT(storedLanguage(installation.settingsPath), expected, 20000);
        QCOMPARE(client.state(), QProcess::Running);
        client.kill();
        client.waitForFinished();
    }
};

BREVAN_CORE_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
