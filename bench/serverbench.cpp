// The service's own cost per chat: a model server stand-in answers every chat after a fixed
// delay, so that whatever a chat takes beyond it is tavrin-server's (and the loopback's). Also
// how close a queue of chats comes to the ideal at limited concurrency, and the memory an idle
// session holds. Then the same for streamed chats: a stand-in that streams 2,000 tokens, the
// delay from its first chunk to the client's first delta, and the service's CPU per token.

#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>

#include <unistd.h>

namespace {

constexpr int modelDelayMs = 50;

// Reads one HTTP message from the socket; calls done with it once it is complete.
void readMessage(QTcpSocket *socket, const std::function<void(const QByteArray &message)> &done)
{
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer, done] {
        *buffer += socket->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        static const QRegularExpression length("content-length:\\s*(\\d+)",
                                               QRegularExpression::CaseInsensitiveOption);
        const qsizetype size =
            length.match(QString::fromLatin1(buffer->left(end))).captured(1).toLongLong();
        if (end >= 0 && buffer->size() >= end + 4 + size) {
            done(*buffer);
            buffer->clear();
        }
    });
}

QByteArray httpMessage(const QByteArray &startLine, const QByteArray &body)
{
    return startLine + "\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// A model server that answers every chat with the same valid program after modelDelayMs. It
// runs in a thread of its own, so that its work does not delay the clients' clocks.
class DelayedModel final : public QObject
{
public:
    void listen()
    {
        const QByteArray program =
            "```mql5\nint OnInit() { return 0; }\nvoid OnTick() {}\n```\nDone.";
        const QJsonObject choice{
            {"message", QJsonObject{{"role", "assistant"}, {"content", QString(program)}}},
            {"finish_reason", "stop"}};
        m_answer =
            httpMessage("HTTP/1.1 200 OK",
                        QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson());
        // Room for every connection of a burst, so that none waits for a SYN to be resent.
        m_server.setListenBacklogSize(1024);
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                readMessage(socket, [this, socket](const QByteArray &) {
                    QTimer::singleShot(modelDelayMs, socket, [this, socket] {
                        socket->write(m_answer);
                        socket->disconnectFromHost();
                    });
                });
            }
        });
    }
    QString url() const { return "http://127.0.0.1:" + QString::number(m_server.serverPort()); }

private:
    QTcpServer m_server{this};
    QByteArray m_answer;
};

constexpr int streamedTokens = 2000;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray tokenEvent(const QString &content)
{
    const QJsonObject choice{{"index", 0}, {"delta", QJsonObject{{"content", content}}}};
    return "data: "
        + QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson(QJsonDocument::Compact)
        + "\n\n";
}

// A model server that streams a valid program of 2,000 tokens to every chat, at an even pace
// over streamMs, and notes when it wrote each chat's first chunk (by the chat's request text).
// In a thread of its own, like DelayedModel.
class StreamingModel final : public QObject
{
public:
    explicit StreamingModel(int streamMs) : m_streamMs(streamMs) { }

    void listen()
    {
        m_tokens.append(tokenEvent("```mql5\n/*"));
        while (m_tokens.size() < streamedTokens - 1)
            m_tokens.append(tokenEvent(" tok"));
        m_tokens.append(tokenEvent("*/\nint OnInit() { return 0; }\nvoid OnTick() {}\n```"));
        m_server.setListenBacklogSize(1024);
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                readMessage(socket, [this, socket](const QByteArray &request) {
                    const QByteArray body = request.mid(request.indexOf("\r\n\r\n") + 4);
                    const QJsonArray messages =
                        QJsonDocument::fromJson(body).object().value("messages").toArray();
                    stream(socket, messages.last().toObject().value("content").toString());
                });
            }
        });
    }
    QString url() const { return "http://127.0.0.1:" + QString::number(m_server.serverPort()); }
    // When the first chunk for the chat asking `request` was written.
    qint64 firstChunkNs(const QString &request)
    {
        const std::lock_guard lock(m_mutex);
        return m_firstChunkNs.value(request);
    }

private:
    void stream(QTcpSocket *socket, const QString &request)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                      "Connection: close\r\n\r\n");
        auto *timer = new QTimer(socket);
        timer->setTimerType(Qt::PreciseTimer);
        QElapsedTimer clock;
        clock.start();
        const auto next = [this, socket, timer, clock, request, sent = 0]() mutable {
            const int due = qBound(sent + 1, int(clock.elapsed() * streamedTokens / m_streamMs),
                                   streamedTokens);
            if (sent == 0) {
                const std::lock_guard lock(m_mutex);
                m_firstChunkNs.insert(request, steadyNs());
            }
            for (; sent < due; ++sent)
                socket->write(m_tokens.at(sent));
            if (sent == streamedTokens) {
                timer->stop();
                socket->write("data: {\"choices\":[{\"index\":0,\"delta\":{},"
                              "\"finish_reason\":\"stop\"}]}\n\ndata: [DONE]\n\n");
                socket->disconnectFromHost();
            }
        };
        connect(timer, &QTimer::timeout, socket, next);
        timer->start(1);
    }

    const int m_streamMs;
    QTcpServer m_server{this};
    QList<QByteArray> m_tokens;
    std::mutex m_mutex;
    QHash<QString, qint64> m_firstChunkNs;
};

