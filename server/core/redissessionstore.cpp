#include "redissessionstore.h"

#include "redisconnection.h"

#include <QRegularExpression>
#include <QUuid>

#include <hiredis/hiredis.h>

namespace {

const QByteArray controlChannel = QByteArrayLiteral("tavrin:control");

// The server's clock, so that instances whose clocks differ still agree on the order of use.
#define NOW_MS "local t = redis.call('TIME') local now = t[1] * 1000 + math.floor(t[2] / 1000) "

// ARGV: id, record, idle limit (ms), capacity. Forgets the index entries of expired chats, then
// makes room by dropping the chats used longest ago that hold no lock.
const QByteArray openScript = QByteArrayLiteral(NOW_MS R"(
local index = 'tavrin:chats'
local idle = tonumber(ARGV[3])
for _, old in ipairs(redis.call('ZRANGEBYSCORE', index, '-inf', now - idle, 'LIMIT', 0, 100)) do
  if redis.call('EXISTS', 'tavrin:chat:' .. old) == 0 then redis.call('ZREM', index, old) end
end
local start = 0
while redis.call('ZCARD', index) >= tonumber(ARGV[4]) do
  local batch = redis.call('ZRANGE', index, start, start + 99)
  if #batch == 0 then break end
  local dropped = false
  for _, old in ipairs(batch) do
    if redis.call('EXISTS', 'tavrin:lock:' .. old) == 0 then
      redis.call('DEL', 'tavrin:chat:' .. old)
      redis.call('ZREM', index, old)
      dropped = true
      break
    end
  end
  if not dropped then start = start + 100 end
end
redis.call('SET', 'tavrin:chat:' .. ARGV[1], ARGV[2], 'PX', idle)
redis.call('ZADD', index, now, ARGV[1])
return 1
)");

// ARGV: id, lock token, lock time (ms), idle limit (ms). {0} unknown, {2} locked, {1, record}.
const QByteArray acquireScript = QByteArrayLiteral(NOW_MS R"(
local chat = 'tavrin:chat:' .. ARGV[1]
local record = redis.call('GET', chat)
if not record then return {0} end
if not redis.call('SET', 'tavrin:lock:' .. ARGV[1], ARGV[2], 'NX', 'PX', ARGV[3]) then return {2} end
redis.call('PEXPIRE', chat, ARGV[4])
redis.call('ZADD', 'tavrin:chats', now, ARGV[1])
return {1, record}
)");

// ARGV: id, lock token, record or empty, idle limit (ms). A chat ended meanwhile stays ended.
const QByteArray releaseScript = QByteArrayLiteral(NOW_MS R"(
local lock = 'tavrin:lock:' .. ARGV[1]
if redis.call('GET', lock) == ARGV[2] then redis.call('DEL', lock) end
if ARGV[3] ~= '' and redis.call('SET', 'tavrin:chat:' .. ARGV[1], ARGV[3], 'PX', ARGV[4], 'XX') then
  redis.call('ZADD', 'tavrin:chats', now, ARGV[1])
end
return 1
)");

// ARGV: id, "cancel" or "end". 0 unknown, 1 idle, 2 running.
const QByteArray controlScript = QByteArrayLiteral(R"(
local chat = 'tavrin:chat:' .. ARGV[1]
if redis.call('EXISTS', chat) == 0 then return 0 end
local running = redis.call('EXISTS', 'tavrin:lock:' .. ARGV[1])
if ARGV[2] == 'end' then
  redis.call('DEL', chat)
  redis.call('ZREM', 'tavrin:chats', ARGV[1])
end
if running == 1 then redis.call('PUBLISH', 'tavrin:control', ARGV[2] .. ' ' .. ARGV[1]) end
return 1 + running
)");

#undef NOW_MS

bool isError(const redisReply *reply)
{
    return !reply || reply->type == REDIS_REPLY_ERROR;
}


} // namespace

