#pragma once

#include "apirequest.h"
#include "chatservice.h"
#include "connectionguard.h"
#include "metrics.h"
#include "pendinganswer.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <functional>

class QHttpServer;

// The code-generation service's endpoints over HTTP/JSON: the chat service's requests, the
// client version check, and the health and metrics a monitoring system reads.
class TavrinServer final : public QObject
{
    Q_OBJECT

public:
    // Clients older than minVersion are told to update, with updateMessage (rich text, or
    // empty for the client's own words). The server owns the store and the writer.
    TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
                 SessionStore *store, CodeWriter *writer, QObject *parent = nullptr);

    // False, with the reason in errorString, when the address cannot be bound. The limits
    // bound each connection; the trusted proxies are not held to an address's share.
    bool listen(const QHostAddress &address, quint16 port, QString *errorString,
                const ConnectionLimits &limits = {});
    // Stops accepting connections, gives the chats in flight up to graceMs to finish, ends the
    // rest with service_restarting and sends their answers out; then runs done.
    void stop(int graceMs, const std::function<void()> &done);
    // Where it listens, with the port actually bound.
    QUrl url() const;
    // Proxies whose X-Forwarded-For and X-Real-IP name the client.
    void trustProxies(const ApiRequest::Subnets &proxies);

private:
    using Method = QHttpServerRequest::Method;
    using Handler = std::function<void(const QJsonObject &body, Protocol::Language language,
                                       const Sink &answer)>;

    PendingAnswer pendingAnswer(const QHttpServerRequest &request,
                                QHttpServerResponder &&responder, const QString &endpoint);
    void addEndpoint(const QString &path, Method method, const Handler &handler);
    void addProbe(const QString &path, void (TavrinServer::*probe)(const PendingAnswer &));
    void answer(const QHttpServerRequest &request, Method method, const Handler &handler,
                const PendingAnswer &answer);
    void checkVersion(const QJsonObject &body, Protocol::Language language, const Sink &answer);
    void health(const PendingAnswer &answer);
    void metrics(const PendingAnswer &answer);

    QHttpServer *m_server;
    GuardedListener *m_listener = nullptr;
    ChatService *m_chats;
    ApiRequest::Subnets m_trustedProxies;
    Metrics m_metrics;
    QVersionNumber m_minVersion;
    QString m_updateMessage;
};
