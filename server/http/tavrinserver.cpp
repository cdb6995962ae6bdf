#include "tavrinserver.h"

#include "protocol/messages.h"
#include "protocol/requests.h"

#include <QHttpServer>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QTcpSocket>

#include <memory>
#include <optional>
#include <utility>

namespace {

using Status = ApiReply::Status;
using Protocol::ErrorCode;

QString methodName(QHttpServerRequest::Method method)
{
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return QString::fromLatin1(key).toUpper();
}

// As /healthz names it.
QString reachName(CodeWriter::Reach reach)
{
    switch (reach) {
    case CodeWriter::Reach::NotUsed:
        return QStringLiteral("not used");
    case CodeWriter::Reach::Reachable:
        return QStringLiteral("reachable");
    case CodeWriter::Reach::KeyRefused:
        return QStringLiteral("key_refused");
    case CodeWriter::Reach::Unreachable:
        break;
    }
    return QStringLiteral("unreachable");
}

} // namespace

TavrinServer::TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
                           SessionStore *store, CodeWriter *writer, QObject *parent)
    : QObject(parent)
    , m_server(new QHttpServer(this))
    , m_chats(new ChatService(store, writer, this))
    , m_minVersion(minVersion)
    , m_updateMessage(updateMessage)
{
    const auto to = [this](auto *receiver, auto handler) -> Handler {
        return [receiver, handler](const QJsonObject &body, Protocol::Language language,
                                   const Sink &answer) { (receiver->*handler)(body, language, answer); };
    };
    addEndpoint(ServicePath::NewChat, Method::Post, to(m_chats, &ChatService::startChat));
    addEndpoint(ServicePath::Chat, Method::Post, to(m_chats, &ChatService::chat));
    addEndpoint(ServicePath::Cancel, Method::Post, to(m_chats, &ChatService::cancel));
    addEndpoint(ServicePath::Session, Method::Delete, to(m_chats, &ChatService::endSession));
    addEndpoint(ServicePath::VersionCheck, Method::Post, to(this, &TavrinServer::checkVersion));
    addProbe(QStringLiteral("/healthz"), &TavrinServer::health);
    addProbe(QStringLiteral("/metrics"), &TavrinServer::metrics);
    m_server->setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            pendingAnswer(request, std::move(responder), QStringLiteral("other"))
                .send(ApiReply::error(Status::NotFound,
                                      QStringLiteral("No endpoint %1.").arg(request.url().path()),
                                      ErrorCode::NotFound));
        });
    connect(writer, &CodeWriter::modelRequestEnded, this,
            [this](const QString &outcome) { m_metrics.countModelRequest(outcome); });
}

bool TavrinServer::listen(const QHostAddress &address, quint16 port, QString *errorString,
                          const ConnectionLimits &limits)
{
    ConnectionLimits bounds = limits;
    bounds.sharedAddresses = m_trustedProxies;
    m_listener = new GuardedListener(bounds, this);
    // The default backlog of 50 drops the connections of a larger burst of clients, which then
    // wait a second for their connection attempt to be repeated.
    m_listener->setListenBacklogSize(1024);
    if (!m_listener->listen(address, port)) {
        *errorString = m_listener->errorString();
        return false;
    }
    m_server->bind(m_listener);
    return true;
}

void TavrinServer::stop(int graceMs, const std::function<void()> &done)
{
    m_listener->close();
    m_chats->stop(graceMs, [this, done] {
        // The last answers leave before the process ends.
        const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets) {
            socket->flush();
            socket->disconnectFromHost();
        }
        done();
    });
}

QUrl TavrinServer::url() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_listener->serverAddress().toString());
    url.setPort(m_listener->serverPort());
    return url;
}

void TavrinServer::trustProxies(const ApiRequest::Subnets &proxies)
{
    m_trustedProxies = proxies;
}

PendingAnswer TavrinServer::pendingAnswer(const QHttpServerRequest &request,
                                          QHttpServerResponder &&responder,
                                          const QString &endpoint)
{
    const QHostAddress client =
        ApiRequest::clientAddress(request.remoteAddress(), request.value("X-Forwarded-For"),
                                  request.value("X-Real-IP"), m_trustedProxies);
    const bool isChat = endpoint == ServicePath::Chat;
    return PendingAnswer(request, std::move(responder), client,
                         [this, endpoint, isChat](int status, const QString &outcome,
                                                  qint64 elapsedNs) {
                             m_metrics.countRequest(endpoint, status, outcome);
                             if (isChat)
                                 m_metrics.observeChat(elapsedNs / 1e9);
                         });
}

