#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// Just enough of the code-generation service on a loopback port for the window to get a
// successful chat reply: the version is accepted, a session is opened, and every chat is
// answered with the code set by the test. Keep-alive connections and requests arriving in
// pieces are handled; anything else gets a 404.
class ChatResponder final : public QObject
{
    Q_OBJECT

public:
    explicit ChatResponder(QObject *parent = nullptr);
    ~ChatResponder() override;

    bool isListening() const;
    QString baseUrl() const;

    // What "data"/"response" holds in the chat replies from now on.
    void setChatResponse(const QString &code);

    // A loopback address that nobody listens on, so requests to it are refused at once.
    static QString refusingUrl();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    QByteArray replyBody(const QByteArray &method, const QByteArray &path, int *status);

    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QString m_chatResponse;
};
