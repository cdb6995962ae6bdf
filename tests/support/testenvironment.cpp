#include "support/testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

bool TestEnvironment::writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(content) == content.size();
}

QByteArray TestEnvironment::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestEnvironment::writeServiceConfig(const QByteArray &content)
{
    QVERIFY(writeFile(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"), content));
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
