#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QQueue>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A scripted stand-in for the code-generation service, on a loopback port of its own.
// It speaks just enough HTTP/1.1 for QNetworkAccessManager: keep-alive connections,
// requests arriving in pieces, Content-Length bodies, and replies in request order per
// connection. Every request is recorded; each is answered from a one-shot queue first,
// then from the default reply of its method and path, and otherwise with a 404.
class FakeService final : public QObject
{
    Q_OBJECT

public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Reply final
    {
        int status = 200;
        QByteArray body;
        QList<Header> headers;
        int delayMs = 0;
        bool neverAnswer = false;      // keeps the connection open and silent
        bool closeConnection = false;  // drops the connection instead of answering

        static Reply json(const QJsonObject &object, int status = 200);
        static Reply silent();
        static Reply dropped();
        Reply delayed(int ms) const;
    };

    struct Request final
    {
        QByteArray method;
        QString path;           // without the query
        QList<Header> headers;  // as sent
        QByteArray body;
        QJsonObject json;       // empty unless the body is a JSON object

        // The first value of the header, its name compared case-insensitively.
        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
    };

    explicit FakeService(QObject *parent = nullptr);
    ~FakeService() override;

    bool isListening() const;
    QString baseUrl() const;

    void setDefaultReply(const QByteArray &method, const QString &path, const Reply &reply);
    void enqueueReply(const QByteArray &method, const QString &path, const Reply &reply);

    // The usual good answers.
    static Reply versionOk();
    static Reply newSession(const QString &sessionId,
                            const QString &message = QStringLiteral("Hello, what shall we build?"));
    static Reply chatSuccess(const QString &response);
    // Defaults for a healthy service: version accepted, sessions opened with sessionId,
    // chats answered with a short program, sessions ended without complaint.
    void scriptGoodService(const QString &sessionId = QStringLiteral("session-1"));

    const QList<Request> &requests() const;
    QList<Request> requestsTo(const QString &path) const;
    QList<Request> requestsTo(const QByteArray &method, const QString &path) const;
    // Spins the event loop until at least count requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 10000);
    // Requests whose connection the client closed before they were answered: a client
    // that gives up on a silent service shows up here.
    int abandonedRequests() const;

Q_SIGNALS:
    void requestReceived(int index);

private:
    struct Connection final
    {
        QByteArray buffer;
        QQueue<Reply> pending;  // chosen when each request arrived, answered in that order
        bool answering = false;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answerNext(QTcpSocket *socket);
    void writeReply(QTcpSocket *socket, const Reply &reply);
    Reply replyFor(const Request &request);

    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, Connection> m_connections;
    QHash<QByteArray, Reply> m_defaults;
    QHash<QByteArray, QQueue<Reply>> m_queued;
    QList<Request> m_requests;
    int m_abandoned = 0;
};
