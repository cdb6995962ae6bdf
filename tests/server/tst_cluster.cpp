// Several instances of the real tavrin-server sharing their chats in a real redis-server, and
// the shipped nginx site in front of them, all on loopback ports picked here.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int waitMs = 20000;
// Short, so that a dead instance's chat is free again soon.
constexpr int leaseMs = 1500;
// How long a stopped instance lets its chats finish.
constexpr int graceMs = 300;
const QByteArray secret = "s3cret-pw";

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

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmRSS:");
    return text.mid(at + 6, text.indexOf("kB", at) - at - 6).trimmed().toLongLong();
}

// A model server that answers at once, except requests that say "hold" (never answered), "drip"
// (an event stream whose end comes 1.5 s after its start) and "trickle" (the same in 0.6 s); it
// records every request.
class FakeModel final : public QTcpServer
{
public:
    QList<QByteArray> requests;

    FakeModel()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = buffer.left(headEnd).toLower();
        const qsizetype at = head.indexOf("content-length:");
        const qsizetype length = at < 0 ? 0 : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        const QByteArray body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);
        if (head.startsWith("get"))
            return reply(socket, "application/json", R"({"data":[{"id":"fake"}]})");
        requests.append(body);
        const QByteArray program = "int OnInit() { return 0; }\nvoid OnTick() {}\n";
        const auto event = [](const QByteArray &text) {
            return "data: " + QJsonDocument(QJsonObject{{"choices", QJsonArray{QJsonObject{{"delta", QJsonObject{{"content", QString::fromUtf8(text)}}}}}}}).toJson(QJsonDocument::Compact) + "\n\n";
        };
        if (body.contains("hold"))
            return;
        if (!body.contains("drip") && !body.contains("trickle")) {
            const QJsonObject message{{"role", "assistant"}, {"content", QString::fromUtf8("Done.\n```mql5\n" + program + "```")}};
            return reply(socket, "application/json", QJsonDocument(QJsonObject{{"choices", QJsonArray{QJsonObject{{"message", message}, {"finish_reason", "stop"}}}}}).toJson());
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n" + event("Here:\n```mql5\n"));
        QTimer::singleShot(body.contains("drip") ? 1500 : 600, socket, [socket, event, program] {
            socket->write(event(program + "```") + "data: [DONE]\n\n");
            socket->disconnectFromHost();
        });
    }

    static void reply(QTcpSocket *socket, const QByteArray &type, const QByteArray &body)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }

    QHash<QTcpSocket *, QByteArray> m_buffers;
};

} // namespace

