#pragma once

#include "apireply.h"
#include "apirequest.h"
#include "chatinflight.h"
#include "metrics.h"
#include "modelbackend.h"
#include "modelsettings.h"
#include "pendinganswer.h"
#include "replytexts.h"
#include "sessionstore.h"

#include <QHash>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <functional>

class QHttpServer;
class QTcpServer;

// The code-generation service's endpoints over HTTP/JSON: chat sessions kept in a session
// store, programs from templates or written by a language model, the client version check,
// and the health and metrics a monitoring system reads.
class TavrinServer final : public QObject
{
    Q_OBJECT

public:
    // Clients older than minVersion are told to update, with updateMessage (rich text, or
    // empty for the client's own words). The server owns the store.
    TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
                 SessionStore *store, QObject *parent = nullptr);

    // False, with the reason in errorString, when the address cannot be bound.
    bool listen(const QHostAddress &address, quint16 port, QString *errorString);
    // Where it listens, with the port actually bound.
    QUrl url() const;
    // Programs come from the model server from now on; the report gets one line about it.
    void useModel(const ModelSettings &settings,
                  const std::function<void(const QString &)> &report);
    // Proxies whose X-Forwarded-For and X-Real-IP name the client.
    void trustProxies(const ApiRequest::Subnets &proxies);

private:
    using Method = QHttpServerRequest::Method;
    using Handler = void (TavrinServer::*)(const QJsonObject &body, ReplyTexts::Language language,
                                           const PendingAnswer &answer);

    PendingAnswer pendingAnswer(const QHttpServerRequest &request,
                                QHttpServerResponder &&responder, const QString &endpoint);
    void addEndpoint(const QString &path, Method method, Handler handler);
    void addProbe(const QString &path, void (TavrinServer::*probe)(const PendingAnswer &));
    void answer(const QHttpServerRequest &request, Method method, Handler handler,
                const PendingAnswer &answer);
    void startChat(const QJsonObject &body, ReplyTexts::Language language,
                   const PendingAnswer &answer);
    void chat(const QJsonObject &body, ReplyTexts::Language language, const PendingAnswer &answer);
    void answerChat(const QString &id, const ChatRecord &chat, const QString &message,
                    const QStringList &compileErrors, ReplyTexts::Language language,
                    const PendingAnswer &answer);
    void writeFromTemplates(ChatRecord chat, const QString &id, const QString &message,
                            ReplyTexts::Language language, const PendingAnswer &answer);
    void generate(const ChatRecord &chat, const QString &id, const ModelBackend::Request &request,
                  const PendingAnswer &answer);
    // Gives the chat back to the store, then answers.
    void endTurn(const QString &id, const std::optional<ChatRecord> &chat,
                 const PendingAnswer &answer, const ApiReply &reply);
    void cancel(const QJsonObject &body, ReplyTexts::Language language,
                const PendingAnswer &answer);
    void endSession(const QJsonObject &body, ReplyTexts::Language language,
                    const PendingAnswer &answer);
    void controlChat(const QJsonObject &body, ReplyTexts::Language language,
                     const PendingAnswer &answer, SessionStore::Control control);
    // Stops the chat's generation if it runs in this instance; false when it does not.
    bool stopHere(const QString &id, SessionStore::Control control);
    void checkVersion(const QJsonObject &body, ReplyTexts::Language language,
                      const PendingAnswer &answer);
    void health(const PendingAnswer &answer);
    void metrics(const PendingAnswer &answer);

    QHttpServer *m_server;
    QTcpServer *m_listener;
    // Null while programs come from templates.
    ModelBackend *m_model = nullptr;
    SessionStore *m_store;
    // The chats this instance is answering with the model, by session.
    QHash<QString, QPointer<ChatInFlight>> m_inFlight;
    ApiRequest::Subnets m_trustedProxies;
    Metrics m_metrics;
    QVersionNumber m_minVersion;
    QString m_updateMessage;
};
