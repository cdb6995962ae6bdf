#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// The bounds every direct connection lives within, so that clients that send slowly, send
// nothing or send too much cannot hold the service's sockets or memory.
struct ConnectionLimits final
{
    // From the connection, or from a request's first byte, to the end of its header.
    int headerTimeoutMs = 10 * 1000;
    // With no byte coming and no answer owed.
    int idleTimeoutMs = 60 * 1000;
    int maxConnections = 1000;
    qint64 maxBodyBytes = 1024 * 1024;
    qsizetype maxHeaderBytes = 64 * 1024;
    // The most of a refused body read and dropped before the connection is cut.
    qint64 maxDrainBytes = 16 * 1024 * 1024;
};

// Looks at one connection's bytes before the HTTP server reads them, which it does whole, body
// and all: a request that declares a body over the limit is refused as soon as its header is
// there, a chunked one once its chunks pass the limit, and a connection past its time-outs is
// closed.
class ConnectionGuard final : public QObject
{
    Q_OBJECT

public:
    // Lives as the socket's child; its slot on readyRead comes before the server's.
    ConnectionGuard(QTcpSocket *socket, const ConnectionLimits &limits);

    // While the service owes the connection an answer, its time-outs wait.
    static void setAnswering(QTcpSocket *socket, bool answering);

private:
    enum class State { Header, Body, ChunkedBody, Draining, Closed };

    void bytesArrived();
    void headerArrived(qsizetype end);
    // Answers 413 and takes the server off the connection; then reads and drops the unread
    // bytes up to the body's end, unread, so that the client gets to read the answer, and
    // closes.
    void refuseBody(qint64 unread);
    void drain();
    void timedOut();
    void rearm();

    QTcpSocket *m_socket;
    const ConnectionLimits m_limits;
    State m_state = State::Header;
    QByteArray m_header;
    qint64 m_chunkedBytes = 0;
    qint64 m_drainLeft = 0;
    // The last bytes drained, where a chunked body's end shows.
    bool m_drainingChunks = false;
    QByteArray m_tail;
    bool m_beyondDrain = false;
    bool m_answering = false;
    QTimer m_timer;
};

// The HTTP server's listening socket: puts a guard on each connection and refuses connections
// beyond the cap, saying so in the log once a minute while it does.
class GuardedListener final : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedListener(const ConnectionLimits &limits, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    const ConnectionLimits m_limits;
    int m_open = 0;
    int m_refused = 0;
    QElapsedTimer m_lastComplaint;
};
