#pragma once

#include "protocol/domain.h"
#include "protocol/eventstream.h"
#include "protocol/messages.h"
#include "service/chatsession.h"
#include "service/serviceaccess.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The client's side of the wire: the version check, the chat's session, one request at a time
// and its streamed answer, Stop. It says what the service answered, in the interface's
// language where it has to word it; what the chat shows of it is the Conversation's.
class SessionClient final : public QObject
{
    Q_OBJECT

public:
    // A streamed answer as far as it came.
    struct Stream final
    {
        ChatStreamEvent::Phase phase = ChatStreamEvent::Phase::Unknown;
        int position = 0;      // in the model's queue
        QString written;       // the program as written so far
        QElapsedTimer writing; // since its first piece
        bool done = false;     // its last event came
    };

    explicit SessionClient(const ServiceTimeouts &timeouts, QObject *parent = nullptr);

    // "en", "zh-CN" or "zh-TW": sent with every request.
    void setLanguage(const QString &code) { m_language = code; }
    const QString &language() const { return m_language; }
    // See Conversation::setServiceStarter.
    void setServiceStarter(bool available) { m_mayAskForService = available; }
    QString baseUrl() const { return m_baseUrl; }
    bool offers(const QString &feature) const { return m_features.contains(feature); }
    bool isLive() const { return m_live; }

    // Leaves the service it talked to, then checks the version at baseUrl.
    void check(const QString &baseUrl);
    // Nothing still on its way to the service may act any more: the check, the request, a
    // session opened too late. The sessions opened there in this run are ended, quietly and
    // within the closing bound; the returned DELETEs finish when they are.
    QList<QNetworkReply *> leave(bool closing);

    // Whether the service's greeting of a new session goes into the chat: not for a session
    // that only continues a chat the trader already sees.
    enum class Greeting { Shown, Quiet };
    // A new session for platform and codeType becomes the open one, continuing from seed when
    // the service takes a chat's history. The one it replaces stays open at the service: its
    // chat is kept in the list and may be continued there until the window closes.
    void open(const QString &platform, const QString &codeType, const ChatSeed &seed = {},
              Greeting greeting = Greeting::Shown);
    // The open session becomes one the service may still hold, of a chat reopened: the next
    // request goes there. Without an id the next request opens a new one first.
    void resume(const QString &platform, const QString &codeType, const QString &sessionId, bool used);
    const QString &sessionId() const { return m_sessionId; }
    const ChatSession &chat() const { return m_chat; }
    void markUsed() { m_chat.used = true; }
    // The service gave the open session no id: a request opens another one first.
    bool sessionFailed() const { return m_failed; }

    // The program the next requests continue from, when the trader chose one the service did
    // not write last; empty for the service's own. Sent only to a service that takes it.
    void setCurrentProgram(const QString &program) { m_currentProgram = program; }
    // Sends the chat's request now, or once the session has its id.
    void post(const QString &text, const QStringList &compileErrors);
    // Whether the request went out (else it waits for the session's id).
    bool isPosted() const { return !m_reply.isNull(); }
    const Stream &stream() const { return m_stream; }
    // Stops the request that went out: requestStopped() follows.
    void stop();
    // Forgets the request: nothing of it is reported.
    void drop();

Q_SIGNALS:
    void versionRefused(const QString &title, const QString &text);
    void serviceUnreachable();
    void live();
    // What the service said to a new session, or why there is none.
    void sessionNotice(const QString &text);
    // The request waited for a session that the service did not give.
    void requestHeldBack();
    // More of a streamed answer came.
    void streamed();
    void answered(const ServiceReply &reply);
    void requestFailed(const QString &why);
    void requestStopped();

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
