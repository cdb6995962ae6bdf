#include "redisconnection.h"

#include <hiredis/async.h>
#include <hiredis/hiredis.h>

#include <QDebug>

#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int retryMs = 1000;
constexpr int complaintIntervalMs = 60 * 1000;

RedisConnection *owner(const redisAsyncContext *context)
{
    return static_cast<RedisConnection *>(context->data);
}

} // namespace

RedisConnection::RedisConnection(const QString &host, quint16 port, int database,
                                 const QString &name, QObject *parent)
    : QObject(parent)
    , m_host(host.toUtf8())
    , m_port(port)
    , m_database(database)
    , m_name(name)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &RedisConnection::open);
    m_silence.setSingleShot(true);
    m_silence.setInterval(2000);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        // Freeing the context fails every awaited reply.
        if (redisAsyncContext *context = std::exchange(m_context, nullptr))
            redisAsyncFree(context);
        lost(QStringLiteral("no reply within %1 ms").arg(m_silence.interval()));
    });
    open();
}

RedisConnection::~RedisConnection()
{
    if (!m_context)
        return;
    // Callbacks still pending are dropped without being run: their owners are going too.
    m_context->data = nullptr;
    redisAsyncFree(m_context);
}

void RedisConnection::open()
{
    m_context = redisAsyncConnect(m_host.constData(), m_port);
    if (!m_context || m_context->err) {
        const QString reason = m_context ? QString::fromUtf8(m_context->errstr)
                                         : QStringLiteral("out of memory");
        if (m_context)
            redisAsyncFree(m_context);
        m_context = nullptr;
        return lost(reason);
    }
    m_context->data = this;
    m_context->ev.data = this;
    m_context->ev.addRead = [](void *self) {
        auto *connection = static_cast<RedisConnection *>(self);
        connection->watch(connection->m_reader, QSocketNotifier::Read, true);
    };
    m_context->ev.delRead = [](void *self) {
        auto *connection = static_cast<RedisConnection *>(self);
        connection->watch(connection->m_reader, QSocketNotifier::Read, false);
    };
    m_context->ev.addWrite = [](void *self) {
        auto *connection = static_cast<RedisConnection *>(self);
        connection->watch(connection->m_writer, QSocketNotifier::Write, true);
    };
    m_context->ev.delWrite = [](void *self) {
        auto *connection = static_cast<RedisConnection *>(self);
        connection->watch(connection->m_writer, QSocketNotifier::Write, false);
    };
    m_context->ev.cleanup = [](void *self) {
        auto *connection = static_cast<RedisConnection *>(self);
        connection->watch(connection->m_reader, QSocketNotifier::Read, false);
        connection->watch(connection->m_writer, QSocketNotifier::Write, false);
    };
    redisAsyncSetConnectCallback(m_context, &RedisConnection::connected);
    redisAsyncSetDisconnectCallback(m_context, &RedisConnection::disconnected);
    if (m_database != 0)
        command({"SELECT", QByteArray::number(m_database)}, [](const redisReply *) {});
    if (!m_channel.isEmpty())
        send({"SUBSCRIBE", m_channel}, &RedisConnection::published, this);
}

void RedisConnection::watch(QPointer<QSocketNotifier> &notifier, QSocketNotifier::Type type,
                            bool on)
{
    if (on && !notifier) {
        notifier = new QSocketNotifier(m_context->c.fd, type, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, type] {
            if (!m_context)
                return;
            if (type == QSocketNotifier::Read)
                redisAsyncHandleRead(m_context);
            else
                redisAsyncHandleWrite(m_context);
        });
    } else if (!on && notifier) {
        // It may be the notifier whose signal is being handled.
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
}

bool RedisConnection::send(const QList<QByteArray> &arguments,
                           void (*callback)(redisAsyncContext *, void *, void *), void *data)
{
    if (!m_context)
        return false;
    std::vector<const char *> values;
    std::vector<size_t> lengths;
    for (const QByteArray &argument : arguments) {
        values.push_back(argument.constData());
        lengths.push_back(size_t(argument.size()));
    }
    // Refused while the context is being torn down.
    return redisAsyncCommandArgv(m_context, callback, data, int(values.size()), values.data(),
                                 lengths.data())
        == REDIS_OK;
}

void RedisConnection::command(const QList<QByteArray> &arguments, const Reply &reply)
{
    auto *callback = new Reply(reply);
    if (!send(arguments, &RedisConnection::replied, callback)) {
        delete callback;
        return reply(nullptr);
    }
    if (m_awaited++ == 0)
        m_silence.start();
}

void RedisConnection::subscribe(const QByteArray &channel, const Message &message)
{
    m_channel = channel;
    m_message = message;
    send({"SUBSCRIBE", m_channel}, &RedisConnection::published, this);
}

void RedisConnection::replied(redisAsyncContext *context, void *reply, void *callback)
{
    const std::unique_ptr<Reply> done(static_cast<Reply *>(callback));
    RedisConnection *self = owner(context);
    if (!self)
        return;
    // Replies failed by a lost connection may come after the count was reset.
    self->m_awaited = qMax(0, self->m_awaited - 1);
    if (self->m_awaited == 0)
        self->m_silence.stop();
    else
        self->m_silence.start();
    (*done)(static_cast<const redisReply *>(reply));
}

void RedisConnection::published(redisAsyncContext *context, void *reply, void *)
{
    RedisConnection *self = owner(context);
    const auto *message = static_cast<const redisReply *>(reply);
    // ["message", channel, payload]; the subscription's own confirmation is ignored.
    if (self && message && message->type == REDIS_REPLY_ARRAY && message->elements == 3
        && qstrcmp(message->element[0]->str, "message") == 0)
        self->m_message(QByteArray(message->element[2]->str, qsizetype(message->element[2]->len)));
}

void RedisConnection::connected(const redisAsyncContext *context, int status)
{
    RedisConnection *self = owner(context);
    if (!self)
        return;
    if (status != REDIS_OK) {
        // hiredis frees the context after this callback.
        self->m_context = nullptr;
        return self->lost(QString::fromUtf8(context->errstr));
    }
    if (!self->m_up && self->m_lastComplaint.isValid() && !self->m_name.isEmpty())
        qInfo().noquote() << self->m_name << "is reachable again";
    self->m_up = true;
}

void RedisConnection::disconnected(const redisAsyncContext *context, int status)
{
    RedisConnection *self = owner(context);
    if (!self)
        return;
    self->m_context = nullptr;
    self->lost(status == REDIS_OK ? QStringLiteral("connection closed")
                                  : QString::fromUtf8(context->errstr));
}

void RedisConnection::lost(const QString &reason)
{
    m_up = false;
    m_awaited = 0;
    m_silence.stop();
    if (!m_retry.isActive())
        m_retry.start();
    if (m_name.isEmpty())
        return;
    if (!m_lastComplaint.isValid() || m_lastComplaint.elapsed() >= complaintIntervalMs) {
        m_lastComplaint.start();
        qWarning().noquote() << m_name << "cannot be reached (" + reason + "): chats are unavailable until it is";
    }
}
