#include "service/serviceconfig.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

QString defaultApiBaseUrl()
{
    return QStringLiteral("http://127.0.0.1:8080");
}

QString apiBaseUrlFromConfig(const QString &configPath)
{
    QString base = defaultApiBaseUrl();
    QFile file(configPath);
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        file.close();
        const QJsonObject config = document.object();
        if (document.isObject() && config.contains(QLatin1String("api_base_url")))
            base = config.value(QLatin1String("api_base_url")).toString();
    }
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString configFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config.json");
}

QString resolveApiBaseUrl()
{
    return apiBaseUrlFromConfig(configFilePath());
}