void TavrinServer::addEndpoint(const QString &path, Method method, const Handler &handler)
{
    m_server->route(path, [this, path, method, handler](const QHttpServerRequest &request,
                                                        QHttpServerResponder &&responder) {
        answer(request, method, handler, pendingAnswer(request, std::move(responder), path));
    });
}

void TavrinServer::addProbe(const QString &path, void (TavrinServer::*probe)(const PendingAnswer &))
{
    m_server->route(path, [this, path, probe](const QHttpServerRequest &request,
                                              QHttpServerResponder &&responder) {
        const PendingAnswer answer = pendingAnswer(request, std::move(responder), path);
        if (request.method() != Method::Get) {
            return answer.send(ApiReply::error(Status::MethodNotAllowed,
                                               QStringLiteral("%1 takes GET requests only.")
                                                   .arg(path),
                                               ErrorCode::MethodNotAllowed),
                               "GET");
        }
        (this->*probe)(answer);
    });
}

// What every endpoint checks before its own handler: method and a JSON object body.
void TavrinServer::answer(const QHttpServerRequest &request, Method method,
                          const Handler &handler, const PendingAnswer &answer)
{
    if (request.method() != method) {
        return answer.send(ApiReply::error(Status::MethodNotAllowed,
                                           QStringLiteral("%1 takes %2 requests only.")
                                               .arg(request.url().path(), methodName(method)),
                                           ErrorCode::MethodNotAllowed),
                           methodName(method).toLatin1());
    }
    // The listener's connection guard has refused bodies over the limit before they came in.
    const QByteArray body = request.body();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return answer.send(ApiReply::invalid(QStringLiteral("The request body is not valid JSON: %1 at offset %2.")
                                       .arg(parseError.errorString(),
                                            QString::number(parseError.offset))));
    }
    if (const qsizetype at = ApiRequest::rawControlInString(body); at >= 0) {
        return answer.send(ApiReply::invalid(QStringLiteral("The request body is not valid JSON: "
                                                            "a control character in a string "
                                                            "at offset %1.")
                                                 .arg(at)));
    }
    if (!document.isObject()) {
        return answer.send(ApiReply::invalid(QStringLiteral("The request body must be a JSON object.")));
    }
    const QJsonObject object = document.object();
    if (const std::optional<RequestProblem> problem = languageFieldProblem(object))
        return answer.send(ApiReply::refused(*problem));
    handler(object, ApiRequest::languageOf(object, request.value("Accept-Language")),
            std::make_shared<PendingAnswer>(answer));
}

void TavrinServer::checkVersion(const QJsonObject &body, Protocol::Language,
                                const Sink &answer)
{
    const Parsed<VersionCheckRequest> request = VersionCheckRequest::fromJson(body);
    if (!request.isValid())
        return answer->send(ApiReply::refused(request.problem()));
    // Normalized, "1.0" is as new as "1.0.0".
    const bool needUpdate = request.value().version().normalized() < m_minVersion.normalized();
    const VersionVerdict verdict{needUpdate, needUpdate ? m_updateMessage : QString(),
                                 m_minVersion.toString(),
                                 {ServiceFeature::Stream, ServiceFeature::Cancel,
                                  ServiceFeature::CompileErrors, ServiceFeature::History}};
    answer->send({Status::Ok, verdict.toJson(), {}});
}

// 200 when the store and the model server (if one is used) answer, else 503; the body says
// which of them does not, and whether the model server refuses the service's key.
void TavrinServer::health(const PendingAnswer &answer)
{
    m_chats->store().countChats([this, answer](std::optional<qint64> chats) {
        const auto reply = [answer, storeUp = chats.has_value()](CodeWriter::Reach model) {
            const bool healthy = storeUp
                && (model == CodeWriter::Reach::Reachable || model == CodeWriter::Reach::NotUsed);
            answer.send({healthy ? Status::Ok : Status::ServiceUnavailable,
                         {{QStringLiteral("healthy"), healthy},
                          {QStringLiteral("store"), storeUp ? QStringLiteral("reachable")
                                                            : QStringLiteral("unreachable")},
                          {QStringLiteral("model"), reachName(model)}},
                         {}});
        };
        m_chats->writer().probe(reply);
    });
}

void TavrinServer::metrics(const PendingAnswer &answer)
{
    m_chats->store().countChats([this, answer](std::optional<qint64> chats) {
        Metrics::Gauges gauges;
        gauges.chatsOpen = chats.value_or(0);
        gauges.storeUp = chats.has_value();
        gauges.chatsGenerating = m_chats->chatsWriting();
        gauges.queueLength = m_chats->writer().queueLength();
        answer.sendText(Status::Ok, "text/plain; version=0.0.4; charset=utf-8",
                        m_metrics.text(gauges));
    });
}