// Posts one request on a connection of its own, so that no client-side connection limit
// queues it; calls done with the reply.
void post(quint16 port, const QByteArray &path, const QJsonObject &body,
          const std::function<void(const QByteArray &reply)> &done)
{
    auto *socket = new QTcpSocket(QCoreApplication::instance());
    readMessage(socket, [socket, done](const QByteArray &reply) {
        socket->deleteLater();
        done(reply);
    });
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->write(httpMessage("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1",
                              QJsonDocument(body).toJson(QJsonDocument::Compact)));
}

// Waits in the event loop until the condition holds.
void waitFor(const std::function<bool()> &condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

class Bench final
{
public:
    struct Streamed
    {
        // When each chat's first delta arrived, by its request text.
        QHash<QString, qint64> firstDeltaNs;
        double seconds = 0;
    };

    Bench(const QString &modelUrl, int concurrency)
    {
        // Its log of one line per request must not fill a pipe that nobody reads.
        m_service.setStandardErrorFile(QProcess::nullDevice());
        m_service.start(SERVER_PATH,
                        {"--port", "0", "--backend", "openai", "--llm-base-url", modelUrl,
                         "--llm-model", "bench", "--llm-concurrency",
                         QString::number(concurrency)});
        m_service.waitForReadyRead(30000);
        static const QRegularExpression listening(":(\\d+)$");
        m_port = listening.match(QString::fromUtf8(m_service.readLine()).trimmed())
                     .captured(1)
                     .toUShort();
    }
    ~Bench()
    {
        m_service.kill();
        m_service.waitForFinished();
    }
    bool started() const { return m_port != 0; }

    QStringList open(int count)
    {
        QStringList ids;
        for (int i = 0; i < count; ++i)
            ids.append(openOne());
        return ids;
    }

    // Sends one chat per session at once; returns each one's time in ms, and counts failures.
    std::vector<double> chatAll(const QStringList &ids, int *lost)
    {
        std::vector<double> times;
        for (const QString &id : ids) {
            auto clock = std::make_shared<QElapsedTimer>();
            clock->start();
            post(m_port, "/api/chat", {{"session_id", id}, {"user_message", "An EA"}},
                 [&times, clock, lost](const QByteArray &reply) {
                     times.push_back(clock->nsecsElapsed() / 1e6);
                     if (!reply.startsWith("HTTP/1.1 200") || !reply.contains("\"success\": true"))
                         ++*lost;
                 });
        }
        waitFor([&] { return times.size() == size_t(ids.size()); });
        return times;
    }

    // Sends one streamed chat per session at once, each asking "chat <round>-<i>"; counts the
    // chats that do not end with a successful "done".
    Streamed streamAll(const QStringList &ids, int round, int *lost)
    {
        Streamed streamed;
        int ended = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < ids.size(); ++i) {
            const QString request = QStringLiteral("chat %1-%2").arg(round).arg(i);
            auto *socket = new QTcpSocket(QCoreApplication::instance());
            auto received = std::make_shared<QByteArray>();
            const auto read = [&, socket, received, request] {
                *received += socket->readAll();
                if (!streamed.firstDeltaNs.contains(request) && received->contains("event: delta"))
                    streamed.firstDeltaNs.insert(request, steadyNs());
                if (received->endsWith("\r\n0\r\n\r\n")) {
                    *lost += !received->endsWith("\"success\":true}\n\n\r\n0\r\n\r\n");
                    ++ended;
                    socket->deleteLater();
                }
            };
            QObject::connect(socket, &QTcpSocket::readyRead, socket, read);
            socket->connectToHost(QHostAddress::LocalHost, m_port);
            const QJsonObject body{{"session_id", ids.at(i)}, {"user_message", request}};
            socket->write(httpMessage("POST /api/chat HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                      "Accept: text/event-stream",
                                      QJsonDocument(body).toJson(QJsonDocument::Compact)));
        }
        waitFor([&] { return ended == ids.size(); });
        streamed.seconds = clock.nsecsElapsed() / 1e9;
        return streamed;
    }

    // The service's CPU time so far, user and system.
    double cpuSeconds() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_service.processId()));
        stat.open(QIODevice::ReadOnly);
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
        // After ") state": utime and stime are the 12th and 13th fields.
        return (fields.value(12).toDouble() + fields.value(13).toDouble()) / sysconf(_SC_CLK_TCK);
    }

    qint64 residentKib() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_service.processId()));
        status.open(QIODevice::ReadOnly);
        static const QRegularExpression rss("VmRSS:\\s*(\\d+)");
        return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
    }

