#include "support/fakeservice.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

QByteArray routeKey(const QByteArray &method, const QString &path)
{
    return method + ' ' + path.toUtf8();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return QByteArrayLiteral("OK");
    case 400: return QByteArrayLiteral("Bad Request");
    case 404: return QByteArrayLiteral("Not Found");
    case 500: return QByteArrayLiteral("Internal Server Error");
    case 503: return QByteArrayLiteral("Service Unavailable");
    default: return QByteArrayLiteral("Status");
    }
}

enum class Parse { NeedMore, Complete, Malformed };

// Takes one whole request off the front of buffer, if it holds one. Only Content-Length
// bodies are understood: that is all QNetworkAccessManager sends for a byte-array body.
Parse takeRequest(QByteArray &buffer, FakeService::Request &request)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return Parse::NeedMore;

    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1."))
        return Parse::Malformed;

    FakeService::Request parsed;
    parsed.method = requestLine.at(0);
    const QByteArray target = requestLine.at(1);
    const qsizetype query = target.indexOf('?');
    parsed.path = QString::fromUtf8(query < 0 ? target : target.left(query));

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Parse::Malformed;
        parsed.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    if (parsed.hasHeader("Transfer-Encoding"))
        return Parse::Malformed;

    qsizetype length = 0;
    if (parsed.hasHeader("Content-Length")) {
        bool ok = false;
        length = parsed.header("Content-Length").toLongLong(&ok);
        if (!ok || length < 0)
            return Parse::Malformed;
    }
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() < bodyStart + length)
        return Parse::NeedMore;

    parsed.body = buffer.mid(bodyStart, length);
    parsed.json = QJsonDocument::fromJson(parsed.body).object();
    buffer.remove(0, bodyStart + length);
    request = parsed;
    return Parse::Complete;
}

} // namespace

FakeService::Reply FakeService::Reply::json(const QJsonObject &object, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    reply.headers.append({QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")});
    return reply;
}

FakeService::Reply FakeService::Reply::silent()
{
    Reply reply;
    reply.neverAnswer = true;
    return reply;
}

FakeService::Reply FakeService::Reply::dropped()
{
    Reply reply;
    reply.closeConnection = true;
    return reply;
}

FakeService::Reply FakeService::Reply::delayed(int ms) const
{
    Reply reply = *this;
    reply.delayMs = ms;
    return reply;
}

QByteArray FakeService::Request::header(const QByteArray &name) const
{
    for (const Header &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

bool FakeService::Request::hasHeader(const QByteArray &name) const
{
    for (const Header &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

FakeService::FakeService(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeService::onNewConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
}

FakeService::~FakeService()
{
    // Sockets still open would report their disconnection into a half-destroyed object.
    const QList<QTcpSocket *> sockets = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
    }
}

bool FakeService::isListening() const
{
    return m_server->isListening();
}

QString FakeService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
}

void FakeService::setDefaultReply(const QByteArray &method, const QString &path, const Reply &reply)
{
    m_defaults.insert(routeKey(method, path), reply);
}

void FakeService::enqueueReply(const QByteArray &method, const QString &path, const Reply &reply)
{
    m_queued[routeKey(method, path)].enqueue(reply);
}

FakeService::Reply FakeService::versionOk()
{
    return Reply::json({{QStringLiteral("need_update"), false},
                        {QStringLiteral("message"), QString()},
                        {QStringLiteral("min_version"), QStringLiteral("1.0.0")}});
}

FakeService::Reply FakeService::newSession(const QString &sessionId, const QString &message)
{
    return Reply::json({{QStringLiteral("api_type"), QStringLiteral("new")},
                        {QStringLiteral("success"), true},
                        {QStringLiteral("session_id"), sessionId},
                        {QStringLiteral("message"), message}});
}

FakeService::Reply FakeService::chatSuccess(const QString &response)
{
    return Reply::json({{QStringLiteral("api_type"), QStringLiteral("chat")},
                        {QStringLiteral("success"), true},
                        {QStringLiteral("message"), QString()},
                        {QStringLiteral("data"), QJsonObject{{QStringLiteral("response"), response}}}});
}

void FakeService::scriptGoodService(const QString &sessionId)
{
    setDefaultReply("POST", QStringLiteral("/api/version_check"), versionOk());
    setDefaultReply("POST", QStringLiteral("/api/new"), newSession(sessionId));
    setDefaultReply("POST", QStringLiteral("/api/chat"),
                    chatSuccess(QStringLiteral("int OnInit()\n{\n   return INIT_SUCCEEDED;\n}\n")));
    setDefaultReply("DELETE", QStringLiteral("/api/session"),
                    Reply::json({{QStringLiteral("success"), true}}));
}

const QList<FakeService::Request> &FakeService::requests() const
{
    return m_requests;
}

QList<FakeService::Request> FakeService::requestsTo(const QString &path) const
{
    QList<Request> matching;
    for (const Request &request : m_requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

QList<FakeService::Request> FakeService::requestsTo(const QByteArray &method, const QString &path) const
{
    QList<Request> matching;
    for (const Request &request : m_requests) {
        if (request.method == method && request.path == path)
            matching.append(request);
    }
    return matching;
}

bool FakeService::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([this, count] { return m_requests.size() >= count; }, timeoutMs);
}

int FakeService::abandonedRequests() const
{
    return m_abandoned;
}

void FakeService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, Connection());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            const auto found = m_connections.find(socket);
            if (found != m_connections.end()) {
                m_abandoned += int(found->pending.size()) + (found->answering ? 1 : 0);
                m_connections.erase(found);
            }
            socket->deleteLater();
        });
    }
}

