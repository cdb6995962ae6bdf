#pragma once

#include "answersink.h"
#include "apireply.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHttpServerResponder>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>

class QHttpServerRequest;

// The way back to a client whose answer may come later, from a model: copies share it, the
// first send() answers and logs, later ones do nothing, and nothing is written when the
// client has gone meanwhile. A client that accepts text/event-stream may get its answer as
// Server-Sent Events instead: events while it waits, then the reply as the event "done".
class PendingAnswer final : public AnswerSink
{
public:
    // Learns of each answer as it goes out: its status, its "error" or "ok", and the time since
    // the request came.
    using Observer = std::function<void(int status, const QString &outcome, qint64 elapsedNs)>;

    // client: whom the log names as the request's sender.
    PendingAnswer(const QHttpServerRequest &request, QHttpServerResponder &&responder,
                  const QHostAddress &client = {}, const Observer &observer = {});

    // From now on, a reply with status 200 goes out as an event stream if the client accepts
    // one; other replies stay plain.
    void streamIfAccepted() const override;
    bool isStreamed() const override;
    // One event of the stream, its data one line of compact JSON; nothing for a plain answer.
    void sendEvent(const QByteArray &name, const QJsonObject &data) const override;
    // A comment line that keeps a quiet stream's connection from looking dead.
    void sendKeepAlive() const override;
    void send(const ApiReply &reply) const override;
    // allow: the Allow header of a 405 reply.
    void send(const ApiReply &reply, const QByteArray &allow) const;
    // A reply that is not JSON, such as metrics.
    void sendText(ApiReply::Status status, const QByteArray &contentType,
                  const QByteArray &body) const;
    // Runs gone when the client closes the connection; disconnect it once answered.
    QMetaObject::Connection whenClientGone(QObject *context,
                                           const std::function<void()> &gone) const override;

private:
    struct State
    {
        std::optional<QHttpServerResponder> responder;
        bool acceptsStream = false;
        bool streamed = false;
        bool streamStarted = false;
        // The request said "Connection: close": the connection ends with the answer.
        bool closeAfter = false;
        Observer observer;
        QElapsedTimer age;
    };

    bool clientConnected() const;
    // Writes one chunk of the stream, its header first if it has not gone out yet.
    void writeChunk(const QByteArray &bytes) const;
    // Logs the answer's line and tells the observer; the responder is used up, and the
    // connection closed when the request asked for that.
    void finish(QString line, ApiReply::Status status, const QString &outcome) const;

    std::shared_ptr<State> m_state;
    QPointer<QTcpSocket> m_socket;
    QString m_request;
    QString m_client;
};
