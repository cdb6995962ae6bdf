#pragma once

#include "apireply.h"
#include "replytexts.h"
#include "sessionstore.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

class QHttpServer;
class QTcpServer;

// The code-generation service's endpoints, answered locally over HTTP/JSON: chat sessions
// kept in memory, template programs as answers, and the client version check.
class TavrinServer final : public QObject
{
    Q_OBJECT

public:
    // Clients older than minVersion are told to update, with updateMessage (rich text, or
    // empty for the client's own words).
    TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
               QObject *parent = nullptr);

    // False, with the reason in errorString, when the address cannot be bound.
    bool listen(const QHostAddress &address, quint16 port, QString *errorString);
    // Where it listens, with the port actually bound.
    QUrl url() const;

private:
    using Method = QHttpServerRequest::Method;
    using Handler = ApiReply (TavrinServer::*)(const QJsonObject &body,
                                             ReplyTexts::Language language);

    void addEndpoint(const QString &path, Method method, Handler handler);
    ApiReply answer(const QHttpServerRequest &request, Method method, Handler handler);
    ApiReply startChat(const QJsonObject &body, ReplyTexts::Language language);
    ApiReply chat(const QJsonObject &body, ReplyTexts::Language language);
    ApiReply endSession(const QJsonObject &body, ReplyTexts::Language language);
    ApiReply checkVersion(const QJsonObject &body, ReplyTexts::Language language);

    QHttpServer *m_server;
    QTcpServer *m_listener;
    SessionStore m_sessions;
    QVersionNumber m_minVersion;
    QString m_updateMessage;
};
