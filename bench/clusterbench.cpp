// Chats per second through nginx with the shipped site: one or two tavrin-server instances, chats
// in memory or in a redis-server, programs from the templates or from a model stand-in that
// answers at once. Also the CPU each chat costs the service, nginx and Redis, from which what a
// machine of N cores carries follows, and how soon a chat whose instance was killed is served
// again. Skips what it cannot start (nginx, redis-server).

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int clients = 32;
constexpr int measureMs = 3000;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

bool answersOn(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

bool waitFor(const std::function<bool()> &ready)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

// The CPU time the process and its children's threads have used, in seconds.
double cpuSeconds(qint64 pid)
{
    double total = 0;
    QList<qint64> pids{pid};
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (children.open(QIODevice::ReadOnly)) {
        for (const QByteArray &child : children.readAll().split(' '))
            if (child.trimmed().toLongLong() > 0)
                pids.append(child.trimmed().toLongLong());
    }
    for (const qint64 each : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(each));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        total += double(fields.value(11).toLongLong() + fields.value(12).toLongLong())
            / double(sysconf(_SC_CLK_TCK));
    }
    return total;
}

// An OpenAI-compatible stand-in that answers every chat at once with the same valid program,
// on kept-alive connections; in a thread of its own.
class InstantModel final : public QObject
{
public:
    void listen()
    {
        const QJsonObject message{{"role", "assistant"},
                                  {"content", "```mql5\nint OnInit() { return 0; }\nvoid OnTick() {}\n```"}};
        const QByteArray body = QJsonDocument(QJsonObject{{"choices", QJsonArray{QJsonObject{
            {"message", message}, {"finish_reason", "stop"}}}}}).toJson(QJsonDocument::Compact);
        m_answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        m_server.setListenBacklogSize(1024);
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    for (;;) {
                        const qsizetype end = buffer->indexOf("\r\n\r\n");
                        if (end < 0)
                            return;
                        static const QRegularExpression length("content-length:\\s*(\\d+)", QRegularExpression::CaseInsensitiveOption);
                        const qsizetype size = length.match(QString::fromLatin1(buffer->left(end))).captured(1).toLongLong();
                        if (buffer->size() < end + 4 + size)
                            return;
                        buffer->remove(0, end + 4 + size);
                        socket->write(m_answer);
                    }
                });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server{this};
    QByteArray m_answer;
};

// One trader's client on a kept-alive connection: opens a chat, then asks for one program after
// the other until told to stop.
class Trader final : public QObject
{
public:
    int chats = 0;
    int failures = 0;

