#include "service/servicerequest.h"

#include "app/language.h"
#include "app/version.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

QNetworkRequest makeServiceRequest(const QString &url)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept-Language", languageCode().toUtf8());
    return request;
}

QByteArray serviceRequestBody(const QJsonObject &body)
{
    return QJsonDocument(body).toJson(QJsonDocument::Indented);
}

QJsonObject newChatBody(const QString &codeType, const QString &platform)
{
    return {{QStringLiteral("code_type"), codeType},
            {QStringLiteral("platform"), platform},
            {QStringLiteral("lang"), languageCode()}};
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage)
{
    return {{QStringLiteral("session_id"), sessionId},
            {QStringLiteral("user_message"), userMessage},
            {QStringLiteral("lang"), languageCode()}};
}

QJsonObject endSessionBody(const QString &sessionId)
{
    return {{QStringLiteral("session_id"), sessionId}, {QStringLiteral("lang"), languageCode()}};
}

QJsonObject closingSessionBody(const QString &sessionId)
{
    return {{QStringLiteral("session_id"), sessionId}};
}

QJsonObject versionCheckBody()
{
    return {{QStringLiteral("client_version"), QString::fromLatin1(kClientVersion)}};
}

QNetworkReply *postServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                  const QJsonObject &body)
{
    return manager.post(makeServiceRequest(url), serviceRequestBody(body));
}

QNetworkReply *deleteServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                    const QJsonObject &body)
{
    return manager.sendCustomRequest(makeServiceRequest(url), "DELETE", serviceRequestBody(body));
}
