#include "connectionguard.h"

#include "apireply.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>

#include <optional>
#include <utility>

namespace {

constexpr qint64 complaintIntervalMs = 60 * 1000;

// The value of a header in a header block, lower-cased; nullopt when it is absent.
std::optional<QByteArray> headerValue(const QByteArray &block, const QByteArray &name)
{
    const QList<QByteArray> lines = block.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed().toLower();
    }
    return std::nullopt;
}

// METHOD SP target SP HTTP/1.x, of the methods the server knows.
bool isRequestLine(const QByteArray &line)
{
    static const QRegularExpression form(QStringLiteral(
        "^(GET|HEAD|POST|PUT|DELETE|OPTIONS|PATCH|CONNECT|TRACE) [\\x21-\\x7e]+ HTTP/1\\.[0-9]\r?$"));
    return form.match(QString::fromLatin1(line)).hasMatch();
}

// The start of a request line so far: a method's letters, then no control character.
bool mayStartRequestLine(const QByteArray &start)
{
    const qsizetype space = start.indexOf(' ');
    const QByteArray method = space < 0 ? start : start.left(space);
    for (const char c : method) {
        if (c < 'A' || c > 'Z')
            return false;
    }
    for (const char c : start.mid(method.size())) {
        if (uchar(c) < 0x20 && c != '\r')
            return false;
    }
    return method.size() <= 7;
}

QHostAddress connectionAddress(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : peer;
}

} // namespace

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, const ConnectionLimits &limits)
    : QObject(socket)
    , m_socket(socket)
    , m_limits(limits)
{
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::bytesArrived);
    connect(socket, &QTcpSocket::bytesWritten, this, &ConnectionGuard::rearm);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionGuard::timedOut);
    m_lastActivity.start();
    rearm();
}

void ConnectionGuard::setAnswering(QTcpSocket *socket, bool answering)
{
    if (auto *guard = socket ? socket->findChild<ConnectionGuard *>(QString(), Qt::FindDirectChildrenOnly) : nullptr) {
        guard->m_answering = answering;
        guard->m_spoke = true;
        guard->rearm();
    }
}

bool ConnectionGuard::canMakeRoom() const
{
    return !m_answering && m_state != State::Draining && m_state != State::Closed;
}

bool ConnectionGuard::makesRoomBefore(const ConnectionGuard &other) const
{
    if (m_spoke != other.m_spoke)
        return !m_spoke;
    return m_lastActivity.elapsed() > other.m_lastActivity.elapsed();
}

void ConnectionGuard::close()
{
    m_state = State::Closed;
    m_socket->abort();
}

// The server reads every byte it is given in a transaction that it commits once a request is
// complete: with no transaction open, the unread bytes start a request.
void ConnectionGuard::bytesArrived()
{
    if (m_state == State::Draining || m_state == State::Closed)
        return;
    m_lastActivity.start();
    const bool requestStarts = !m_socket->isTransactionStarted();
    const QByteArray bytes = m_socket->peek(m_socket->bytesAvailable());
    if (requestStarts) {
        m_header.clear();
        m_requestLineRead = false;
        // The header's time runs from the request's first byte, not from its latest one.
        if (m_state != State::Header) {
            m_state = State::Header;
            rearm();
        }
    }
    switch (m_state) {
    case State::Header: {
        m_header += bytes;
        if (!requestLineArrived())
            return;
        const qsizetype end = m_header.indexOf("\r\n\r\n");
        if (end >= 0)
            return headerArrived(end);
        if (m_header.size() > m_limits.maxHeaderBytes) {
            m_state = State::Closed;
            m_socket->abort();
        }
        return;
    }
    case State::ChunkedBody:
        rearm();
        m_chunkedBytes += bytes.size();
        if (m_chunkedBytes > m_limits.maxBodyBytes)
            refuseBody(m_limits.maxDrainBytes + 1);
        return;
    case State::Body:
        rearm();
        return;
    case State::Draining:
    case State::Closed:
        return;
    }
}

// Checked as it comes, since the server drops a connection whose first bytes it cannot read,
// without a word. Empty lines before a request are allowed, as HTTP asks.
bool ConnectionGuard::requestLineArrived()
{
    if (m_requestLineRead)
        return true;
    qsizetype start = 0;
    while (m_header.mid(start, 2) == "\r\n")
        start += 2;
    const qsizetype end = m_header.indexOf('\n', start);
    const QByteArray line = m_header.mid(start, end < 0 ? -1 : end - start);
    m_requestLineRead = end >= 0;
    if (end < 0 ? mayStartRequestLine(line) : isRequestLine(line))
        return true;
    refuseRequest(QStringLiteral("The request does not start with a request line "
                                 "(METHOD /path HTTP/1.1)."));
    return false;
}

void ConnectionGuard::headerArrived(qsizetype end)
{
    const QByteArray block = m_header.left(end);
    const qsizetype bodySoFar = m_header.size() - end - 4;
    m_header.clear();
    m_state = State::Body;
    rearm();
    const std::optional<QByteArray> chunks = headerValue(block, "transfer-encoding");
    // Read by its length here and by its chunks elsewhere, one request could carry another.
    if (chunks && headerValue(block, "content-length")) {
        return refuseRequest(QStringLiteral("The request has both Content-Length and "
                                            "Transfer-Encoding."));
    }
    if (chunks && chunks->contains("chunked")) {
        m_state = State::ChunkedBody;
        m_chunkedBytes = bodySoFar;
        if (m_chunkedBytes > m_limits.maxBodyBytes)
            refuseBody(m_limits.maxDrainBytes + 1);
        return;
    }
    const qint64 declared = headerValue(block, "content-length").value_or("0").toLongLong();
    // What is unread of the header is dropped with the body.
    if (declared > m_limits.maxBodyBytes)
        refuseBody(declared + m_socket->bytesAvailable() - bodySoFar);
}

