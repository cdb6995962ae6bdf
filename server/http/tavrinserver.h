#pragma once

#include "apirequest.h"
#include "chatservice.h"
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
class QTcpServer;

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

    // False, with the reason in errorString, when the address cannot be bound.
    bool listen(const QHostAddress &address, quint16 port, QString *errorString);
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
    QTcpServer *m_listener;
    ChatService *m_chats;
    ApiRequest::Subnets m_trustedProxies;
    Metrics m_metrics;
    QVersionNumber m_minVersion;
    QString m_updateMessage;
};