    Trader(quint16 port, const bool *running) : m_running(running)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { read(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        send("/api/new", R"({"platform":"MT5","code_type":"ea"})");
    }

private:
    void send(const char *path, const QByteArray &body)
    {
        m_socket.write(QByteArray("POST ") + path + " HTTP/1.1\r\nHost: bench\r\nContent-Type: application/json\r\nContent-Length: "
                       + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }

    void read()
    {
        m_buffer += m_socket.readAll();
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        static const QRegularExpression length("content-length:\\s*(\\d+)", QRegularExpression::CaseInsensitiveOption);
        const qsizetype size = end < 0 ? 0 : length.match(QString::fromLatin1(m_buffer.left(end))).captured(1).toLongLong();
        if (end < 0 || m_buffer.size() < end + 4 + size)
            return;
        const QJsonObject reply = QJsonDocument::fromJson(m_buffer.mid(end + 4, size)).object();
        m_buffer.remove(0, end + 4 + size);
        if (m_id.isEmpty())
            m_id = reply.value("session_id").toString().toUtf8();
        else if (reply.value("success").toBool())
            ++chats;
        else if (++failures == 1)
            qWarning() << "bench_cluster: a chat failed:" << reply;
        if (*m_running && !m_id.isEmpty())
            send("/api/chat", R"({"session_id":")" + m_id + R"(","user_message":"An RSI 14 EA, lots 0.1"})");
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
    QByteArray m_id;
    const bool *m_running;
};

struct Setup
{
    bool model;
    int instances;
    bool redis;
};

class Cluster final
{
public:
    Cluster(const Setup &setup, quint16 modelPort) : m_setup(setup)
    {
        if (setup.redis) {
            m_redisPort = freePort();
            m_redis.start("redis-server", {"--port", QString::number(m_redisPort), "--bind", "127.0.0.1",
                                           "--save", "", "--appendonly", "no", "--dir", m_dir.path()});
            // The instances would start with their store unreachable.
            waitFor([this] { return answersOn(m_redisPort); });
        }
        for (int i = 0; i < setup.instances; ++i) {
            m_ports.append(freePort());
            QStringList arguments{"--port", QString::number(m_ports.last()), "--session-store",
                                  setup.redis ? QStringLiteral("redis://127.0.0.1:%1").arg(m_redisPort) : "memory"};
            if (setup.model)
                arguments += {"--backend", "openai", "--llm-base-url", QStringLiteral("http://127.0.0.1:%1").arg(modelPort),
                              "--llm-model", "bench", "--llm-concurrency", QString::number(clients)};
            auto process = std::make_unique<QProcess>();
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
            process->start(SERVER_PATH, arguments);
            m_instances.push_back(std::move(process));
        }
        m_nginxPort = freePort();
        startNginx();
    }

    ~Cluster()
    {
        for (QProcess *process : processes()) {
            process->terminate();
            process->waitForFinished();
        }
    }

    bool ready() const
    {
        for (const quint16 port : m_ports)
            if (!answersOn(port))
                return false;
        return answersOn(m_nginxPort) && (!m_setup.redis || answersOn(m_redisPort));
    }
    quint16 port() const { return m_nginxPort; }

    std::vector<QProcess *> processes()
    {
        std::vector<QProcess *> all{&m_nginx};
        for (auto &instance : m_instances)
            all.push_back(instance.get());
        if (m_setup.redis)
            all.push_back(&m_redis);
        return all;
    }
    double instancesCpu() const
    {
        double total = 0;
        for (const auto &instance : m_instances)
            total += cpuSeconds(instance->processId());
        return total;
    }
    double othersCpu() const
    {
        return cpuSeconds(m_nginx.processId()) + (m_setup.redis ? cpuSeconds(m_redis.processId()) : 0);
    }

private:
    // The shipped site with the ports filled in; its per-address limits left out, as every
    // client of the benchmark comes from one address.
    void startNginx()
    {
        QFile shipped(NGINX_SITE);
        shipped.open(QIODevice::ReadOnly);
        QString site = QString::fromUtf8(shipped.readAll());
        QString upstream;
        for (const quint16 port : m_ports)
            upstream += QStringLiteral("    server 127.0.0.1:%1;\n").arg(port);
        site.replace(QRegularExpression("    server 127\\.0\\.0\\.1:808\\d[^\n]*\n"), QString())
            .replace("upstream tavrinai_service {\n", "upstream tavrinai_service {\n" + upstream)
            .replace("listen [::]:80;", QString())
            .replace("listen 80;", QStringLiteral("listen 127.0.0.1:%1;").arg(m_nginxPort))
            .replace("limit_req zone=tavrinai_requests burst=20 nodelay;", QString())
            .replace("limit_conn tavrinai_connections 20;", QString());
        const QString d = m_dir.path();
        QFile conf(d + "/nginx.conf");
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("%1worker_processes 1;\npid %2/nginx.pid;\nevents { worker_connections 4096; }\n"
                                  "http { access_log off; client_body_temp_path %2/body; proxy_temp_path %2/proxy;\n"
                                  "fastcgi_temp_path %2/fcgi; uwsgi_temp_path %2/uwsgi; scgi_temp_path %2/scgi;\n%3\n}\n")
                       .arg(geteuid() == 0 ? "user root;\n" : "", d, site).toUtf8());
        conf.close();
        m_nginx.setStandardOutputFile(QProcess::nullDevice());
        m_nginx.start(QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"}),
                      {"-p", d, "-c", d + "/nginx.conf", "-e", d + "/error.log", "-g", "daemon off;"});
    }

    Setup m_setup;
    QTemporaryDir m_dir;
    QProcess m_redis;
    quint16 m_redisPort = 0;
    QList<quint16> m_ports;
    std::vector<std::unique_ptr<QProcess>> m_instances;
    QProcess m_nginx;
    quint16 m_nginxPort = 0;
};

// One request and its JSON answer, or an empty object when none comes within 10 s.
QJsonObject post(QNetworkAccessManager &network, quint16 port, const QString &path,
                 const QJsonObject &body)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply *reply = network.post(request, QJsonDocument(body).toJson());
    waitFor([reply] { return reply->isFinished(); });
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).object();
}