void FakeService::onReadyRead(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    found->buffer += socket->readAll();

    QList<int> arrived;
    for (;;) {
        Request request;
        const Parse result = takeRequest(found->buffer, request);
        if (result == Parse::NeedMore)
            break;
        if (result == Parse::Malformed) {
            m_connections.remove(socket);
            Reply bad = Reply::json({{QStringLiteral("message"), QStringLiteral("malformed request")}}, 400);
            bad.headers.append({QByteArrayLiteral("Connection"), QByteArrayLiteral("close")});
            writeReply(socket, bad);
            socket->disconnectFromHost();
            return;
        }
        found->pending.enqueue(replyFor(request));
        m_requests.append(request);
        arrived.append(int(m_requests.size() - 1));
    }

    // Listeners may spin the event loop, so the socket is looked up afresh afterwards.
    const QPointer<QTcpSocket> guard(socket);
    for (int index : arrived)
        Q_EMIT requestReceived(index);
    if (guard)
        answerNext(socket);
}

void FakeService::answerNext(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end() || found->answering || found->pending.isEmpty())
        return;
    const Reply reply = found->pending.dequeue();
    found->answering = true;
    // A silent reply leaves the connection busy, so nothing behind it is answered either.
    if (reply.neverAnswer)
        return;

    auto answer = [this, socket, reply] {
        const auto current = m_connections.find(socket);
        if (current == m_connections.end())
            return;
        current->answering = false;
        if (reply.closeConnection) {
            m_connections.remove(socket);
            socket->abort();
            return;
        }
        writeReply(socket, reply);
        answerNext(socket);
    };
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, socket, answer);
    else
        answer();
}

void FakeService::writeReply(QTcpSocket *socket, const Reply &reply)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status)
        + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    bool namesConnection = false;
    for (const Header &header : reply.headers) {
        head += header.first + ": " + header.second + "\r\n";
        namesConnection = namesConnection || header.first.compare("Connection", Qt::CaseInsensitive) == 0;
    }
    if (!namesConnection)
        head += "Connection: keep-alive\r\n";
    socket->write(head + "\r\n" + reply.body);
}

FakeService::Reply FakeService::replyFor(const Request &request)
{
    const QByteArray key = routeKey(request.method, request.path);
    const auto queued = m_queued.find(key);
    if (queued != m_queued.end() && !queued->isEmpty())
        return queued->dequeue();
    const auto fallback = m_defaults.constFind(key);
    if (fallback != m_defaults.constEnd())
        return *fallback;
    return Reply::json({{QStringLiteral("success"), false},
                        {QStringLiteral("message"), QStringLiteral("nothing scripted for ") + QString::fromUtf8(key)}},
                       404);
}
