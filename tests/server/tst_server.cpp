// The real tavrin-server executable over HTTP: routes, status codes, streams on the wire and
// clients that hang up. The chat road itself is tested in-process (tst_servercore).
#include "fakemodel.h"
#include "protocol/eventstream.h"
#include "support/testenvironment.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpSocket>

namespace {

// A service process that ends with its test.
struct Service final : QProcess
{
    ~Service() override
    {
        kill();
        waitForFinished();
    }
};

// Starts the service on a free port; returns the port from its first line, or 0.
quint16 startService(QProcess &process, const QStringList &arguments)
{
    process.start(SERVER_PATH, QStringList{"--port", "0"} + arguments);
    while (!process.canReadLine() && process.waitForReadyRead(waitLimitMs)) {
    }
    static const QRegularExpression listening(R"(^tavrin-server listening on http://127\.0\.0\.1:(\d+)$)");
    return listening.match(QString::fromUtf8(process.readLine()).trimmed()).captured(1).toUShort();
}

QString systemPrompt(const QJsonObject &chat)
{
    return chat.value("messages").toArray().first().toObject().value("content").toString();
}

} // namespace

class TestServer final : public QObject
{
    Q_OBJECT

    Service m_service;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;

    QNetworkReply *sendAsync(const QByteArray &verb, const QString &path, const QByteArray &body, quint16 port)
    {
        QNetworkRequest request(QUrl("http://127.0.0.1:" + QString::number(port) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        return m_network.sendCustomRequest(request, verb, body);
    }

    // The status and the JSON body of the reply.
    static std::pair<int, QJsonObject> result(QNetworkReply *reply)
    {
        if (!reply->isFinished())
            QSignalSpy(reply, &QNetworkReply::finished).wait(waitLimitMs);
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                QJsonDocument::fromJson(reply->readAll()).object()};
    }

    QJsonObject post(const QString &path, const QJsonObject &body, quint16 port)
    {
        return result(sendAsync("POST", path, QJsonDocument(body).toJson(), port)).second;
    }

    QString open(quint16 port, const QString &platform = "MT5", const QString &type = "ea", const QString &lang = "en")
    {
        return post("/api/new", {{"platform", platform}, {"code_type", type}, {"lang", lang}}, port)
            .value("session_id").toString();
    }

    QNetworkReply *chatAsync(quint16 port, const QString &id, const QString &message, const QString &lang = "en")
    {
        const QJsonObject body{{"session_id", id}, {"user_message", message}, {"lang", lang}};
        return sendAsync("POST", "/api/chat", QJsonDocument(body).toJson(), port);
    }

    QJsonObject chat(quint16 port, const QString &id, const QString &message, const QString &lang = "en")
    {
        return result(chatAsync(port, id, message, lang)).second;
    }

    struct Streamed
    {
        QList<ServerSentEvent> events;
        // How many of the model's streams had ended when the first delta arrived.
        int modelStreamsEndedAtFirstDelta = -1;
        QList<QByteArray> named(const QByteArray &name) const
        {
            QList<QByteArray> data;
            for (const ServerSentEvent &event : events) {
                if (event.name == name)
                    data.append(event.data);
            }
            return data;
        }
    };

    // A chat asking for an event stream; atFirstDelta runs once the first piece has come.
    Streamed streamChat(quint16 port, const QString &id, const FakeModel &fake,
                        const std::function<void(QNetworkReply *)> &atFirstDelta)
    {
        QNetworkRequest request(QUrl("http://127.0.0.1:" + QString::number(port) + "/api/chat"));
        request.setRawHeader("Accept", "text/event-stream");
        QNetworkReply *reply = m_network.post(request, QJsonDocument(QJsonObject{{"session_id", id}, {"user_message", "An EA"}}).toJson());
        QSignalSpy finished(reply, &QNetworkReply::finished);
        EventStreamReader reader;
        Streamed streamed;
        connect(reply, &QNetworkReply::readyRead, this, [&] {
            for (const ServerSentEvent &event : reader.feed(reply->readAll())) {
                streamed.events.append(event);
                if (event.name == "delta" && streamed.modelStreamsEndedAtFirstDelta < 0) {
                    streamed.modelStreamsEndedAtFirstDelta = fake.streamsEnded;
                    atFirstDelta(reply);
                }
            }
        });
        if (!reply->isFinished())
            finished.wait(waitLimitMs);
        reply->deleteLater();
        return streamed;
    }

    static QString programOf(const QJsonObject &reply)
    {
        return reply.value("data").toObject().value("response").toString();
    }

    // The service with the model backend against the fake model, with short time-outs.
    quint16 startModelService(QProcess &service, const QString &baseUrl, const QStringList &extra = {})
    {
        return startService(service, QStringList{"--backend", "openai", "--llm-base-url", baseUrl, "--llm-timeout", "1"} + extra);
    }

private slots:
    void initTestCase()
    {
        m_port = startService(m_service, {"--min-version", "1.2.0", "--update-message", "<b>Update</b>"});
        QVERIFY2(m_port != 0, m_service.readAllStandardError().constData());
    }

    void sessionLifecycle()
    {
        const QJsonObject started = post("/api/new", {{"platform", "MT5"}, {"code_type", "indicator"}, {"lang", "zh-TW"}}, m_port);
        QVERIFY(started.value("message").toString().contains("MT5 指標"));
        const QString id = started.value("session_id").toString();
        QVERIFY(programOf(chat(m_port, id, "RSI 14 indicator")).contains("iRSI("));
        // The session keeps the idea so far: still an RSI, now of period 21.
        const QString refined = programOf(chat(m_port, id, "make the period 21"));
        QVERIFY(refined.contains("iRSI(") && refined.contains(QRegularExpression(R"(InpRsiPeriod\s*=\s*21;)")));

        const QByteArray session = QJsonDocument(QJsonObject{{"session_id", id}}).toJson();
        QCOMPARE(result(sendAsync("DELETE", "/api/session", session, m_port)).first, 200);
        QCOMPARE(chat(m_port, id, "RSI 14").value("success"), QJsonValue(false));
        QCOMPARE(result(sendAsync("DELETE", "/api/session", session, m_port)).first, 404);
    }

    void errorReply_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString oversized = R"({"client_version": "1.0.0")" + QString(1024 * 1024, u' ') + "}";

        QTest::newRow("unknown session") << "POST" << "/api/chat" << R"({"session_id": "x", "user_message": "RSI"})" << 200 << "unknown_session";
        QTest::newRow("missing platform") << "POST" << "/api/new" << R"({"code_type": "ea"})" << 400 << "invalid_request";
        QTest::newRow("missing user_message") << "POST" << "/api/chat" << R"({"session_id": "x"})" << 400 << "invalid_request";
        QTest::newRow("missing client_version") << "POST" << "/api/version_check" << "{}" << 400 << "invalid_request";
        QTest::newRow("invalid JSON") << "POST" << "/api/chat" << R"({"session_id": )" << 400 << "invalid_request";
        QTest::newRow("array body") << "POST" << "/api/new" << R"(["MT4"])" << 400 << "invalid_request";
        QTest::newRow("raw NUL in a string") << "POST" << "/api/version_check" << QString(R"({"client_version": "1.0.0X"})").replace('X', QChar(0))
                                             << 400 << "invalid_request";
        QTest::newRow("raw tab in a string") << "POST" << "/api/version_check" << "{\"client_version\": \"1.0\t.0\"}" << 400 << "invalid_request";
        QTest::newRow("body over 1 MiB") << "POST" << "/api/version_check" << oversized << 413 << "request_too_large";
        QTest::newRow("unknown path") << "POST" << "/api/generate" << "{}" << 404 << "not_found";
        QTest::newRow("POST session") << "POST" << "/api/session" << R"({"session_id": "x"})" << 405 << "method_not_allowed";
    }

