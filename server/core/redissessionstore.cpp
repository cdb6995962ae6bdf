#include "redissessionstore.h"

#include "redisconnection.h"

#include <QDebug>
#include <QRegularExpression>
#include <QTimer>
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

// ARGV: id, lock token, lease (ms), idle limit (ms). {0} unknown, {2, lock's time left (ms)}
// locked, {3} given up before it ran, {1, record}.
const QByteArray acquireScript = QByteArrayLiteral(NOW_MS R"(
if redis.call('EXISTS', 'tavrin:void:' .. ARGV[2]) == 1 then return {3} end
local chat = 'tavrin:chat:' .. ARGV[1]
local record = redis.call('GET', chat)
if not record then return {0} end
local lock = 'tavrin:lock:' .. ARGV[1]
if not redis.call('SET', lock, ARGV[2], 'NX', 'PX', ARGV[3]) then return {2, redis.call('PTTL', lock)} end
redis.call('PEXPIRE', chat, ARGV[4])
redis.call('ZADD', 'tavrin:chats', now, ARGV[1])
return {1, record}
)");

// ARGV: id, lock token, lease (ms), and the nonce of the instance that asked, if one did.
// 1 while the lock is still this token's.
const QByteArray renewScript = QByteArrayLiteral(R"(
local lock = 'tavrin:lock:' .. ARGV[1]
if redis.call('GET', lock) ~= ARGV[2] then return 0 end
redis.call('PEXPIRE', lock, ARGV[3])
if ARGV[4] then redis.call('SET', 'tavrin:heard:' .. ARGV[4], 1, 'PX', ARGV[3]) end
return 1
)");

// ARGV: id, nonce. {1 when the lock's holder answered the nonce, else 0; the lock's time left}.
const QByteArray heardScript = QByteArrayLiteral(R"(
return {redis.call('EXISTS', 'tavrin:heard:' .. ARGV[2]), redis.call('PTTL', 'tavrin:lock:' .. ARGV[1])}
)");

// ARGV: id, lock token, record or empty, idle limit (ms). 1 when the record is kept, or there
// is none to keep, or the chat was ended meanwhile (it stays ended). A lock that lapsed and may
// have been taken by another request keeps nothing, unless an earlier try kept this record.
const QByteArray releaseScript = QByteArrayLiteral(NOW_MS R"(
local lock = 'tavrin:lock:' .. ARGV[1]
local chat = 'tavrin:chat:' .. ARGV[1]
local held = redis.call('GET', lock) == ARGV[2]
if held then redis.call('DEL', lock) end
if ARGV[3] == '' then return 1 end
local record = redis.call('GET', chat)
if not record then return 1 end
if not held then return record == ARGV[3] and 1 or 0 end
redis.call('SET', chat, ARGV[3], 'PX', ARGV[4])
redis.call('ZADD', 'tavrin:chats', now, ARGV[1])
return 1
)");

// ARGV: id, lock token, how long to remember it (ms). Frees the lock an acquire that timed out
// may have taken, and keeps that acquire from taking it should it still run after this.
const QByteArray abandonScript = QByteArrayLiteral(R"(
local lock = 'tavrin:lock:' .. ARGV[1]
if redis.call('GET', lock) == ARGV[2] then redis.call('DEL', lock) end
redis.call('SET', 'tavrin:void:' .. ARGV[2], 1, 'PX', ARGV[3])
return 1
)");

