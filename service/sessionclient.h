#pragma once

#include "protocol/domain.h"
#include "protocol/messages.h"
#include "service/chatsession.h"
#include "service/chattransport.h"
#include "service/serviceaccess.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The client's side of the wire over HTTP: the version check, the chat's session, one request
// at a time and its streamed answer, Stop. It says what the service answered, in the
// interface's language where it has to word it; what the chat shows of it is the Conversation's.
class SessionClient final : public ChatTransport
{
    Q_OBJECT

public:
    explicit SessionClient(const ServiceTimeouts &timeouts, QObject *parent = nullptr);

    void setLanguage(const QString &code) override { m_language = code; }
    void setServiceStarter(bool available) override { m_mayAskForService = available; }
    bool offers(const QString &feature) const override { return m_features.contains(feature); }
    bool isLive() const override { return m_live; }

    void check(const QString &baseUrl) override;
    void leave(bool closing) override;

    void open(Protocol::Platform platform, Protocol::ProgramType type, const ChatSeed &seed, Greeting greeting) override;
    void resume(Protocol::Platform platform, Protocol::ProgramType type, const QString &sessionId, bool used) override;
    QString sessionId() const override { return m_sessionId; }
    const ChatSession &chat() const override { return m_chat; }
    void markUsed() override { m_chat.used = true; }
    bool sessionFailed() const override { return m_failed; }

    void setCurrentProgram(const QString &program) override { m_currentProgram = program; }
    void post(const QString &text, const QStringList &compileErrors) override;
    bool isPosted() const override { return !m_reply.isNull(); }
    const Stream &stream() const override { return m_stream; }
    void stop() override;
    void drop() override;

private:
    struct Pending final
    {
        QString text;
        QStringList compileErrors;
    };

    void onVersionChecked(QNetworkReply *reply);
    void onSessionOpened(QNetworkReply *reply, quint64 serial, const QString &baseUrl, Greeting greeting);
    // Its answer is of no interest: the chat is left either way. bound: zero for the transfer
    // time-out of every request.
    QNetworkReply *endSession(const QString &baseUrl, const QJsonObject &body,
                              std::chrono::milliseconds bound = std::chrono::milliseconds::zero());
    void send();
    void onStreamData(QNetworkReply *reply);
    void onChatAnswered(QNetworkReply *reply, quint64 serial);
    QString failureText(const QNetworkReply *reply) const;

    ServiceTimeouts m_timeouts;
    QNetworkAccessManager *m_network = nullptr;
    QString m_language = Protocol::wireName(Protocol::Language::English);
    QString m_baseUrl;
    QPointer<QNetworkReply> m_versionCheck;
    bool m_live = false;
    QStringList m_features; // what the service offers beyond the plain protocol
    bool m_mayAskForService = false;

    ChatSession m_chat;
    QString m_sessionId;
    // Every session opened at m_baseUrl in this run, ended when the client leaves it.
    QStringList m_opened;
    bool m_failed = false;

    QString m_currentProgram;
    std::optional<Pending> m_pending; // the request, until its answer
    QPointer<QNetworkReply> m_reply;  // null while it waits for the session's id
    bool m_stopping = false;
    EventStreamReader m_events;
    Stream m_stream;
    std::optional<ServiceReply> m_done;
};
