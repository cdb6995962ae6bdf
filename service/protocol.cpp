#include "service/protocol.h"

#include "service/eventstream.h"
#include "service/codegeneratorchoice.h"
#include "service/version.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace {

// The reading rules shared by every reply.
bool flag(const QJsonObject &object, const QString &key)
{
    return object.value(key).toBool(false);
}

QString text(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString();
}

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

QString resolveApiBaseUrl()
{
    const QString config = configFilePath();
    return configNamesService(config) ? apiBaseUrlFromConfig(config)
                                      : CodeGeneratorChoice::load().serviceAddress();
}

QNetworkRequest makeServiceRequest(const QString &url, const QString &language)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept-Language", language.toUtf8());
    return request;
}

QByteArray serviceRequestBody(const QJsonObject &body)
{
    return QJsonDocument(body).toJson(QJsonDocument::Indented);
}

QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language)
{
    return {{QStringLiteral("code_type"), codeType},
            {QStringLiteral("platform"), platform},
            {QStringLiteral("lang"), language}};
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language)
{
    return {{QStringLiteral("session_id"), sessionId},
            {QStringLiteral("user_message"), userMessage},
            {QStringLiteral("lang"), language}};
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors)
{
    QJsonObject body = chatBody(sessionId, userMessage, language);
    body.insert(QStringLiteral("compile_errors"), QJsonArray::fromStringList(compileErrors));
    return body;
}

QJsonObject cancelBody(const QString &sessionId, const QString &language)
{
    return endSessionBody(sessionId, language);
}

QJsonObject endSessionBody(const QString &sessionId, const QString &language)
{
    return {{QStringLiteral("session_id"), sessionId}, {QStringLiteral("lang"), language}};
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

bool waitForReply(QNetworkReply *reply, std::chrono::milliseconds bound)
{
    if (reply->isFinished())
        return true;

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    if (bound > std::chrono::milliseconds::zero()) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(bound);
    }
    loop.exec();

    if (reply->isFinished())
        return true;
    reply->abort();
    return false;
}

ServiceReply parseServiceReply(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();

    ServiceReply reply;
    reply.success = flag(object, QStringLiteral("success"));
    reply.message = text(object, QStringLiteral("message"));

    const QString apiType = text(object, QStringLiteral("api_type"));
    if (apiType == QLatin1String("new")) {
        reply.kind = ServiceReply::Kind::NewSession;
        reply.hasSessionId = object.contains(QLatin1String("session_id"));
        reply.sessionId = text(object, QStringLiteral("session_id"));
    } else if (apiType == QLatin1String("chat")) {
        reply.kind = ServiceReply::Kind::Chat;
        reply.response = text(object.value(QLatin1String("data")).toObject(), QStringLiteral("response"));
    }
    return reply;
}

ChatStreamEvent parseChatStreamEvent(const ServerSentEvent &event)
{
    static const QHash<QString, ChatStreamEvent::Phase> phases{
        {QStringLiteral("queued"), ChatStreamEvent::Phase::Queued},
        {QStringLiteral("writing"), ChatStreamEvent::Phase::Writing},
        {QStringLiteral("checking"), ChatStreamEvent::Phase::Checking},
        {QStringLiteral("repairing"), ChatStreamEvent::Phase::Repairing}};
    ChatStreamEvent parsed;
    if (event.name == "done") {
        parsed.kind = ChatStreamEvent::Kind::Done;
        parsed.reply = parseServiceReply(event.data);
        return parsed;
    }
    const QJsonObject object = QJsonDocument::fromJson(event.data).object();
    if (event.name == "status") {
        parsed.kind = ChatStreamEvent::Kind::Status;
        parsed.phase = phases.value(text(object, QStringLiteral("phase")),
                                    ChatStreamEvent::Phase::Unknown);
        parsed.position = qMax(0, object.value(QLatin1String("position")).toInt());
    } else if (event.name == "delta") {
        parsed.kind = ChatStreamEvent::Kind::Delta;
        parsed.text = text(object, QStringLiteral("text"));
    }
    return parsed;
}

VersionVerdict parseVersionVerdict(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    QStringList features;
    for (const QJsonValue &feature : object.value(QLatin1String("features")).toArray()) {
        if (feature.isString())
            features.append(feature.toString());
    }
    return {flag(object, QStringLiteral("need_update")), text(object, QStringLiteral("message")),
            text(object, QStringLiteral("min_version")), features};
}