    void errorReply()
    {
        QFETCH(QString, verb);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QString, error);

        const auto [replyStatus, reply] = result(sendAsync(verb.toLatin1(), path, body.toUtf8(), m_port));
        QCOMPARE(replyStatus, status);
        QCOMPARE(reply.value("error").toString(), error);
        QCOMPARE(reply.value("success"), QJsonValue(false));
        QVERIFY(!reply.value("message").toString().isEmpty());
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("clientVersion");
        QTest::addColumn<bool>("needUpdate");
        QTest::newRow("older") << "1.1.9" << true;
        QTest::newRow("same, shorter") << "1.2" << false;
        QTest::newRow("newer by number, older as text") << "1.10.0" << false;
    }

    void versionCheck()
    {
        QFETCH(QString, clientVersion);
        QFETCH(bool, needUpdate);
        QCOMPARE(post("/api/version_check", {{"client_version", clientVersion}}, m_port),
                 (QJsonObject{{"need_update", needUpdate}, {"min_version", "1.2.0"},
                              {"message", needUpdate ? "<b>Update</b>" : ""},
                              {"features", QJsonArray{"stream", "cancel", "compile_errors", "history"}}}));
    }

    void modelRequest_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("urlTail");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("apiKey");
        QTest::addColumn<QStringList>("promptParts");

        QTest::newRow("MT4 indicator, bare URL") << "MT4" << "indicator" << "en" << "" << "" << QByteArray()
                                                 << QStringList{"#property strict", "OnCalculate", "English"};
        QTest::newRow("MT5 EA, /v1, key") << "MT5" << "ea" << "zh-CN" << "/v1" << "qwen2.5-coder:7b" << QByteArray("sk-t")
                                          << QStringList{"CopyBuffer", "CTrade", "OnTick", "Simplified Chinese"};
        QTest::newRow("MT5 indicator, full path") << "MT5" << "indicator" << "zh-TW" << "/v1/chat/completions" << ""
                                                  << QByteArray() << QStringList{"CopyBuffer", "Traditional Chinese"};
        QTest::newRow("MT4 EA, doubled /v1") << "MT4" << "ea" << "en" << "/v1/v1/" << "My Model" << QByteArray()
                                             << QStringList{"OrderSend", "OnTick"};
    }

    void modelRequest()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(QString, lang);
        QFETCH(QString, urlTail);
        QFETCH(QString, model);
        QFETCH(QByteArray, apiKey);
        QFETCH(QStringList, promptParts);

        FakeModel fake;
        Service service;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVRIN_LLM_API_KEY", apiKey);
        environment.insert("TAVRIN_LLM_MODEL", model);
        service.setProcessEnvironment(environment);
        const quint16 port = startModelService(service, fake.url() + urlTail);
        chat(port, open(port, platform, codeType, lang), "An RSI one", lang);
        QVERIFY2(fake.heads.value(0).startsWith("POST /v1/chat/completions "), fake.heads.value(0).constData());
        // No Authorization header at all without a key.
        QCOMPARE(fake.heads[0].contains("Authorization: Bearer " + apiKey), !apiKey.isEmpty());
        QCOMPARE(fake.chats[0].value("model").toString(), model.isEmpty() ? "fake-model" : model);
        for (const QString &part : promptParts)
            QVERIFY2(systemPrompt(fake.chats[0]).contains(part), qPrintable(part));
        service.kill();
        service.waitForFinished();
        QVERIFY(apiKey.isEmpty() || !service.readAllStandardError().contains(apiKey));
    }

    void streamedChat_data()
    {
        QTest::addColumn<QList<Canned>>("script");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("messagePart");
        QTest::addColumn<QStringList>("phases");
        QTest::addColumn<bool>("modelCut");
        QStringList pieces{"Done.\n```mql5\n"};
        for (const QByteArray &line : validProgram.split('\n'))
            pieces.append(line + '\n');
        pieces.append("```");
        const QStringList noOnTick{"```mql5\nint OnInit() { return 0; }\n```"};
        Canned brokenStream = streamed(pieces.mid(0, 2), 50, "");
        brokenStream.chunks.append(R"(data: {"error": {"message": "slot lost"}})" "\n\n");
        const QStringList shortLimit{"--llm-timeout", "0.5"};
        const QStringList wrote{"writing", "checking"};

        QTest::newRow("deltas as they come") << QList{streamed(pieces, 100)} << QStringList() << "" << true << "Done." << wrote << false;
        QTest::newRow("steady beyond the silence limit") << QList{streamed(pieces, 250)} << shortLimit << "" << true << "Done." << wrote << false;
        QTest::newRow("reasoning hidden") << QList{streamed({"<thi", "nk>secret</th", "ink>```mql5\n" + validProgram + "```"}, 50)}
                                          << QStringList() << "" << true << "" << wrote << false;
        QTest::newRow("repair round") << QList{streamed(noOnTick, 50), streamed(pieces, 50)} << QStringList() << "" << true << ""
                                      << QStringList{"writing", "checking", "repairing", "checking"} << false;
        QTest::newRow("model error") << QList{canned(500, R"({"error": {"message": "slot lost"}})")} << QStringList() << "" << false
                                     << "slot lost" << QStringList{"writing"} << false;
        QTest::newRow("error in the stream") << QList{brokenStream} << QStringList() << "" << false << "slot lost" << QStringList{"writing"} << false;
        QTest::newRow("silent model") << QList{canned(200, {}, {}, 0, Canned::Silent)} << shortLimit << "" << false << "too long"
                                      << QStringList{"writing"} << true;
        QTest::newRow("stalls mid-stream") << QList{streamed(pieces.mid(0, 2), 50, "", Canned::StreamThenStall)} << shortLimit << "" << false
                                           << "too long" << QStringList{"writing"} << true;
        QTest::newRow("past the deadline") << QList{streamed(pieces, 400)} << QStringList{"--llm-deadline", "1"} << "" << false << "too long"
                                           << QStringList{"writing"} << true;
        QTest::newRow("stopped") << QList{streamed(pieces, 300)} << QStringList() << "cancel" << false << "Stopped" << QStringList{"writing"} << true;
        QTest::newRow("client leaves") << QList{streamed(pieces, 300)} << QStringList() << "leave" << false << "" << QStringList{"writing"} << true;
    }

    // Whatever happens to a streamed chat, the client hears of it once, and the session goes on.
    void streamedChat()
    {
        QFETCH(QList<Canned>, script);
        QFETCH(QStringList, options);
        QFETCH(QString, action);
        QFETCH(bool, success);
        QFETCH(QString, messagePart);
        QFETCH(QStringList, phases);
        QFETCH(bool, modelCut);

        FakeModel fake;
        fake.script = script;
        Service service;
        const quint16 port = startModelService(service, fake.url(), options);
        const QString id = open(port);
        const Streamed streamed = streamChat(port, id, fake, [&](QNetworkReply *reply) {
            if (action == "cancel")
                QCOMPARE(post("/api/cancel", {{"session_id", id}}, port), (QJsonObject{{"success", true}, {"api_type", "cancel"}, {"message", "Stopped."}}));
            if (action == "leave")
                reply->abort();
        });
        const QList<QByteArray> done = streamed.named("done");
        QCOMPARE(done.size(), action == "leave" ? 0 : 1);
        if (!done.isEmpty()) {
            const QJsonObject reply = QJsonDocument::fromJson(done[0]).object();
            QCOMPARE(reply.value("success").toBool(), success);
            QVERIFY2(reply.value("message").toString().contains(messagePart), done[0].constData());
            QCOMPARE(reply.value("error").toString(), success ? "" : action == "cancel" ? "stopped" : "model_failed");
            QCOMPARE(streamed.events.last().name, "done");
        }
        QStringList seen;
        for (const QByteArray &status : streamed.named("status"))
            seen.append(QJsonDocument::fromJson(status).object().value("phase").toString());
        QCOMPARE(seen, phases);
        QString text;
        for (const QByteArray &delta : streamed.named("delta"))
            text += QJsonDocument::fromJson(delta).object().value("text").toString();
        QVERIFY(!text.contains("secret") && !text.contains("think"));
        QVERIFY(!success || (text.contains("OnInit") && streamed.modelStreamsEndedAtFirstDelta == 0));
        QTRY_COMPARE(fake.cutByService, int(modelCut));
        QCOMPARE(chat(port, id, "again").value("success"), QJsonValue(true));
    }

    // A stream asked for with "Connection: close" ends with its connection, however it ends.
    void streamClosesItsConnection_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("stopped") << true;
        QTest::newRow("finished") << false;
    }
    void streamClosesItsConnection()
    {
        QFETCH(bool, cancel);
        FakeModel fake;
        fake.script = {streamed({QString::fromUtf8("Done.\n```mql5\n" + validProgram + "```")}, 300)};
        Service service;
        const quint16 port = startModelService(service, fake.url());
        const QString id = open(port);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        const QByteArray body = QJsonDocument(QJsonObject{{"session_id", id}, {"user_message", "An EA"}}).toJson();
        client.write("POST /api/chat HTTP/1.1\r\nHost: x\r\nAccept: text/event-stream\r\nConnection: close\r\n"
                     "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll()).contains("event: status"), waitLimitMs);
        if (cancel)
            QCOMPARE(post("/api/cancel", {{"session_id", id}}, port).value("success"), true);
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QAbstractSocket::UnconnectedState, waitLimitMs);
        received += client.readAll();
        QVERIFY2(received.endsWith("0\r\n\r\n"), received.right(200).constData());
        QCOMPARE(received.contains("\"error\":\"stopped\""), cancel);
    }

    // Direct connections live within bounds: a header in time, no body over the limit (refused
    // before it is sent), no idling past the idle time-out, no more connections than the cap.
    void connectionBounds_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("othersOpen");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("closedAfterMs");
        const QStringList quick{"--header-timeout-ms", "150", "--idle-timeout-ms", "300"};
        const QByteArray post = "POST /api/chat HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n";
        QByteArray chunks;
        for (int i = 0; i < 20; ++i)
            chunks += "10000\r\n" + QByteArray(0x10000, 'a') + "\r\n";
        const QByteArray tooLarge = "HTTP/1.1 413";
        const QByteArray badRequest = "HTTP/1.1 400";

        QTest::newRow("half-open") << quick << 0 << QByteArray() << QByteArray() << 150;
        QTest::newRow("header never ends") << quick << 0 << QByteArray(post) << QByteArray() << 150;
        QTest::newRow("200 MB declared") << quick << 0 << post + "Content-Length: 209715200\r\n\r\n" << tooLarge << 0;
        QTest::newRow("chunked past 1 MiB") << quick << 0 << post + "Transfer-Encoding: chunked\r\n\r\n" + chunks << tooLarge << 0;
        QTest::newRow("idle after an answer") << quick << 0 << QByteArray("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n")
                                              << QByteArray("HTTP/1.1 200") << 300;
        QTest::newRow("length and chunks") << quick << 0 << post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"
                                                                   "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n" << badRequest << 0;
        QTest::newRow("not a request line") << quick << 0 << QByteArray("HELLO THERE\r\nHost: x\r\n\r\n") << badRequest << 0;
        QTest::newRow("TLS spoken to plain HTTP") << quick << 0 << QByteArray("\x16\x03\x01\x02\x00\x01", 6) << badRequest << 0;
        QTest::newRow("no HTTP version") << quick << 0 << QByteArray("GET /healthz\r\n\r\n") << badRequest << 0;
    }
    void connectionBounds()
    {
        QFETCH(QStringList, options);
        QFETCH(int, othersOpen);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(int, closedAfterMs);
        Service service;
        const quint16 port = startService(service, options);
        std::vector<std::unique_ptr<QTcpSocket>> others;
        for (int i = 0; i < othersOpen; ++i) {
            others.push_back(std::make_unique<QTcpSocket>());
            others.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(others.back()->waitForConnected());
        }
        QTest::qWait(othersOpen > 0 ? 100 : 0);
        QTcpSocket client;
        QElapsedTimer open;
        open.start();
        client.connectToHost(QHostAddress::LocalHost, port);
        client.write(request);
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll(), client.state() == QAbstractSocket::UnconnectedState), waitLimitMs);
        received += client.readAll();
        QVERIFY2(received.startsWith(answer), received.left(200).constData());
        QVERIFY(answer != "HTTP/1.1 413" || received.contains("\"error\":\"request_too_large\""));
        QVERIFY(answer != "HTTP/1.1 400" || (received.contains("{\"error\":\"invalid_request\",\"message\":") && received.endsWith("\"success\":false}")));
        // Never a second request smuggled in behind the first.
        QVERIFY2(received.count("HTTP/1.1 ") <= 1, received.constData());
        // Coarse timers may fire a twentieth early.
        QVERIFY2(open.elapsed() >= closedAfterMs * 9 / 10 && open.elapsed() < closedAfterMs + 5000, qPrintable(QString::number(open.elapsed())));
        for (const auto &other : others)
            QCOMPARE(other->state(), QAbstractSocket::ConnectedState);
    }

    // At the cap, a connection that speaks takes the place of one that never did; one address
    // cannot take every place; with every place owed an answer, a newcomer is refused.
    void connectionShare_data()
    {
        QTest::addColumn<int>("share");
        QTest::addColumn<int>("othersOpen");
        QTest::addColumn<QByteArray>("othersSend");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("othersClosed");
        const QByteArray unfinished = "POST /api/chat HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n{";
        // The model server never answers: the health check keeps its connection owed an answer.
        const QByteArray waiting = "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n";
        QTest::newRow("silent ones make room") << 9 << 8 << QByteArray() << "127.0.0.1" << true << 1;
        QTest::newRow("unfinished bodies make room") << 9 << 8 << unfinished << "127.0.0.1" << true << 1;
        QTest::newRow("every one owed an answer") << 9 << 8 << waiting << "127.0.0.1" << false << 0;
        QTest::newRow("over the address's share") << 3 << 3 << QByteArray() << "127.0.0.1" << false << 0;
        QTest::newRow("another address") << 3 << 3 << QByteArray() << "127.0.0.2" << true << 0;
    }
    void connectionShare()
    {
        QFETCH(int, share);
        QFETCH(int, othersOpen);
        QFETCH(QByteArray, othersSend);
        QFETCH(QString, from);
        QFETCH(bool, answered);
        QFETCH(int, othersClosed);
        QTcpServer silentModel;
        QVERIFY(silentModel.listen(QHostAddress::LocalHost));
        Service service;
        const quint16 port = startModelService(service, "http://127.0.0.1:" + QString::number(silentModel.serverPort()),
                                               {"--max-connections", "8", "--max-connections-per-address", QString::number(share)});
        std::vector<std::unique_ptr<QTcpSocket>> others;
        for (int i = 0; i < othersOpen; ++i) {
            others.push_back(std::make_unique<QTcpSocket>());
            others.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(others.back()->waitForConnected());
            others.back()->write(othersSend);
        }
        QTest::qWait(200);
        QTcpSocket client;
        if (!client.bind(QHostAddress(from)))
            QSKIP("this system cannot bind a client socket to another loopback address");
        client.connectToHost(QHostAddress::LocalHost, port);
        if (!client.waitForConnected(waitLimitMs) && from != "127.0.0.1")
            QSKIP("this system does not connect from another loopback address");
        const QByteArray body = R"({"client_version": "1.0.0"})";
        client.write("POST /api/version_check HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: "
                     + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QByteArray received;
        QByteArray log;
        if (answered) {
            QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll(), client.state() == QAbstractSocket::UnconnectedState), waitLimitMs);
        } else {
            // The service's word that it refused is the verdict: a client under Wine may not see
            // the reset of a refused connection on loopback. Whatever came meanwhile is read.
            QTRY_VERIFY_WITH_TIMEOUT((log += service.readAllStandardError()).contains("at the connection limits"), waitLimitMs);
            const bool closeSeen = QTest::qWaitFor([&client, &received] {
                received += client.readAll();
                return client.state() == QAbstractSocket::UnconnectedState;
            }, 2000);
            if (!closeSeen)
                qInfo("the client did not see its refused connection close");
        }
        received += client.readAll();
        QVERIFY2(answered ? received.startsWith("HTTP/1.1 200") : received.isEmpty(), received.constData());
        const auto closed = [&others] {
            return int(std::count_if(others.begin(), others.end(), [](const auto &other) { return other->state() != QAbstractSocket::ConnectedState; }));
        };
        QTRY_COMPARE_WITH_TIMEOUT(closed(), othersClosed, waitLimitMs);
        if (othersClosed > 0)
            QTRY_VERIFY_WITH_TIMEOUT((log += service.readAllStandardError()).contains("at the connection limits"), waitLimitMs);
    }

    // The API key goes to the model server only, and never comes back from it into an answer
    // or the log.
    void modelSecretsKept_data()
    {
        QTest::addColumn<bool>("redirect");
        QTest::newRow("key echoed in an error") << false;
        QTest::newRow("redirect to another port") << true;
    }
    void modelSecretsKept()
    {
        QFETCH(bool, redirect);
        const QByteArray key = "sk-very-secret-1";
        FakeModel fake;
        FakeModel elsewhere;
        fake.script = {redirect ? canned(307, {}, "Location: " + elsewhere.url().toUtf8() + "/v1/chat/completions\r\n")
                                : canned(500, R"({"error": {"message": "Incorrect API key provided: )" + key + R"("}})")};
        Service service;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVRIN_LLM_API_KEY", key);
        environment.insert("TAVRIN_LLM_MODEL", "fake-model");
        service.setProcessEnvironment(environment);
        const quint16 port = startModelService(service, fake.url());
        const QJsonObject reply = chat(port, open(port), "An EA");
        QCOMPARE(reply.value("success"), false);
        const QString message = reply.value("message").toString();
        QVERIFY2(!message.contains(key) && message.contains("***") == !redirect, qPrintable(message));
        QVERIFY(elsewhere.heads.isEmpty());
        // Asked often, the health check asks the model server once.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(result(sendAsync("GET", "/healthz", {}, port)).second.value("model").toString(), "reachable");
        QCOMPARE(fake.modelLists, 2);
        service.kill();
        service.waitForFinished();
        QVERIFY(!service.readAllStandardError().contains(key));
    }

    // A monitor tells a model server that is down from one that refuses the key.
    void health_data()
    {
        QTest::addColumn<int>("modelListStatus");
        QTest::addColumn<bool>("modelDown");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("model");
        QTest::newRow("up") << 200 << false << 200 << "reachable";
        QTest::newRow("key refused") << 401 << false << 503 << "key_refused";
        QTest::newRow("forbidden") << 403 << false << 503 << "key_refused";
        QTest::newRow("down") << 200 << true << 503 << "unreachable";
    }
    void health()
    {
        QFETCH(int, modelListStatus);
        QFETCH(bool, modelDown);
        QFETCH(int, status);
        QFETCH(QString, model);
        FakeModel fake;
        fake.modelListStatus = modelListStatus;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString downUrl = "http://127.0.0.1:" + QString::number(closed.serverPort());
        closed.close();
        Service service;
        const quint16 port = startModelService(service, modelDown ? downUrl : fake.url());
        const auto [replyStatus, reply] = result(sendAsync("GET", "/healthz", {}, port));
        QCOMPARE(replyStatus, status);
        QCOMPARE(reply.value("model").toString(), model);
        QCOMPARE(reply.value("healthy").toBool(), status == 200);
    }

    void concurrentChats()
    {
        FakeModel fake;
        Canned slow;
        slow.delayMs = 1500;
        slow.body = completion("```mql5\n// first\n" + validProgram + "```");
        fake.script = {slow, canned(200, completion("```mql5\n// second\n" + validProgram + "```")),
                       canned(200, {}, {}, 0, Canned::Silent), canned(200, {}, {}, 0, Canned::Silent)};
        Service service;
        const quint16 port = startModelService(service, fake.url(), {"--llm-timeout", "5"});
        const QStringList ids{open(port), open(port), open(port), open(port)};

        QNetworkReply *first = chatAsync(port, ids[0], "first");
        QTRY_COMPARE(fake.chats.size(), 1);
        QCOMPARE(chat(port, ids[0], "again").value("error").toString(), "chat_busy");
        // Answered in reverse order, each to its own session.
        QVERIFY(chat(port, ids[1], "second").value("data").toObject().value("response").toString().contains("second"));
        QVERIFY(!first->isFinished());
        QVERIFY(result(first).second.value("data").toObject().value("response").toString().contains("first"));

        // DELETE answers the waiting chat at once.
        QNetworkReply *cancelled = chatAsync(port, ids[2], "never answered");
        QTRY_COMPARE(fake.chats.size(), 3);
        QCOMPARE(result(sendAsync("DELETE", "/api/session", QJsonDocument(QJsonObject{{"session_id", ids[2]}}).toJson(), port)).first, 200);
        const QJsonObject ended = result(cancelled).second;
        QVERIFY(ended.value("message").toString().contains("ended"));
        QCOMPARE(ended.value("error").toString(), "stopped");

        // A client that goes away cancels its request: the session takes the next one at once.
        QTcpSocket gone;
        gone.connectToHost(QHostAddress::LocalHost, port);
        const QByteArray body = QJsonDocument(QJsonObject{{"session_id", ids[3]}, {"user_message", "gone"}}).toJson();
        gone.write("POST /api/chat HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QTRY_COMPARE(fake.chats.size(), 4);
        gone.close();
        QByteArray log;
        QTRY_VERIFY((log += service.readAllStandardError()).contains("(client gone)"));
        QCOMPARE(chat(port, ids[3], "back").value("success"), QJsonValue(true));
        QCOMPARE(service.state(), QProcess::Running);
    }

    void realModelServer()
    {
        const QString baseUrl = qEnvironmentVariable("TAVRIN_LLM_BASE_URL");
        if (baseUrl.isEmpty())
            QSKIP("TAVRIN_LLM_BASE_URL is not set: no real model server to test against");
        Service service;
        const quint16 port = startService(service, {"--backend", "openai", "--llm-base-url", baseUrl});
        QVERIFY(port != 0);
        const QString id = open(port, "MT5", "indicator");
        QNetworkReply *reply = chatAsync(port, id, "An RSI(14) indicator in a separate window");
        QSignalSpy(reply, &QNetworkReply::finished).wait(300000);
        const QJsonObject answer = result(reply).second;
        QVERIFY2(answer.value("success").toBool(), qPrintable(answer.value("message").toString()));
        QCOMPARE(errorsOf(answer.value("data").toObject().value("response").toString(), false, true), QStringList());
    }
};

BREVAN_CORE_TEST_MAIN(TestServer)
#include "tst_server.moc"
