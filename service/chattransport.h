#pragma once

#include "protocol/eventstream.h"
#include "protocol/messages.h"
#include "service/chatsession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

// What the conversation needs of the code generator: its version check, a chat's session, one
// request at a time with its streamed answer, and Stop. SessionClient speaks HTTP; tests of the
// conversation give it one that answers in-process.
class ChatTransport : public QObject
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

    // Whether the service's greeting of a new session goes into the chat: not for a session
    // that only continues a chat the trader already sees.
    enum class Greeting { Shown, Quiet };

    using QObject::QObject;

    // "en", "zh-CN" or "zh-TW": sent with every request.
    virtual void setLanguage(const QString &code) = 0;
    // Set when the client can start a service of its own: the first check that reaches no
    // service then reports serviceUnreachable() and waits for check() to be called again.
    virtual void setServiceStarter(bool available) = 0;
    virtual bool offers(const QString &feature) const = 0;
    virtual bool isLive() const = 0;

    // Leaves the service it talked to, then checks the version at baseUrl.
    virtual void check(const QString &baseUrl) = 0;
    // Nothing still on its way to the service may act any more: the check, the request, a
    // session opened too late. The sessions opened there in this run are ended, quietly and
    // within the closing bound; left() follows once they are.
    virtual void leave(bool closing) = 0;

    // A new session for platform and codeType becomes the open one, continuing from seed when
    // the service takes a chat's history. The one it replaces stays open at the service: its
    // chat is kept in the list and may be continued there until the window closes.
    virtual void open(Protocol::Platform platform, Protocol::ProgramType type, const ChatSeed &seed, Greeting greeting) = 0;
    // The open session becomes one the service may still hold, of a chat reopened: the next
    // request goes there. Without an id the next request opens a new one first.
    virtual void resume(Protocol::Platform platform, Protocol::ProgramType type, const QString &sessionId, bool used) = 0;
    virtual QString sessionId() const = 0;
    virtual const ChatSession &chat() const = 0;
    virtual void markUsed() = 0;
    // The service gave the open session no id: a request opens another one first.
    virtual bool sessionFailed() const = 0;

    // The program the next request continues from, when the service did not write it last;
    // empty for the service's own. Sent only to a service that takes it.
    virtual void setCurrentProgram(const QString &program) = 0;
    // Sends the chat's request now, or once the session has its id.
    virtual void post(const QString &text, const QStringList &compileErrors) = 0;
    // Whether the request went out (else it waits for the session's id).
    virtual bool isPosted() const = 0;
    virtual const Stream &stream() const = 0;
    // Stops the request that went out: requestStopped() follows.
    virtual void stop() = 0;
    // Forgets the request: nothing of it is reported.
    virtual void drop() = 0;

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
    // The sessions leave(true) ended are ended, or the bound for it expired.
    void left();
};
