#include "connectionguard.h"

#include "apireply.h"

#include <QJsonDocument>
#include <QTcpSocket>

namespace {

constexpr qint64 complaintIntervalMs = 60 * 1000;

// The value of a header in a header block, lower-cased; empty when it is absent.
QByteArray headerValue(const QByteArray &block, const QByteArray &name)
{
    const QList<QByteArray> lines = block.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed().toLower();
    }
    return {};
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
    rearm();
}

void ConnectionGuard::setAnswering(QTcpSocket *socket, bool answering)
{
    if (auto *guard = socket ? socket->findChild<ConnectionGuard *>(QString(), Qt::FindDirectChildrenOnly) : nullptr) {
        guard->m_answering = answering;
        guard->rearm();
    }
}

// The server reads every byte it is given in a transaction that it commits once a request is
// complete: with no transaction open, the unread bytes start a request.
void ConnectionGuard::bytesArrived()
{
    if (m_state == State::Draining || m_state == State::Closed)
        return;
    const bool requestStarts = !m_socket->isTransactionStarted();
    const QByteArray bytes = m_socket->peek(m_socket->bytesAvailable());
    if (requestStarts) {
        m_header.clear();
        // The header's time runs from the request's first byte, not from its latest one.
        if (m_state != State::Header) {
            m_state = State::Header;
            rearm();
        }
    }
    switch (m_state) {
    case State::Header: {
        m_header += bytes;
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

void ConnectionGuard::headerArrived(qsizetype end)
{
    const QByteArray block = m_header.left(end);
    const qsizetype bodySoFar = m_header.size() - end - 4;
    m_header.clear();
    m_state = State::Body;
    rearm();
    if (headerValue(block, "transfer-encoding").contains("chunked")) {
        m_state = State::ChunkedBody;
        m_chunkedBytes = bodySoFar;
        if (m_chunkedBytes > m_limits.maxBodyBytes)
            refuseBody(m_limits.maxDrainBytes + 1);
        return;
    }
    const qint64 declared = headerValue(block, "content-length").toLongLong();
    // What is unread of the header is dropped with the body.
    if (declared > m_limits.maxBodyBytes)
        refuseBody(declared + m_socket->bytesAvailable() - bodySoFar);
}

// Answers before the body is read: the server never sees it, and what the client sends on is
// dropped as it comes, never kept.
void ConnectionGuard::refuseBody(qint64 unread)
{
    m_drainingChunks = m_state == State::ChunkedBody;
    m_state = State::Draining;
    m_drainLeft = qMin(unread, m_limits.maxDrainBytes);
    m_beyondDrain = unread > m_limits.maxDrainBytes;
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    connect(m_socket, &QTcpSocket::readyRead, this, &ConnectionGuard::drain);
    if (m_socket->isTransactionStarted())
        m_socket->commitTransaction();
    const QByteArray body =
        QJsonDocument(ApiReply::error(ApiReply::Status::PayloadTooLarge,
                                      QStringLiteral("The request body is larger than 1 MiB."),
                                      Protocol::ErrorCode::RequestTooLarge)
                          .body)
            .toJson(QJsonDocument::Compact);
    m_socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\n"
                    "Connection: close\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    drain();
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
    m_state = State::Closed;
    m_socket->abort();
}

// A request under way has the header time-out until its header is in; otherwise the idle one.
void ConnectionGuard::rearm()
{
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
    if (m_open >= m_limits.maxConnections) {
        ++m_refused;
        if (!m_lastComplaint.isValid() || m_lastComplaint.elapsed() >= complaintIntervalMs) {
            qWarning().noquote() << QStringLiteral("refusing connections: %1 are open, the most "
                                                   "allowed (--max-connections); %2 refused")
                                        .arg(m_open)
                                        .arg(m_refused);
            m_lastComplaint.start();
            m_refused = 0;
        }
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    new ConnectionGuard(socket, m_limits);
    addPendingConnection(socket);
}
