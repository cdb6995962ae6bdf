// The service's own cost per chat: a model server stand-in answers every chat after a fixed
// delay, so that whatever a chat takes beyond it is tavrin-server's (and the loopback's). Also
// how close a queue of chats comes to the ideal at limited concurrency, and the memory an idle
// session holds.

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
#include <functional>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QThread modelThread;
    DelayedModel model;
    model.moveToThread(&modelThread);
    modelThread.start();
    QMetaObject::invokeMethod(
        &model, [&model] { model.listen(); }, Qt::BlockingQueuedConnection);
    const auto stopModel = qScopeGuard([&] {
        QMetaObject::invokeMethod(
            &model, [&model] { model.moveToThread(QCoreApplication::instance()->thread()); },
            Qt::BlockingQueuedConnection);
        modelThread.quit();
        modelThread.wait();
    });
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
    return lost == 0 ? 0 : 1;
}
