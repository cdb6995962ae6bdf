#include "loopbackservice.h"

#include "client/connection/serviceaccess.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

const QByteArray kHeaderEnd = QByteArrayLiteral("\r\n\r\n");

qsizetype contentLength(const QByteArray &header)
{
    const QList<QByteArray> lines = header.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            return line.mid(colon + 1).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

LoopbackService::LoopbackService(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackService::onNewConnection);
}

bool LoopbackService::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LoopbackService::dropConnections()
{
    const QList<QTcpSocket *> sockets = m_pending.keys();
    m_pending.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void LoopbackService::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_pending.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackService::onReadyRead(QTcpSocket *socket)
{
    auto pending = m_pending.find(socket);
    if (pending == m_pending.end())
        return;
    QByteArray &buffer = pending.value();
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf(kHeaderEnd);
        if (headerEnd < 0)
            return;
        const QByteArray header = buffer.left(headerEnd);
        const qsizetype total = headerEnd + kHeaderEnd.size() + contentLength(header);
        if (buffer.size() < total)
            return;
        const QList<QByteArray> requestLine = header.left(header.indexOf('\r')).split(' ');
        const QByteArray method = requestLine.value(0);
        const QByteArray path = requestLine.value(1);
        buffer.remove(0, total);
        answer(socket, path);
        Q_EMIT requestServed(method, path);
        // A receiver may have dropped the connections meanwhile.
        if (!m_pending.contains(socket))
            return;
    }
}

void LoopbackService::answer(QTcpSocket *socket, const QByteArray &path)
{
    QByteArray status = QByteArrayLiteral("200 OK");
    QByteArray body;
    if (path == ServicePath::VersionCheck.toLatin1()) {
        body = QByteArrayLiteral("{\"need_update\": false}");
    } else if (path == ServicePath::NewChat.toLatin1()) {
        body = QByteArrayLiteral("{\"success\": true, \"api_type\": \"new\", \"message\": \"Session created\", "
                                 "\"session_id\": \"bench-session\"}");
    } else if (path == ServicePath::Session.toLatin1()) {
        body = QByteArrayLiteral("{\"success\": true}");
    } else {
        status = QByteArrayLiteral("404 Not Found");
        body = QByteArrayLiteral("{}");
    }
    socket->write(QByteArrayLiteral("HTTP/1.1 ") + status
                  + QByteArrayLiteral("\r\nContent-Type: application/json\r\nContent-Length: ")
                  + QByteArray::number(body.size()) + kHeaderEnd + body);
}