// Seconds from the kill of an instance in the middle of a chat until the other instance serves
// that chat, with a lease of leaseMs: the dead instance's lock lapses within one lease. Negative
// when the chat is not served within three leases.
double failoverSeconds(quint16 modelPort, int leaseMs)
{
    QTemporaryDir dir;
    // Takes the first instance's chat and never answers it, so that the chat is in flight.
    QTcpServer silentModel;
    silentModel.listen(QHostAddress::LocalHost);
    const quint16 redisPort = freePort();
    QProcess redis;
    redis.start("redis-server", {"--port", QString::number(redisPort), "--bind", "127.0.0.1",
                                 "--save", "", "--appendonly", "no", "--dir", dir.path()});
    waitFor([redisPort] { return answersOn(redisPort); });
    QProcess instances[2];
    quint16 ports[2] = {freePort(), freePort()};
    for (int i = 0; i < 2; ++i) {
        instances[i].setStandardOutputFile(QProcess::nullDevice());
        instances[i].setStandardErrorFile(QProcess::nullDevice());
        instances[i].start(SERVER_PATH, {"--port", QString::number(ports[i]), "--session-store",
                                         QStringLiteral("redis://127.0.0.1:%1").arg(redisPort),
                                         "--backend", "openai", "--llm-model", "bench",
                                         "--llm-base-url", QStringLiteral("http://127.0.0.1:%1").arg(i == 0 ? silentModel.serverPort() : modelPort),
                                         "--lock-lease-ms", QString::number(leaseMs)});
    }
    waitFor([&ports] { return answersOn(ports[0]) && answersOn(ports[1]); });
    QNetworkAccessManager network;
    const QString id = post(network, ports[0], "/api/new", {{"platform", "MT5"}, {"code_type", "ea"}}).value("session_id").toString();
    const QJsonObject chat{{"session_id", id}, {"user_message", "An RSI EA"}};
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/chat").arg(ports[0])));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply *inFlight = network.post(request, QJsonDocument(chat).toJson());
    waitFor([&] { return post(network, ports[1], "/api/chat", chat).value("error") == "chat_busy"; });
    instances[0].kill();
    instances[0].waitForFinished();
    QElapsedTimer clock;
    clock.start();
    bool served = false;
    while (!served && clock.elapsed() < 3 * leaseMs)
        served = post(network, ports[1], "/api/chat", chat).value("success").toBool();
    const double seconds = clock.elapsed() / 1000.0;
    inFlight->deleteLater();
    for (QProcess *process : {&instances[1], &redis}) {
        process->terminate();
        process->waitForFinished();
    }
    return served ? seconds : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"}).isEmpty()
        || QStandardPaths::findExecutable("redis-server").isEmpty()) {
        qWarning("bench_cluster: nginx or redis-server is not installed; skipped");
        return 0;
    }
    QThread modelThread;
    InstantModel model;
    model.moveToThread(&modelThread);
    modelThread.start();
    QMetaObject::invokeMethod(&model, [&model] { model.listen(); }, Qt::BlockingQueuedConnection);

    int lost = 0;
    double worstCpuPerChat = 0;
    for (const Setup setup : {Setup{false, 1, false}, Setup{false, 1, true}, Setup{false, 2, true},
                              Setup{true, 1, false}, Setup{true, 1, true}, Setup{true, 2, true}}) {
        Cluster cluster(setup, model.port());
        if (!waitFor([&cluster] { return cluster.ready(); })) {
            qWarning("bench_cluster: the cluster did not start");
            return 1;
        }
        bool running = true;
        std::vector<std::unique_ptr<Trader>> traders;
        for (int i = 0; i < clients; ++i)
            traders.push_back(std::make_unique<Trader>(cluster.port(), &running));
        // Warm-up, then the measured time.
        waitFor([start = QDateTime::currentMSecsSinceEpoch()] { return QDateTime::currentMSecsSinceEpoch() - start > 500; });
        int before = 0;
        for (const auto &trader : traders)
            before += trader->chats;
        const double instancesBefore = cluster.instancesCpu();
        const double othersBefore = cluster.othersCpu();
        QElapsedTimer clock;
        clock.start();
        waitFor([&clock] { return clock.elapsed() >= measureMs; });
        int chats = -before;
        for (const auto &trader : traders) {
            chats += trader->chats;
            lost += trader->failures;
        }
        const double seconds = clock.elapsed() / 1000.0;
        const double serviceCpuMs = (cluster.instancesCpu() - instancesBefore) * 1000 / qMax(chats, 1);
        const double allCpuMs = serviceCpuMs + (cluster.othersCpu() - othersBefore) * 1000 / qMax(chats, 1);
        running = false;
        const QString name = QStringLiteral("%1, %2 instance%3, %4 store")
                                 .arg(setup.model ? "instant model" : "templates")
                                 .arg(setup.instances)
                                 .arg(setup.instances > 1 ? "s" : "")
                                 .arg(setup.redis ? "Redis" : "memory");
        BenchSupport::printRow("cluster", name + ": chats per second", chats / seconds, "/s");
        BenchSupport::printRow("cluster", name + ": service CPU per chat", serviceCpuMs, "ms");
        BenchSupport::printRow("cluster", name + ": with nginx and Redis", allCpuMs, "ms");
        worstCpuPerChat = qMax(worstCpuPerChat, allCpuMs);
    }
    BenchSupport::printRow("cluster", "chats per second one core carries (heaviest setup, on paper)",
                           1000.0 / worstCpuPerChat, "/s");
    BenchSupport::printRow("cluster", "chats failed", lost, "");
    constexpr int leaseMs = 3000;
    const double failover = failoverSeconds(model.port(), leaseMs);
    BenchSupport::printRow("cluster", "a killed instance's chat served again after (lease 3 s)",
                           failover, "s");
    modelThread.quit();
    modelThread.wait();
    return lost == 0 && failover >= 0 ? 0 : 1;
}
