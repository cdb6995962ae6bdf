#include "pendinganswer.h"

#include "connectionguard.h"
#include "metrics.h"

#include "protocol/eventstream.h"
#include "protocol/messages.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QMetaEnum>

namespace {

QHttpServerResponder::StatusCode httpStatus(ApiReply::Status status)
{
    using Code = QHttpServerResponder::StatusCode;
    switch (status) {
    case ApiReply::Status::Ok:
        return Code::Ok;
    case ApiReply::Status::BadRequest:
        return Code::BadRequest;
    case ApiReply::Status::NotFound:
        return Code::NotFound;
    case ApiReply::Status::MethodNotAllowed:
        return Code::MethodNotAllowed;
    case ApiReply::Status::PayloadTooLarge:
        return Code::PayloadTooLarge;
    case ApiReply::Status::ServiceUnavailable:
        break;
    }
    return Code::ServiceUnavailable;
}

} // namespace

PendingAnswer::PendingAnswer(const QHttpServerRequest &request, QHttpServerResponder &&responder,
                             const QHostAddress &client, const Observer &observer)
    : m_state(std::make_shared<State>())
    , m_request(QStringLiteral("%1 %2").arg(
          QString::fromLatin1(
              QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method())))
              .toUpper(),
          request.url().path()))
    , m_client(client.isNull() ? QString() : client.toString())
{
    m_state->age.start();
    m_state->observer = observer;
    m_state->responder.emplace(std::move(responder));
    m_socket = m_state->responder->socket();
    m_state->acceptsStream = request.value("Accept").contains("text/event-stream");
    m_state->closeAfter = request.value("Connection").toLower().contains("close");
    ConnectionGuard::setAnswering(m_socket, true);
}

void PendingAnswer::streamIfAccepted() const
{
    m_state->streamed = m_state->acceptsStream;
}

bool PendingAnswer::isStreamed() const
{
    return m_state->streamed;
}

void PendingAnswer::sendEvent(const QByteArray &name, const QJsonObject &data) const
{
    if (m_state->streamed && m_state->responder)
        writeChunk(encodeServerSentEvent(name, data));
}

void PendingAnswer::sendKeepAlive() const
{
    if (m_state->streamed && m_state->responder)
        writeChunk(serverSentKeepAlive());
}


void PendingAnswer::send(const ApiReply &reply) const
{
    send(reply, {});
}

void PendingAnswer::send(const ApiReply &reply, const QByteArray &allow) const
{
    if (!m_state->responder)
        return;
    const bool streamed = m_state->streamed && reply.status == ApiReply::Status::Ok;
    QString line = m_request + u' ' + QString::number(int(httpStatus(reply.status)));
    if (streamed)
        line += QStringLiteral(" (stream)");
    if (!reply.sessionId.isEmpty())
        line += QStringLiteral(" session=") + reply.sessionId.left(8);
    // The socket is deleted when the client disconnects; writing to it then would crash.
    if (!clientConnected()) {
        line += QStringLiteral(" (client gone)");
    } else if (streamed) {
        sendEvent(StreamEventName::Done, reply.body);
        m_state->responder->writeBody("0\r\n\r\n");
    } else {
        const QJsonDocument document(reply.body);
        if (allow.isEmpty())
            m_state->responder->write(document, httpStatus(reply.status));
        else
            m_state->responder->write(document, {{QByteArrayLiteral("Allow"), allow}},
                                      httpStatus(reply.status));
    }
    finish(line, reply.status, Metrics::outcomeOf(reply.body));
}

void PendingAnswer::sendText(ApiReply::Status status, const QByteArray &contentType,
                             const QByteArray &body) const
{
    if (!m_state->responder)
        return;
    QString line = m_request + u' ' + QString::number(int(httpStatus(status)));
    if (clientConnected())
        m_state->responder->write(body, contentType, httpStatus(status));
    else
        line += QStringLiteral(" (client gone)");
    finish(line, status, QStringLiteral("ok"));
}

void PendingAnswer::finish(QString line, ApiReply::Status status, const QString &outcome) const
{
    m_state->responder.reset();
    ConnectionGuard::setAnswering(m_socket, false);
    if (m_state->closeAfter && clientConnected())
        m_socket->disconnectFromHost();
    if (!m_client.isEmpty())
        line += QStringLiteral(" client=") + m_client;
    qInfo().noquote() << line;
    if (m_state->observer)
        m_state->observer(int(httpStatus(status)), outcome, m_state->age.nsecsElapsed());
}

QMetaObject::Connection PendingAnswer::whenClientGone(QObject *context,
                                                      const std::function<void()> &gone) const
{
    if (!m_socket)
        return {};
    return QObject::connect(m_socket, &QAbstractSocket::disconnected, context, gone);
}

bool PendingAnswer::clientConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void PendingAnswer::writeChunk(const QByteArray &bytes) const
{
    if (!clientConnected())
        return;
    QHttpServerResponder &responder = *m_state->responder;
    if (!m_state->streamStarted) {
        m_state->streamStarted = true;
        // Chunked, so that the connection can carry the client's next request afterwards.
        responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
        responder.writeHeaders({{"Content-Type", "text/event-stream"},
                                {"Cache-Control", "no-cache"},
                                // A proxy in front must pass each event on at once.
                                {"X-Accel-Buffering", "no"},
                                {"Transfer-Encoding", "chunked"}});
    }
    responder.writeBody(QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n");
}