// ARGV: idle limit (ms). The chats used within it: the index still lists expired ones until
// open() tidies it.
const QByteArray countScript = QByteArrayLiteral(NOW_MS R"(
return redis.call('ZCOUNT', 'tavrin:chats', now - tonumber(ARGV[1]), '+inf')
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

constexpr int retryMs = 500;
// How often a turn's save is tried: the trader waits for its answer meanwhile.
constexpr int saveAttempts = 3;
// How long a given-up acquire is kept from taking its lock, should Redis run it late.
constexpr qint64 abandonMemoryMs = 10 * 60 * 1000;
// How long a Stop waits for the instance that runs the chat to give its lock back, and a request
// for it to renew the lock.
constexpr qint64 longestStopWaitMs = 1000;
constexpr int stopPollMs = 50;

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
    m_abandonRetry.setInterval(1000);
    connect(&m_abandonRetry, &QTimer::timeout, this, &RedisSessionStore::sendAbandoned);
    m_listener->subscribe(controlChannel, [this](const QByteArray &message) {
        const qsizetype space = message.indexOf(' ');
        const QByteArray verb = message.left(space);
        const QString id = QString::fromUtf8(message.mid(space + 1));
        if (verb == "renew")
            renewLock(id.section(u' ', 0, 0), id.section(u' ', 1).toUtf8());
        else if (verb == "cancel")
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

void RedisSessionStore::acquire(const QString &id, const Acquired &done)
{
    // Pipelined ahead, so that a lock given up earlier is gone before this request looks.
    sendAbandoned();
    const QByteArray token = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    const bool goesOut = m_commands->canSend();
    m_commands->command(
        {"EVAL", acquireScript, "0", id.toUtf8(), token, QByteArray::number(leaseMs()),
         QByteArray::number(m_idleLimitMs)},
        [this, done, id, token, goesOut](const redisReply *reply) {
            if (!reply) {
                // Redis may still run a command that went out, once it comes back.
                if (goesOut)
                    abandon(id, token);
                return done(Outcome::Unavailable, {}, std::nullopt);
            }
            if (isError(reply) || reply->type != REDIS_REPLY_ARRAY || reply->elements < 1)
                return done(Outcome::Unavailable, {}, std::nullopt);
            const long long state = reply->element[0]->integer;
            if (state == 2) {
                // This instance renews its own locks while it runs their requests.
                if (m_locks.contains(id) || reply->elements != 2)
                    return done(Outcome::Busy, {}, std::nullopt);
                const QByteArray nonce = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
                m_commands->command({"PUBLISH", controlChannel, "renew " + id.toUtf8() + ' ' + nonce},
                                    [](const redisReply *) {});
                return awaitRenewal(id, nonce, QDeadlineTimer(stopWaitMs()), done);
            }
            const std::optional<ChatRecord> chat = state == 1 && reply->elements == 2
                ? ChatRecord::fromJson(QByteArray(reply->element[1]->str,
                                                  qsizetype(reply->element[1]->len)))
                : std::nullopt;
            if (!chat)
                return done(Outcome::Unknown, {}, std::nullopt);
            m_locks.insert(id, token);
            done(Outcome::Done, *chat, std::nullopt);
        });
}

// The instance that holds a lock renews it as soon as it is asked on tavrin:control, and says
// so under the asker's nonce: one that does not has stopped. A lock given back meanwhile is
// taken.
void RedisSessionStore::awaitRenewal(const QString &id, const QByteArray &nonce,
                                     const QDeadlineTimer &deadline, const Acquired &done)
{
    m_commands->command({"EVAL", heardScript, "0", id.toUtf8(), nonce},
                        [this, id, nonce, deadline, done](const redisReply *reply) {
                            if (isError(reply) || reply->type != REDIS_REPLY_ARRAY
                                || reply->elements != 2)
                                return done(Outcome::Unavailable, {}, std::nullopt);
                            const long long left = reply->element[1]->integer;
                            if (left < 0)
                                return acquire(id, done);
                            if (reply->element[0]->integer == 1)
                                return done(Outcome::Busy, {}, std::nullopt);
                            if (deadline.hasExpired())
                                return done(Outcome::Busy, {}, left);
                            QTimer::singleShot(stopPollMs, this, [this, id, nonce, deadline, done] {
                                awaitRenewal(id, nonce, deadline, done);
                            });
                        });
}

void RedisSessionStore::renew(const QString &id)
{
    renewLock(id, {});
}

void RedisSessionStore::renewLock(const QString &id, const QByteArray &nonce)
{
    const QByteArray token = m_locks.value(id);
    if (token.isEmpty())
        return;
    QList<QByteArray> command{"EVAL", renewScript, "0", id.toUtf8(), token,
                              QByteArray::number(leaseMs())};
    if (!nonce.isEmpty())
        command.append(nonce);
    m_commands->command(command,
                        [id](const redisReply *reply) {
                            if (reply && reply->type == REDIS_REPLY_INTEGER && reply->integer == 0)
                                qWarning().noquote() << "session store: the lock of chat"
                                                     << id.left(8) << "lapsed while it ran";
                        });
}

void RedisSessionStore::release(const QString &id, const std::optional<ChatRecord> &chat,
                                const Released &done)
{
    sendRelease({"EVAL", releaseScript, "0", id.toUtf8(), m_locks.take(id),
                 chat ? chat->toJson() : QByteArray(), QByteArray::number(m_idleLimitMs)},
                saveAttempts, done);
}

// Tried again while Redis cannot be reached, a few times: the answer waits for it. A lock that
// cannot be given back lapses by itself.
void RedisSessionStore::sendRelease(const QList<QByteArray> &command, int attempts,
                                    const Released &done)
{
    m_commands->command(command, [this, command, attempts, done](const redisReply *reply) {
        if (reply) {
            return done(!isError(reply) && reply->type == REDIS_REPLY_INTEGER
                        && reply->integer == 1);
        }
        if (attempts <= 1)
            return done(false);
        QTimer::singleShot(retryMs, this, [this, command, attempts, done] {
            sendRelease(command, attempts - 1, done);
        });
    });
}

void RedisSessionStore::abandon(const QString &id, const QByteArray &token)
{
    m_abandoned.insert(token, {id, QDeadlineTimer(abandonMemoryMs)});
    if (!m_abandonRetry.isActive())
        m_abandonRetry.start();
}

void RedisSessionStore::sendAbandoned()
{
    for (auto it = m_abandoned.cbegin(); it != m_abandoned.cend(); ++it) {
        if (it->remembered.hasExpired())
            continue;
        m_commands->command({"EVAL", abandonScript, "0", it->id.toUtf8(), it.key(),
                             QByteArray::number(it->remembered.remainingTime())},
                            [this, token = it.key()](const redisReply *reply) {
                                if (reply)
                                    m_abandoned.remove(token);
                            });
    }
    // Past that, Redis was away so long that a late lock lapses on its own soon enough.
    m_abandoned.removeIf([](const auto &it) { return it->remembered.hasExpired(); });
    if (m_abandoned.isEmpty())
        m_abandonRetry.stop();
}

void RedisSessionStore::control(const QString &id, Control control, const Controlled &done)
{
    m_commands->command({"EVAL", controlScript, "0", id.toUtf8(),
                         control == Control::End ? "end" : "cancel"},
                        [this, id, control, done](const redisReply *reply) {
                            if (isError(reply) || reply->type != REDIS_REPLY_INTEGER)
                                return done(Outcome::Unavailable, false);
                            if (reply->integer == 0)
                                return done(Outcome::Unknown, false);
                            if (reply->integer == 2 && control == Control::Cancel)
                                return awaitStop(id, QDeadlineTimer(stopWaitMs()), done);
                            done(Outcome::Done, reply->integer == 2);
                        });
}

// A running instance gives the lock back within milliseconds of hearing the Stop; one that
// keeps it has died or lost Redis, and its lease lapses by itself. The wait is short beside the
// lease, so that such a lock is still there when it ends.
qint64 RedisSessionStore::stopWaitMs() const
{
    return qMin(longestStopWaitMs, leaseMs() / 4);
}

void RedisSessionStore::awaitStop(const QString &id, const QDeadlineTimer &deadline,
                                  const Controlled &done)
{
    m_commands->command({"EXISTS", "tavrin:lock:" + id.toUtf8()},
                        [this, id, deadline, done](const redisReply *reply) {
                            if (isError(reply) || reply->type != REDIS_REPLY_INTEGER)
                                return done(Outcome::Unavailable, true);
                            if (reply->integer == 0)
                                return done(Outcome::Done, true);
                            if (deadline.hasExpired())
                                return done(Outcome::Busy, true);
                            QTimer::singleShot(stopPollMs, this, [this, id, deadline, done] {
                                awaitStop(id, deadline, done);
                            });
                        });
}

void RedisSessionStore::countChats(const Counted &done)
{
    m_commands->command({"EVAL", countScript, "0", QByteArray::number(m_idleLimitMs)},
                        [done](const redisReply *reply) {
                            if (isError(reply) || reply->type != REDIS_REPLY_INTEGER)
                                return done(std::nullopt);
                            done(reply->integer);
                        });
}

void RedisSessionStore::setReplyTimeoutMs(int ms)
{
    m_commands->setReplyTimeout(ms);
}
