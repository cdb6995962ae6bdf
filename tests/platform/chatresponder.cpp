#include "chatresponder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The value of Content-Length in a header block, 0 without one.
qsizetype contentLength(const QByteArray &headers)
{
    for (const QByteArray &line : headers.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            return line.mid(colon + 1).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

ChatResponder::ChatResponder(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ChatResponder::onNewConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
}

ChatResponder::~ChatResponder() = default;

bool ChatResponder::isListening() const
{
    return m_server->isListening();
}

QString ChatResponder::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
}

void ChatResponder::setChatResponse(const QString &code)
{
    m_chatResponse = code;
}

QString ChatResponder::refusingUrl()
{
    // Take a free port and let it go again.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return QStringLiteral("http://127.0.0.1:9");
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

void ChatResponder::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void ChatResponder::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    // Several requests may be waiting on one connection.
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QByteArray headers = buffer.left(headerEnd);
        const qsizetype total = headerEnd + 4 + contentLength(headers);
        if (buffer.size() < total)
            return;
        const QList<QByteArray> requestLine = headers.left(headers.indexOf("\r\n")).split(' ');
        buffer.remove(0, total);

        const QByteArray method = requestLine.value(0);
        QByteArray path = requestLine.value(1);
        path = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
        int status = 200;
        const QByteArray body = replyBody(method, path, &status);
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found");
        reply += "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size());
        reply += "\r\nConnection: keep-alive\r\n\r\n" + body;
        socket->write(reply);
    }
}

QByteArray ChatResponder::replyBody(const QByteArray &method, const QByteArray &path, int *status)
{
    if (method == "POST" && path == "/api/version_check")
        return compact({{QStringLiteral("need_update"), false}});
    if (method == "POST" && path == "/api/new") {
        return compact({{QStringLiteral("success"), true},
                        {QStringLiteral("api_type"), QStringLiteral("new")},
                        {QStringLiteral("session_id"), QStringLiteral("s1")},
                        {QStringLiteral("message"), QStringLiteral("hi")}});
    }
    if (method == "POST" && path == "/api/chat") {
        return compact({{QStringLiteral("success"), true},
                        {QStringLiteral("api_type"), QStringLiteral("chat")},
                        {QStringLiteral("message"), QString()},
                        {QStringLiteral("data"), QJsonObject{{QStringLiteral("response"), m_chatResponse}}}});
    }
    if (method == "DELETE" && path == "/api/session")
        return compact({{QStringLiteral("success"), true}});
    *status = 404;
    return compact({{QStringLiteral("success"), false}});
}
