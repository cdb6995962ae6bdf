#pragma once

#include "protocol/errorcode.h"

#include <QHash>
#include <QJsonObject>
#include <QQueue>
#include <QTcpServer>

class QTcpSocket;

// A scripted stand-in for the code-generation service on a loopback port of its own. It
// speaks the HTTP/1.1 that QNetworkAccessManager sends (keep-alive, Content-Length bodies,
// requests arriving in pieces) and records every request. Each is answered from a one-shot
// queue first, then from the default reply of its method and path, otherwise with a 404.
class FakeService final : public QObject
{
    Q_OBJECT

public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Reply final
    {
        enum class Mode { Answer, Silent, Drop }; // Silent keeps the connection open; Drop closes it

        int status = 200;
        QByteArray body;
        int delayMs = 0;
        Mode mode = Mode::Answer;
        QByteArray contentType = "application/json";

        static Reply json(const QJsonObject &object, int status = 200);
        // A streamed chat: each (event name, data) pair as a Server-Sent Event, all at once.
        static Reply events(const QList<QPair<QByteArray, QJsonObject>> &events);
        static Reply silent() { return {200, {}, 0, Mode::Silent, {}}; }
        static Reply dropped(int afterMs) { return {200, {}, afterMs, Mode::Drop, {}}; }
        Reply delayed(int ms) const { return {status, body, ms, mode, contentType}; }
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
    };

    explicit FakeService(QObject *parent = nullptr);
    ~FakeService() override;

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    void setDefaultReply(const QByteArray &method, const QString &path, const Reply &reply)
    {
        m_defaults.insert(method + ' ' + path.toUtf8(), reply);
    }
    void enqueueReply(const QByteArray &method, const QString &path, const Reply &reply)
    {
        m_queued[method + ' ' + path.toUtf8()].enqueue(reply);
    }

    // The usual good answers, and defaults for a healthy service built from them.
    static Reply newSession(const QString &sessionId,
                            const QString &message = QStringLiteral("Hello, what shall we build?"));
    static Reply chatSuccess(const QString &response);
    // A chat the service could not answer: its words, and its code unless it is None (a
    // service of before the codes).
    static Reply chatFailure(const QString &message, Protocol::ErrorCode error);
    void scriptGoodService(const QString &sessionId = QStringLiteral("session-1"));

    const QList<Request> &requests() const { return m_requests; }
    QList<Request> requestsTo(const QByteArray &method, const QString &path) const;
    // Requests whose connection the client closed before they were answered.
    int abandonedRequests() const { return m_abandoned; }

private:
    struct Connection final
    {
        QByteArray buffer;
        int unanswered = 0;
    };

    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Reply &reply);

    QTcpServer m_server;
    QHash<QTcpSocket *, Connection> m_connections;
    QHash<QByteArray, Reply> m_defaults;
    QHash<QByteArray, QQueue<Reply>> m_queued;
    QList<Request> m_requests;
    int m_abandoned = 0;
};
