#include "pendinganswer.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QMetaEnum>

PendingAnswer::PendingAnswer(const QHttpServerRequest &request, QHttpServerResponder &&responder)
    : m_responder(std::make_shared<std::optional<QHttpServerResponder>>(std::move(responder)))
    , m_socket((*m_responder)->socket())
    , m_request(QStringLiteral("%1 %2").arg(
          QString::fromLatin1(
              QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method())))
              .toUpper(),
          request.url().path()))
{ }

void PendingAnswer::send(const ApiReply &reply, const QByteArray &allow) const
{
    if (!m_responder->has_value())
        return;
    QString line = m_request + u' ' + QString::number(int(reply.status));
    if (!reply.sessionId.isEmpty())
        line += QStringLiteral(" session=") + reply.sessionId.left(8);
    // The socket is deleted when the client disconnects; writing to it then would crash.
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        const QJsonDocument document(reply.body);
        if (allow.isEmpty())
            (*m_responder)->write(document, reply.status);
        else
            (*m_responder)->write(document, {{QByteArrayLiteral("Allow"), allow}}, reply.status);
    } else {
        line += QStringLiteral(" (client gone)");
    }
    m_responder->reset();
    qInfo().noquote() << line;
}

QMetaObject::Connection PendingAnswer::whenClientGone(QObject *context,
                                                      const std::function<void()> &gone) const
{
    if (!m_socket)
        return {};
    return QObject::connect(m_socket, &QAbstractSocket::disconnected, context, gone);
}
