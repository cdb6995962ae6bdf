#include "support/testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>

namespace {

void pointAt(const char *variable, const QString &folder)
{
    QDir().mkpath(folder);
    qputenv(variable, QFile::encodeName(folder));
}

} // namespace

TestEnvironment::TestEnvironment()
{
    QVERIFY2(m_root.isValid(), "cannot create a temporary home");
    pointAt("HOME", m_root.filePath(QStringLiteral("home")));
    pointAt("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")));
    pointAt("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")));
    pointAt("XDG_CACHE_HOME", m_root.filePath(QStringLiteral("cache")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
}

void TestEnvironment::resetSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}

void TestEnvironment::writeServiceConfig(const QByteArray &content)
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.errorString()));
    QCOMPARE(file.write(content), content.size());
}

void TestEnvironment::writeServiceBaseUrl(const QString &baseUrl)
{
    writeServiceConfig(QByteArrayLiteral("{\"api_base_url\": \"") + baseUrl.toUtf8()
                       + QByteArrayLiteral("\"}"));
}

void TestEnvironment::removeServiceConfig()
{
    QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
}

QString TestEnvironment::refusingServiceUrl()
{
    // Take a free port and let it go again: connections to it are then refused.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return QStringLiteral("http://127.0.0.1:9");
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}
