#pragma once

#include "apireply.h"
#include "apirequest.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
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
    // The most one address may hold, so that one client cannot take every connection; 0 is
    // half of maxConnections.
    int maxPerAddress = 0;
    // Proxies, counted as many clients: their own limits are per client address.
    ApiRequest::Subnets sharedAddresses;
    qint64 maxBodyBytes = 1024 * 1024;
    qsizetype maxHeaderBytes = 64 * 1024;
    // The most of a refused body read and dropped before the connection is cut.
    qint64 maxDrainBytes = 16 * 1024 * 1024;
};

// Looks at one connection's bytes before the HTTP server reads them, which it does whole, body
// and all: a request that declares a body over the limit is refused as soon as its header is
// there, a chunked one once its chunks pass the limit, and a connection past its time-outs is
// closed. A request whose framing could be read two ways (a length and chunks), or that is not
// HTTP at all, is answered 400 and its connection closed, so that the server never frames it
// its own way.
class ConnectionGuard final : public QObject
{
    Q_OBJECT

public:
    // Lives as the socket's child; its slot on readyRead comes before the server's.
    ConnectionGuard(QTcpSocket *socket, const ConnectionLimits &limits);

    // While the service owes the connection an answer, its time-outs wait.
    static void setAnswering(QTcpSocket *socket, bool answering);

    // Whether it may be closed to make room for another: no answer is owed on it.
    bool canMakeRoom() const;
    // Closing first the connections that never sent a whole request, then the longest idle.
    bool makesRoomBefore(const ConnectionGuard &other) const;
    void close();

private:
    enum class State { Header, Body, ChunkedBody, Draining, Closed };

    void bytesArrived();
    // False once the request was refused.
    bool requestLineArrived();
    void headerArrived(qsizetype end);
    // Answers in the server's place and takes the server off the connection.
    void answerInstead(const QByteArray &statusLine, const ApiReply &reply);
    // Answers 413; then reads and drops the unread bytes up to the body's end, unread, so that
    // the client gets to read the answer, and closes.
    void refuseBody(qint64 unread);
    // Answers 400 and closes.
    void refuseRequest(const QString &problem);
    void drain();
    void timedOut();
    void rearm();

    QTcpSocket *m_socket;
    const ConnectionLimits m_limits;
    State m_state = State::Header;
    QByteArray m_header;
    bool m_requestLineRead = false;
    qint64 m_chunkedBytes = 0;
    qint64 m_drainLeft = 0;
    // The last bytes drained, where a chunked body's end shows.
    bool m_drainingChunks = false;
    QByteArray m_tail;
    bool m_beyondDrain = false;
    bool m_answering = false;
    // A whole request came; false for a connection that has only connected, or only sent part.
    bool m_spoke = false;
    QElapsedTimer m_lastActivity;
    QTimer m_timer;
};

// The HTTP server's listening socket: puts a guard on each connection. At the cap, a new
// connection takes the place of one that owes nothing (the longest idle of those that never sent
// a whole request, else of the others), so that connections opened and left silent cannot keep
// out a client that speaks; one beyond its address's share, or with every connection being
// answered, is refused. The log says so once a minute while it happens.
class GuardedListener final : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedListener(const ConnectionLimits &limits, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool isShared(const QHostAddress &address) const;
    // Closes the connection best closed; false when every one is owed an answer.
    bool makeRoom();
    void complain();

    const ConnectionLimits m_limits;
    QList<ConnectionGuard *> m_guards;
    QHash<QHostAddress, int> m_perAddress;
    int m_refused = 0;
    int m_overShare = 0;
    int m_closedForRoom = 0;
    QElapsedTimer m_lastComplaint;
};
