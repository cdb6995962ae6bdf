#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <functional>

struct redisAsyncContext;
struct redisReply;

// One connection to a Redis server, driven by the event loop through socket notifiers, so that
// the service never waits for Redis: commands go out pipelined and each reply comes back to
// its callback. While the server cannot be reached, commands fail at once (a null reply) and
// the connection is tried again every second; that is logged once a minute at most. A server
// that keeps a reply waiting for the time-out is given up as unreachable.
class RedisConnection final : public QObject
{
    Q_OBJECT

public:
    // reply is null when the server could not be reached or gave no answer in time.
    using Reply = std::function<void(const redisReply *reply)>;
    using Message = std::function<void(const QByteArray &message)>;

    // name: how the log calls it; empty for a connection that logs nothing.
    RedisConnection(const QString &host, quint16 port, int database, const QString &name,
                    QObject *parent = nullptr);
    ~RedisConnection() override;

    void command(const QList<QByteArray> &arguments, const Reply &reply);
    // Whether a command would go out now; when not, it fails at once without reaching Redis.
    bool canSend() const { return m_context != nullptr; }
    // Makes this a connection that only listens to channel, again after each reconnection.
    void subscribe(const QByteArray &channel, const Message &message);
    void setReplyTimeout(int ms) { m_silence.setInterval(ms); }

private:
    static void connected(const redisAsyncContext *context, int status);
    static void disconnected(const redisAsyncContext *context, int status);
    static void replied(redisAsyncContext *context, void *reply, void *callback);
    static void published(redisAsyncContext *context, void *reply, void *self);

    void open();
    void lost(const QString &reason);
    void watch(QPointer<QSocketNotifier> &notifier, QSocketNotifier::Type type, bool on);
    bool send(const QList<QByteArray> &arguments,
              void (*callback)(redisAsyncContext *, void *, void *), void *data);

    const QByteArray m_host;
    const quint16 m_port;
    const int m_database;
    const QString m_name;
    redisAsyncContext *m_context = nullptr;
    QPointer<QSocketNotifier> m_reader;
    QPointer<QSocketNotifier> m_writer;
    QTimer m_retry;
    // Runs while replies are awaited and none comes.
    QTimer m_silence;
    int m_awaited = 0;
    bool m_up = false;
    QElapsedTimer m_lastComplaint;
    QByteArray m_channel;
    Message m_message;
};
