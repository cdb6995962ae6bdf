#include "service/serviceaccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <optional>

namespace {

// The "api_base_url" value of the config file, when the file is a JSON object holding that key.
std::optional<QJsonValue> configuredBaseUrl(const QString &configPath)
{
    QFile file(configPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject config = document.object();
    if (!document.isObject() || !config.contains(QLatin1String("api_base_url")))
        return std::nullopt;
    return config.value(QLatin1String("api_base_url"));
}

} // namespace

QString defaultApiBaseUrl()
{
    return QStringLiteral("http://127.0.0.1:8080");
}

QString apiBaseUrlFromConfig(const QString &configPath)
{
    const std::optional<QJsonValue> configured = configuredBaseUrl(configPath);
    QString base = configured ? configured->toString() : defaultApiBaseUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

bool configNamesService(const QString &configPath)
{
    return configuredBaseUrl(configPath).has_value();
}

QString configFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config.json");
}

QNetworkRequest makeServiceRequest(const QString &url, const QString &language)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept-Language", language.toUtf8());
    return request;
}

QNetworkReply *postServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                  const QJsonObject &body, const QString &language)
{
    return manager.post(makeServiceRequest(url, language), serviceRequestBody(body));
}

QNetworkReply *postStreamingChatRequest(QNetworkAccessManager &manager, const QString &url,
                                        const QJsonObject &body, const QString &language)
{
    QNetworkRequest request = makeServiceRequest(url, language);
    request.setRawHeader("Accept", "text/event-stream");
    return manager.post(request, serviceRequestBody(body));
}

QNetworkReply *deleteServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                    const QJsonObject &body, const QString &language)
{
    return manager.sendCustomRequest(makeServiceRequest(url, language), "DELETE",
                                     serviceRequestBody(body));
}