private:
    QString openOne()
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        socket.write(httpMessage("POST /api/new HTTP/1.1\r\nHost: 127.0.0.1",
                                 R"({"platform":"MT5","code_type":"ea"})"));
        QByteArray reply;
        while (!reply.contains("session_id\"") || !reply.trimmed().endsWith('}')) {
            if (!socket.waitForReadyRead(10000))
                break;
            reply += socket.readAll();
        }
        const QByteArray body = reply.mid(reply.indexOf("\r\n\r\n") + 4);
        return QJsonDocument::fromJson(body).object().value("session_id").toString();
    }

    QProcess m_service;
    quint16 m_port = 0;
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(fraction * double(values.size() - 1) + 0.5)];
}

// Runs the model stand-in in a thread of its own until the guard ends.
template<typename Model>
auto inThread(Model &model, QThread &thread)
{
    model.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(
        &model, [&model] { model.listen(); }, Qt::BlockingQueuedConnection);
    return qScopeGuard([&model, &thread] {
        QMetaObject::invokeMethod(
            &model, [&model] { model.moveToThread(QCoreApplication::instance()->thread()); },
            Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    });
}

// Streamed chats of 2,000 tokens: the first delta's delay and the CPU per token with 16 chats
// streaming at once, each over 2 s; then 64 chats of 500 ms each through a queue of 4 (faster
// streams would measure the two cores' limit rather than the queue).
int streamedChats()
{
    int lost = 0;
    {
        QThread thread;
        StreamingModel model(2000);
        const auto stop = inThread(model, thread);
        Bench bench(model.url(), 16);
        const QStringList ids = bench.open(16);
        std::vector<double> delays;
        const double cpuBefore = bench.cpuSeconds();
        constexpr int rounds = 8;
        for (int round = 0; round < rounds; ++round) {
            const Bench::Streamed streamed = bench.streamAll(ids, round, &lost);
            for (auto it = streamed.firstDeltaNs.begin(); it != streamed.firstDeltaNs.end(); ++it)
                delays.push_back((it.value() - model.firstChunkNs(it.key())) / 1e6);
        }
        const double tokens = double(rounds) * ids.size() * streamedTokens;
        BenchSupport::printRow("server", "model's first chunk to the client's first delta, p50",
                               percentile(delays, 0.5), "ms");
        BenchSupport::printRow("server", "model's first chunk to the client's first delta, p99",
                               percentile(delays, 0.99), "ms");
        BenchSupport::printRow("server", "service CPU per streamed token (16 streams at once)",
                               (bench.cpuSeconds() - cpuBefore) * 1e6 / tokens, "us");
    }
    {
        QThread thread;
        constexpr int streamMs = 500;
        StreamingModel model(streamMs);
        const auto stop = inThread(model, thread);
        Bench bench(model.url(), 4);
        const QStringList ids = bench.open(64);
        const double seconds = bench.streamAll(ids, 0, &lost).seconds;
        BenchSupport::printRow("server", "64 streamed chats at concurrency 4, against the ideal",
                               seconds * 1000 / (streamMs * 64.0 / 4), "x");
    }
    return lost;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QThread modelThread;
    DelayedModel model;
    const auto stopModel = inThread(model, modelThread);
    int lost = 0;

    // Overhead: the service may send every chat at once, so that only its own work adds up.
    for (const int sessions : {1, 16, 64}) {
        Bench bench(model.url(), sessions);
        if (!bench.started())
            return 1;
        const QStringList ids = bench.open(sessions);
        std::vector<double> overhead;
        for (int round = 0; overhead.size() < 200; ++round) {
            for (const double ms : bench.chatAll(ids, &lost))
                overhead.push_back(ms - modelDelayMs);
        }
        const QString figure =
            QStringLiteral("overhead per chat, %1 concurrent sessions").arg(sessions);
        BenchSupport::printRow("server", figure + ", p50", percentile(overhead, 0.5), "ms");
        BenchSupport::printRow("server", figure + ", p99", percentile(overhead, 0.99), "ms");
    }

    // The queue: 64 chats at once, four at a time to the model.
    {
        Bench bench(model.url(), 4);
        if (!bench.started())
            return 1;
        const QStringList ids = bench.open(64);
        QElapsedTimer clock;
        clock.start();
        bench.chatAll(ids, &lost);
        const double ideal = modelDelayMs * 64.0 / 4;
        BenchSupport::printRow("server", "64 chats at concurrency 4, against the ideal",
                               clock.elapsed() / ideal, "x");

        const qint64 before = bench.residentKib();
        bench.open(10000);
        BenchSupport::printRow("server", "memory per idle session (10,000 open)",
                               double(bench.residentKib() - before) * 1024 / 10000, "B");
    }
    BenchSupport::printRow("server", "chats lost", lost, "");
    const int streamedLost = streamedChats();
    BenchSupport::printRow("server", "streamed chats lost", streamedLost, "");
    return lost == 0 && streamedLost == 0 ? 0 : 1;
}
