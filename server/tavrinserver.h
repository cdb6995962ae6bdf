#pragma once

#include "apireply.h"
#include "modelbackend.h"
#include "modelsettings.h"
#include "pendinganswer.h"
#include "replytexts.h"
#include "sessionstore.h"

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

// The code-generation service's endpoints over HTTP/JSON: chat sessions kept in memory,
// programs from templates or written by a language model, and the client version check.
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
    // Programs come from the model server from now on; the report gets one line about it.
    void useModel(const ModelSettings &settings,
                  const std::function<void(const QString &)> &report);
    void setSessionLimits(qint64 idleLimitMs, int capacity);

private:
    using Method = QHttpServerRequest::Method;
    using Handler = void (TavrinServer::*)(const QJsonObject &body, ReplyTexts::Language language,
                                           const PendingAnswer &answer);

    void addEndpoint(const QString &path, Method method, Handler handler);
    void answer(const QHttpServerRequest &request, Method method, Handler handler,
                const PendingAnswer &answer);
    void startChat(const QJsonObject &body, ReplyTexts::Language language,
                   const PendingAnswer &answer);
    void chat(const QJsonObject &body, ReplyTexts::Language language, const PendingAnswer &answer);
    void writeFromTemplates(SessionStore::Session &session, const QString &id,
                            const QString &message, ReplyTexts::Language language,
                            const PendingAnswer &answer);
    void generate(SessionStore::Session &session, const QString &id,
                  const ModelBackend::Request &request, const PendingAnswer &answer);
    void cancel(const QJsonObject &body, ReplyTexts::Language language,
                const PendingAnswer &answer);
    void endSession(const QJsonObject &body, ReplyTexts::Language language,
                    const PendingAnswer &answer);
    void checkVersion(const QJsonObject &body, ReplyTexts::Language language,
                      const PendingAnswer &answer);

    QHttpServer *m_server;
    QTcpServer *m_listener;
    // Null while programs come from templates.
    ModelBackend *m_model = nullptr;
    SessionStore m_sessions;
    QVersionNumber m_minVersion;
    QString m_updateMessage;
};