class TestCluster final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeModel m_model;
    QProcess m_redis;
    quint16 m_redisPort = 0;
    std::unique_ptr<QProcess> m_instances[2];
    quint16 m_ports[2] = {};
    QByteArray m_logs;
    QProcess m_nginx;
    quint16 m_nginxPort = 0;
    QNetworkAccessManager m_network;

    void startRedis()
    {
        m_redis.start(QStringLiteral("redis-server"),
                      {"--port", QString::number(m_redisPort), "--bind", "127.0.0.1", "--save", "",
                       "--appendonly", "no", "--dir", m_dir.path()});
        QTRY_VERIFY_WITH_TIMEOUT(answersOn(m_redisPort), waitMs);
    }

    // Instance i, on its earlier port when it had one.
    void startInstance(int i)
    {
        if (m_instances[i])
            m_logs += m_instances[i]->readAll();
        m_instances[i] = std::make_unique<QProcess>();
        QProcess &process = *m_instances[i];
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(SERVER_PATH),
                      {"--port", QString::number(m_ports[i]), "--backend", "openai",
                       "--llm-base-url", QStringLiteral("http://trader:%1@127.0.0.1:%2/v1").arg(QString::fromLatin1(secret)).arg(m_model.serverPort()),
                       "--session-store", QStringLiteral("redis://127.0.0.1:%1").arg(m_redisPort),
                       "--trusted-proxy", "127.0.0.1", "--lock-lease-ms", QString::number(leaseMs),
                       "--store-timeout-ms", "500", "--stop-grace-ms", QString::number(graceMs)});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readLine()).contains("listening on"), waitMs);
        m_logs += out;
        m_ports[i] = quint16(QRegularExpression("listening on http://127.0.0.1:(\\d+)").match(out).captured(1).toUInt());
    }

    QNetworkReply *send(quint16 port, const QByteArray &verb, const QString &path, const QJsonObject &body,
                        const QByteArray &accept = "application/json")
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("Accept", accept);
        return m_network.sendCustomRequest(request, verb, QJsonDocument(body).toJson());
    }

    static QJsonObject answerOf(QNetworkReply *reply)
    {
        if (!reply->isFinished())
            QSignalSpy(reply, &QNetworkReply::finished).wait(waitMs);
        reply->deleteLater();
        return QJsonDocument::fromJson(reply->readAll()).object();
    }

    QJsonObject call(quint16 port, const QString &path, const QJsonObject &body, const QByteArray &verb = "POST")
    {
        return answerOf(send(port, verb, path, body));
    }

    QString openChat(quint16 port)
    {
        return call(port, "/api/new", {{"platform", "MT5"}, {"code_type", "ea"}}).value("session_id").toString();
    }

    QJsonObject chat(quint16 port, const QString &id, const QString &message)
    {
        return call(port, "/api/chat", {{"session_id", id}, {"user_message", message}});
    }

    QByteArray metrics(quint16 port)
    {
        QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
        QSignalSpy(reply, &QNetworkReply::finished).wait(waitMs);
        reply->deleteLater();
        return reply->readAll();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("redis-server").isEmpty())
            QSKIP("redis-server is not installed (tools/install-deps.sh test installs it)");
        m_redisPort = freePort();
        startRedis();
        startInstance(0);
        startInstance(1);
    }

    // Any instance answers any chat, with its history, also after a restart.
    void chatMovesBetweenInstances()
    {
        const QString id = openChat(m_ports[0]);
        const QJsonObject first = chat(m_ports[0], id, "an RSI 14 EA");
        QVERIFY2(first.value("success").toBool(), QJsonDocument(first).toJson().constData());
        QVERIFY(chat(m_ports[1], id, "make the period 21").value("success").toBool());
        QVERIFY(m_model.requests.last().contains("an RSI 14 EA"));
        m_instances[0]->kill();
        m_instances[0]->waitForFinished();
        startInstance(0);
        QVERIFY(chat(m_ports[0], id, "lots 0.5").value("success").toBool());
        QVERIFY(m_model.requests.last().contains("an RSI 14 EA"));
        QVERIFY(m_model.requests.last().contains("make the period 21"));
    }

    // A chat's generation runs on one instance; the other one knows and can end it.
    void oneRequestPerChatAcrossInstances()
    {
        const QString id = openChat(m_ports[0]);
        QNetworkReply *running = send(m_ports[0], "POST", "/api/chat", {{"session_id", id}, {"user_message", "hold on"}});
        QTRY_VERIFY_WITH_TIMEOUT(m_model.requests.last().contains("hold on"), waitMs);
        QCOMPARE(chat(m_ports[1], id, "another").value("error"), "chat_busy");
        QCOMPARE(call(m_ports[1], "/api/session", {{"session_id", id}}, "DELETE").value("success"), true);
        QCOMPARE(answerOf(running).value("error"), "stopped");
        QCOMPARE(chat(m_ports[0], id, "again").value("error"), "unknown_session");
    }

    // The lock is a lease: held while its instance works, free within the lease once that
    // instance is killed. A Stop meanwhile says so instead of claiming to have stopped the chat,
    // and so does a request once the lease is no longer renewed, in the chat's language.
    void killedInstanceFreesItsChat_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("stoppedSays");
        QTest::newRow("English") << "en" << "instance that was answering this chat stopped";
        QTest::newRow("Simplified Chinese") << "zh-CN" << "服务实例已停止";
        QTest::newRow("Traditional Chinese") << "zh-TW" << "服務實例已停止";
    }
    void killedInstanceFreesItsChat()
    {
        QFETCH(QString, lang);
        QFETCH(QString, stoppedSays);
        const auto chatIn = [&](quint16 port, const QString &id, const QString &message) {
            return call(port, "/api/chat", {{"session_id", id}, {"user_message", message}, {"lang", lang}});
        };
        const QString id = openChat(m_ports[0]);
        QNetworkReply *running = send(m_ports[0], "POST", "/api/chat", {{"session_id", id}, {"user_message", "hold fast"}});
        QTRY_VERIFY_WITH_TIMEOUT(m_model.requests.value(m_model.requests.size() - 1).contains("hold fast"), waitMs);
        QTest::qWait(leaseMs + 500);
        const QJsonObject working = chatIn(m_ports[1], id, "another");
        QCOMPARE(working.value("error").toString(), "chat_busy");
        QVERIFY(!working.value("message").toString().contains(stoppedSays));
        m_instances[0]->kill();
        m_instances[0]->waitForFinished();
        QElapsedTimer sinceKill;
        sinceKill.start();
        // Both wait for the killed instance at once, well within its lease.
        QNetworkReply *stopping = send(m_ports[1], "POST", "/api/cancel", {{"session_id", id}});
        const QString stale = chatIn(m_ports[1], id, "an MA EA").value("message").toString();
        QVERIFY2(stale.contains(QRegularExpression(stoppedSays + ".* [12] ")), qPrintable(stale));
        const QJsonObject stop = answerOf(stopping);
        QCOMPARE(stop.value("success"), false);
        QCOMPARE(stop.value("error").toString(), "chat_busy");
        QTRY_VERIFY_WITH_TIMEOUT(chatIn(m_ports[1], id, "an MA EA").value("success").toBool(), waitMs);
        QVERIFY2(sinceKill.elapsed() < leaseMs + 1000, qPrintable(QString::number(sinceKill.elapsed())));
        const QByteArray counted = metrics(m_ports[1]);
        QVERIFY(counted.contains("tavrin_store_up 1\n"));
        QVERIFY(counted.contains(R"(tavrin_requests_total{endpoint="/api/cancel",status="200",outcome="chat_busy"})"));
        running->deleteLater();
        startInstance(0);
    }

    // A stopped instance (systemctl stop, an upgrade) lets its chats finish for a while, then
    // tells their clients to send again, frees the chats at once and exits cleanly.
    void terminatedInstanceEndsItsChats()
    {
        const QString id = openChat(m_ports[0]);
        QNetworkReply *running = send(m_ports[0], "POST", "/api/chat", {{"session_id", id}, {"user_message", "hold it"}},
                                      "text/event-stream");
        QTRY_VERIFY_WITH_TIMEOUT(m_model.requests.value(m_model.requests.size() - 1).contains("hold it"), waitMs);
        QElapsedTimer sinceTerm;
        sinceTerm.start();
        m_instances[0]->terminate();
        QVERIFY(m_instances[0]->waitForFinished(waitMs));
        QCOMPARE(m_instances[0]->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_instances[0]->exitCode(), 0);
        // Coarse timers may fire a twentieth early.
        QVERIFY2(sinceTerm.elapsed() >= graceMs * 19 / 20, qPrintable(QString::number(sinceTerm.elapsed())));
        QSignalSpy(running, &QNetworkReply::finished).wait(waitMs);
        const QByteArray stream = running->readAll();
        running->deleteLater();
        QVERIFY2(stream.contains("event: done") && stream.contains("\"error\":\"service_restarting\""), stream.constData());
        QVERIFY(chat(m_ports[1], id, "an MA EA").value("success").toBool());
        startInstance(0);
    }

    // While Redis stalls, a turn that cannot be saved says so beside its program, and a lock
    // command that Redis runs only after the service gave up on it leaves no lock behind.
    void redisStall()
    {
        const QString finishing = openChat(m_ports[0]);
        const QString refused = openChat(m_ports[1]);
        QNetworkReply *turn = send(m_ports[0], "POST", "/api/chat", {{"session_id", finishing}, {"user_message", "trickle"}});
        QTRY_VERIFY_WITH_TIMEOUT(m_model.requests.value(m_model.requests.size() - 1).contains("trickle"), waitMs);
        ::kill(pid_t(m_redis.processId()), SIGSTOP);
        QCOMPARE(chat(m_ports[1], refused, "an MA EA").value("error").toString(), "store_unavailable");
        QVERIFY(metrics(m_ports[1]).contains("tavrin_store_up 0\n"));
        const QJsonObject unsaved = answerOf(turn);
        QCOMPARE(unsaved.value("error").toString(), "chat_not_saved");
        QVERIFY(unsaved.value("data").toObject().value("response").toString().contains("OnTick"));
        ::kill(pid_t(m_redis.processId()), SIGCONT);
        QJsonObject next;
        QTRY_VERIFY_WITH_TIMEOUT((next = chat(m_ports[1], refused, "an MA EA")).value("error") != "store_unavailable", waitMs);
        QVERIFY2(next.value("success").toBool(), QJsonDocument(next).toJson().constData());
    }

    // Paths and session ids cannot forge a line of the log.
    void logLinesUnforged()
    {
        QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl::fromEncoded("http://127.0.0.1:" + QByteArray::number(m_ports[1]) + "/x%0AFORGED")));
        QCOMPARE(answerOf(reply).value("success"), false);
        QCOMPARE(chat(m_ports[1], "a\nFORGED", "hi").value("error").toString(), "unknown_session");
    }

    void redisOutage()
    {
        m_redis.kill();
        m_redis.waitForFinished();
        QCOMPARE(call(m_ports[1], "/api/new", {{"platform", "MT4"}, {"code_type", "indicator"}, {"lang", "zh-TW"}}).value("error"),
                 "store_unavailable");
        QNetworkRequest health(QUrl(QStringLiteral("http://127.0.0.1:%1/healthz").arg(m_ports[1])));
        QCOMPARE(answerOf(m_network.get(health)).value("store"), "unreachable");
        startRedis();
        QTRY_VERIFY_WITH_TIMEOUT(!openChat(m_ports[1]).isEmpty(), waitMs);
        QVERIFY(chat(m_ports[0], openChat(m_ports[1]), "an MA EA").value("success").toBool());
    }

    void throughNginx()
    {
        const QString nginx = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"});
        if (nginx.isEmpty())
            QSKIP("nginx is not installed (tools/install-deps.sh test installs it)");
        QFile shipped(QStringLiteral(NGINX_SITE));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QString site = QString::fromUtf8(shipped.readAll());
        m_nginxPort = freePort();
        site.replace(QRegularExpression("listen \\[::\\]:80;"), QString())
            .replace("listen 80;", QStringLiteral("listen 127.0.0.1:%1;").arg(m_nginxPort))
            .replace("127.0.0.1:8080", QStringLiteral("127.0.0.1:%1").arg(m_ports[0]))
            .replace("127.0.0.1:8081", QStringLiteral("127.0.0.1:%1").arg(m_ports[1]));
        const QString d = m_dir.path();
        QFile conf(d + "/nginx.conf");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("%1worker_processes 1;\npid %2/nginx.pid;\nevents { worker_connections 1024; }\n"
                                  "http { access_log off; client_body_temp_path %2/body; proxy_temp_path %2/proxy;\n"
                                  "fastcgi_temp_path %2/fcgi; uwsgi_temp_path %2/uwsgi; scgi_temp_path %2/scgi;\n%3\n}\n")
                       .arg(geteuid() == 0 ? "user root;\n" : "", d, site).toUtf8());
        conf.close();
        m_nginx.setProcessChannelMode(QProcess::ForwardedChannels);
        m_nginx.start(nginx, {"-p", d, "-c", d + "/nginx.conf", "-e", d + "/error.log", "-g", "daemon off;"});
        QTRY_VERIFY_WITH_TIMEOUT(answersOn(m_nginxPort), waitMs);

        // Refused from its Content-Length: no instance reads it, none grows.
        const qint64 before = residentKiB(m_instances[0]->processId()) + residentKiB(m_instances[1]->processId());
        QTcpSocket big;
        big.connectToHost(QHostAddress::LocalHost, m_nginxPort);
        QVERIFY(big.waitForConnected(waitMs));
        big.write("POST /api/chat HTTP/1.1\r\nHost: t\r\nContent-Type: application/json\r\nContent-Length: 52428800\r\n\r\n");
        big.write(QByteArray(1 << 20, 'a'));
        QByteArray refusal;
        QTRY_VERIFY_WITH_TIMEOUT((refusal += big.readAll()).contains("}") || big.state() != QAbstractSocket::ConnectedState, waitMs);
        QVERIFY2(refusal.startsWith("HTTP/1.1 413") && refusal.contains("Content-Type: application/json")
                     && refusal.contains(R"("success": false, "error": "request_too_large")"), refusal.constData());
        const qint64 after = residentKiB(m_instances[0]->processId()) + residentKiB(m_instances[1]->processId());
        QVERIFY2(after - before < 2048, qPrintable(QStringLiteral("grew by %1 KiB").arg(after - before)));

        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 300; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, m_nginxPort);
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(idle.begin(), idle.end(), [](const auto &s) { return s->state() == QAbstractSocket::ConnectedState; }), waitMs);
        const QString id = openChat(m_nginxPort);
        QVERIFY(!id.isEmpty());

        // Each event as it comes: the first long before the model's end.
        QElapsedTimer clock;
        clock.start();
        QNetworkReply *stream = send(m_nginxPort, "POST", "/api/chat", {{"session_id", id}, {"user_message", "drip"}}, "text/event-stream");
        QByteArray events;
        qint64 firstDeltaMs = -1;
        connect(stream, &QNetworkReply::readyRead, this, [&] {
            events += stream->readAll();
            if (firstDeltaMs < 0 && events.contains("event: delta"))
                firstDeltaMs = clock.elapsed();
        });
        QTRY_VERIFY_WITH_TIMEOUT(events.contains("event: done"), waitMs);
        QVERIFY2(firstDeltaMs >= 0 && firstDeltaMs < 1000, qPrintable(QString::number(firstDeltaMs)));
        QVERIFY(clock.elapsed() >= 1400);
        QVERIFY(events.contains(R"("success":true)"));
        stream->deleteLater();

        // Past the per-address rate, refused in the service's JSON.
        std::vector<QNetworkReply *> burst;
        for (int i = 0; i < 40; ++i)
            burst.push_back(send(m_nginxPort, "POST", "/api/version_check", {{"client_version", "1.0.0"}}));
        QList<QJsonObject> limited;
        for (QNetworkReply *reply : burst) {
            const bool json = reply->isFinished() || QSignalSpy(reply, &QNetworkReply::finished).wait(waitMs);
            if (json && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 429) {
                QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), "application/json");
                limited.append(answerOf(reply));
            } else {
                reply->deleteLater();
            }
        }
        QVERIFY(!limited.isEmpty());
        QCOMPARE(limited.first().value("error").toString(), "rate_limited");
        QCOMPARE(limited.first().value("success"), false);
    }

    void cleanupTestCase()
    {
        if (m_redisPort == 0)
            return;
        for (auto &instance : m_instances) {
            if (instance)
                m_logs += instance->readAll();
        }
        QVERIFY(!m_logs.contains(secret));
        QVERIFY(m_logs.contains("http://***@127.0.0.1"));
        QVERIFY(m_logs.contains("client=127.0.0.1"));
        QVERIFY(m_logs.contains("\\nFORGED") && !m_logs.contains("\nFORGED"));
        for (QProcess *process : {&m_nginx, m_instances[0].get(), m_instances[1].get(), &m_redis}) {
            if (process && process->state() == QProcess::Running) {
                process->terminate();
                process->waitForFinished();
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCluster)
#include "tst_cluster.moc"