std::optional<RedisAddress> RedisAddress::parse(const QString &url)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^redis://(\[[0-9a-fA-F:.]+\]|[A-Za-z0-9._-]+)(?::(\d{1,5}))?(?:/(\d{1,2}))?/?$)"));
    const QRegularExpressionMatch match = form.match(url.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    RedisAddress address;
    address.host = match.captured(1);
    if (address.host.startsWith(u'['))
        address.host = address.host.mid(1, address.host.size() - 2);
    if (match.hasCaptured(2)) {
        const uint port = match.captured(2).toUInt();
        if (port == 0 || port > 65535)
            return std::nullopt;
        address.port = quint16(port);
    }
    if (match.hasCaptured(3))
        address.database = match.captured(3).toInt();
    return address;
}

QString RedisAddress::toString() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("redis://%1:%2/%3").arg(shownHost).arg(port).arg(database);
}

RedisSessionStore::RedisSessionStore(const RedisAddress &address, qint64 idleLimitMs,
                                     int capacity, QObject *parent)
    : SessionStore(parent)
    , m_commands(new RedisConnection(address.host, address.port, address.database,
                                     QStringLiteral("session store %1").arg(address.toString()),
                                     this))
    , m_listener(new RedisConnection(address.host, address.port, address.database, {}, this))
    , m_idleLimitMs(idleLimitMs)
    , m_capacity(capacity)
{
    m_listener->subscribe(controlChannel, [this](const QByteArray &message) {
        const qsizetype space = message.indexOf(' ');
        const QByteArray verb = message.left(space);
        const QString id = QString::fromUtf8(message.mid(space + 1));
        if (verb == "cancel")
            emit controlled(Control::Cancel, id);
        else if (verb == "end")
            emit controlled(Control::End, id);
    });
}

void RedisSessionStore::open(const ChatRecord &chat, const Opened &done)
{
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_commands->command({"EVAL", openScript, "0", id.toUtf8(), chat.toJson(),
                         QByteArray::number(m_idleLimitMs), QByteArray::number(m_capacity)},
                        [done, id](const redisReply *reply) {
                            if (isError(reply))
                                return done(Outcome::Unavailable, {});
                            done(Outcome::Done, id);
                        });
}

void RedisSessionStore::acquire(const QString &id, qint64 lockMs, const Acquired &done)
{
    const QByteArray token = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    m_commands->command(
        {"EVAL", acquireScript, "0", id.toUtf8(), token, QByteArray::number(lockMs),
         QByteArray::number(m_idleLimitMs)},
        [this, done, id, token](const redisReply *reply) {
            if (isError(reply) || reply->type != REDIS_REPLY_ARRAY || reply->elements < 1)
                return done(Outcome::Unavailable, {});
            const long long state = reply->element[0]->integer;
            if (state == 2)
                return done(Outcome::Busy, {});
            const std::optional<ChatRecord> chat = state == 1 && reply->elements == 2
                ? ChatRecord::fromJson(QByteArray(reply->element[1]->str,
                                                  qsizetype(reply->element[1]->len)))
                : std::nullopt;
            if (!chat)
                return done(Outcome::Unknown, {});
            m_locks.insert(id, token);
            done(Outcome::Done, *chat);
        });
}

void RedisSessionStore::release(const QString &id, const std::optional<ChatRecord> &chat,
                                const Released &done)
{
    // Should Redis be gone, the lock expires by itself and the answer still goes out.
    m_commands->command({"EVAL", releaseScript, "0", id.toUtf8(), m_locks.take(id),
                         chat ? chat->toJson() : QByteArray(), QByteArray::number(m_idleLimitMs)},
                        [done](const redisReply *) { done(); });
}

void RedisSessionStore::control(const QString &id, Control control, const Controlled &done)
{
    m_commands->command({"EVAL", controlScript, "0", id.toUtf8(),
                         control == Control::End ? "end" : "cancel"},
                        [done](const redisReply *reply) {
                            if (isError(reply) || reply->type != REDIS_REPLY_INTEGER)
                                return done(Outcome::Unavailable, false);
                            if (reply->integer == 0)
                                return done(Outcome::Unknown, false);
                            done(Outcome::Done, reply->integer == 2);
                        });
}

void RedisSessionStore::countChats(const Counted &done)
{
    m_commands->command({"ZCARD", "tavrin:chats"}, [done](const redisReply *reply) {
        if (isError(reply) || reply->type != REDIS_REPLY_INTEGER)
            return done(std::nullopt);
        done(reply->integer);
    });
}
