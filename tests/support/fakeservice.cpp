#include "support/fakeservice.h"

#include "protocol/messages.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>

FakeService::Reply FakeService::Reply::json(const QJsonObject &object, int status)
{
    return {status, QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

QByteArray FakeService::Request::header(const QByteArray &name) const
{
    for (const Header &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

FakeService::FakeService(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_connections.insert(socket, Connection());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_abandoned += m_connections.take(socket).unanswered;
                socket->deleteLater();
            });
        }
    });
    m_server.listen(QHostAddress::LocalHost, 0);
}

FakeService::~FakeService()
{
    // The sockets, children of the server, would report their end into a half-destroyed object.
    for (auto socket = m_connections.keyBegin(); socket != m_connections.keyEnd(); ++socket)
        (*socket)->disconnect(this);
}

FakeService::Reply FakeService::newSession(const QString &sessionId, const QString &message)
{
    return Reply::json({{"api_type", "new"}, {"success", true}, {"session_id", sessionId}, {"message", message}});
}

FakeService::Reply FakeService::Reply::events(const QList<QPair<QByteArray, QJsonObject>> &events)
{
    Reply reply;
    reply.contentType = "text/event-stream";
    for (const auto &[name, data] : events)
        reply.body += "event: " + name + "\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
    return reply;
}

FakeService::Reply FakeService::chatSuccess(const QString &response)
{
    return Reply::json({{"api_type", "chat"}, {"success", true}, {"message", ""},
                        {"data", QJsonObject{{"response", response}}}});
}

FakeService::Reply FakeService::chatFailure(const QString &message, Protocol::ErrorCode error)
{
    return Reply::json(outcomeBody(false, ApiType::Chat, message, error));
}

void FakeService::scriptGoodService(const QString &sessionId)
{
    setDefaultReply("POST", QStringLiteral("/api/version_check"),
                    Reply::json({{"need_update", false}, {"message", ""}, {"min_version", "1.0.0"}}));
    setDefaultReply("POST", QStringLiteral("/api/new"), newSession(sessionId));
    setDefaultReply("POST", QStringLiteral("/api/chat"), chatSuccess(QStringLiteral("int OnInit()\n{\n   return INIT_SUCCEEDED;\n}\n")));
    setDefaultReply("DELETE", QStringLiteral("/api/session"), Reply::json({{"success", true}}));
}

QList<FakeService::Request> FakeService::requestsTo(const QByteArray &method, const QString &path) const
{
    QList<Request> matching = m_requests;
    matching.removeIf([&](const Request &request) { return request.method != method || request.path != path; });
    return matching;
}

void FakeService::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_connections[socket].buffer;  // answer() only schedules, so this stays valid
    buffer += socket->readAll();
    for (qsizetype headEnd; (headEnd = buffer.indexOf("\r\n\r\n")) >= 0;) {
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.first().split(' ');
        Request request{requestLine.value(0), QString::fromUtf8(requestLine.value(1).split('?').first()), {}, {}, {}};
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            request.headers.append({lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            break;
        request.body = buffer.mid(headEnd + 4, length);
        request.json = QJsonDocument::fromJson(request.body).object();
        buffer.remove(0, headEnd + 4 + length);
        m_requests.append(request);

        const QByteArray key = request.method + ' ' + request.path.toUtf8();
        const Reply unscripted = Reply::json({{"message", "nothing scripted for " + QString::fromUtf8(key)}}, 404);
        ++m_connections[socket].unanswered;
        answer(socket, m_queued.value(key).isEmpty() ? m_defaults.value(key, unscripted) : m_queued[key].dequeue());
    }
}

void FakeService::answer(QTcpSocket *socket, const Reply &reply)
{
    // A silent reply leaves its connection busy, as a hung server would.
    if (reply.mode == Reply::Mode::Silent)
        return;
    QTimer::singleShot(reply.delayMs, socket, [this, socket, reply] {
        const auto connection = m_connections.find(socket);
        if (connection == m_connections.end())
            return;
        --connection->unanswered;
        if (reply.mode == Reply::Mode::Drop)
            return socket->abort();
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\nContent-Type: " + reply.contentType + "\r\n"
                      + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
    });
}