void ConnectionGuard::answerInstead(const QByteArray &statusLine, const ApiReply &reply)
{
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    if (m_socket->isTransactionStarted())
        m_socket->commitTransaction();
    const QByteArray body = QJsonDocument(reply.body).toJson(QJsonDocument::Compact);
    m_socket->write("HTTP/1.1 " + statusLine + "\r\nContent-Type: application/json\r\n"
                    "Connection: close\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

// Answers before the body is read: the server never sees it, and what the client sends on is
// dropped as it comes, never kept.
void ConnectionGuard::refuseBody(qint64 unread)
{
    m_drainingChunks = m_state == State::ChunkedBody;
    m_state = State::Draining;
    m_drainLeft = qMin(unread, m_limits.maxDrainBytes);
    m_beyondDrain = unread > m_limits.maxDrainBytes;
    answerInstead("413 Payload Too Large",
                  ApiReply::error(ApiReply::Status::PayloadTooLarge,
                                  QStringLiteral("The request body is larger than 1 MiB."),
                                  Protocol::ErrorCode::RequestTooLarge));
    connect(m_socket, &QTcpSocket::readyRead, this, &ConnectionGuard::drain);
    drain();
}

// What came is dropped: nothing on this connection can be read as requests any more.
void ConnectionGuard::refuseRequest(const QString &problem)
{
    m_state = State::Closed;
    answerInstead("400 Bad Request", ApiReply::invalid(problem));
    m_socket->readAll();
    m_socket->disconnectFromHost();
}

// The connection closes once the body is all in; one beyond the drain's bound, or more than
// the body, is cut.
void ConnectionGuard::drain()
{
    rearm();
    char chunk[64 * 1024];
    qint64 got = 0;
    while ((got = m_socket->read(chunk, sizeof chunk)) > 0) {
        m_drainLeft -= got;
        m_tail.append(chunk + qMax<qint64>(0, got - 5), qMin<qint64>(got, 5));
        m_tail = m_tail.right(5);
    }
    const bool chunkedEnd = m_drainingChunks && m_tail == "0\r\n\r\n";
    if (m_drainLeft > 0 && !chunkedEnd)
        return;
    m_state = State::Closed;
    if (chunkedEnd || (m_drainLeft == 0 && !m_beyondDrain))
        m_socket->disconnectFromHost();
    else
        m_socket->abort();
}

void ConnectionGuard::timedOut()
{
    if (m_answering)
        return rearm();
    close();
}

// A request under way has the header time-out until its header is in; otherwise the idle one.
void ConnectionGuard::rearm()
{
    m_lastActivity.start();
    const bool headerDue = m_state == State::Header && !m_answering;
    m_timer.start(headerDue ? m_limits.headerTimeoutMs : m_limits.idleTimeoutMs);
}

GuardedListener::GuardedListener(const ConnectionLimits &limits, QObject *parent)
    : QTcpServer(parent)
    , m_limits(limits)
{ }

void GuardedListener::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        socket->deleteLater();
        return;
    }
    const QHostAddress address = connectionAddress(socket->peerAddress());
    const int share = m_limits.maxPerAddress > 0 ? m_limits.maxPerAddress
                                                 : qMax(1, m_limits.maxConnections / 2);
    const bool overShare = !isShared(address) && m_perAddress.value(address) >= share;
    if (overShare || (m_guards.size() >= m_limits.maxConnections && !makeRoom())) {
        ++(overShare ? m_overShare : m_refused);
        complain();
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto *guard = new ConnectionGuard(socket, m_limits);
    m_guards.append(guard);
    ++m_perAddress[address];
    connect(guard, &QObject::destroyed, this, [this, guard, address] {
        m_guards.removeOne(guard);
        if (--m_perAddress[address] == 0)
            m_perAddress.remove(address);
    });
    addPendingConnection(socket);
}

bool GuardedListener::isShared(const QHostAddress &address) const
{
    for (const auto &[subnet, prefix] : m_limits.sharedAddresses) {
        if (address.isInSubnet(subnet, prefix))
            return true;
    }
    return false;
}

bool GuardedListener::makeRoom()
{
    ConnectionGuard *closed = nullptr;
    for (ConnectionGuard *guard : std::as_const(m_guards)) {
        if (guard->canMakeRoom() && (!closed || guard->makesRoomBefore(*closed)))
            closed = guard;
    }
    if (!closed)
        return false;
    ++m_closedForRoom;
    complain();
    closed->close();
    // Its socket goes later; its place is free now.
    m_guards.removeOne(closed);
    return true;
}

void GuardedListener::complain()
{
    if (m_lastComplaint.isValid() && m_lastComplaint.elapsed() < complaintIntervalMs)
        return;
    qWarning().noquote() << QStringLiteral("at the connection limits: %1 of %2 open "
                                           "(--max-connections); %3 idle ones closed to make "
                                           "room, %4 refused with every one owed an answer, %5 "
                                           "refused beyond one address's share")
                                .arg(m_guards.size())
                                .arg(m_limits.maxConnections)
                                .arg(m_closedForRoom)
                                .arg(m_refused)
                                .arg(m_overShare);
    m_lastComplaint.start();
    m_closedForRoom = m_refused = m_overShare = 0;
}
