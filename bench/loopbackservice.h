#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// Just enough of the code-generation service on 127.0.0.1 for a client to start: the version
// check passes and a new chat gets a session. Keep-alive connections are honoured, since the
// client's network manager keeps them.
class LoopbackService final : public QObject
{
    Q_OBJECT

public:
    explicit LoopbackService(QObject *parent = nullptr);

    bool listen();
    QString baseUrl() const;

    // Closes every open connection, so the next client starts from nothing.
    void dropConnections();

Q_SIGNALS:
    // Emitted once the request is complete and answered.
    void requestServed(const QByteArray &method, const QByteArray &path);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &path);

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
