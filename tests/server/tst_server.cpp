#include "protocol/eventstream.h"
#include "support/testenvironment.h"

#include <mqlcheck.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Generous: only a hung service should ever reach it.
constexpr int waitLimitMs = 30000;
const QByteArray validProgram = "int OnInit() { return 0; }\nvoid OnTick() {}\n"
                                "int OnCalculate(const int total) { return total; }\n";

QByteArray completion(const QString &content, const QString &finishReason = "stop")
{
    const QJsonObject choice{{"message", QJsonObject{{"role", "assistant"}, {"content", content}}},
                             {"finish_reason", finishReason}};
    return QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson();
}

// One scripted answer of the fake model server.
struct Canned
{
    int status = 200;
    QByteArray body = completion("Done.\n```mql5\n" + validProgram + "```");
    QByteArray headers;
    int delayMs = 0;
    enum Mode { Answer, Silent, CutMidBody, Stream, StreamThenStall } mode = Answer;
    // Stream: written one per delayMs.
    QList<QByteArray> chunks = {};
};

Canned canned(int status, const QByteArray &body, const QByteArray &headers = {}, int delayMs = 0,
              Canned::Mode mode = Canned::Answer)
{
    return {status, body, headers, delayMs, mode};
}

// An OpenAI-style stream of the pieces, with a finish_reason and [DONE] unless finish is empty.
Canned streamed(const QStringList &pieces, int intervalMs, const QString &finish = "stop",
                Canned::Mode mode = Canned::Stream)
{
    Canned result = canned(200, {}, {}, intervalMs, mode);
    const auto event = [](const QJsonObject &choice) {
        return "data: " + QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson(QJsonDocument::Compact) + "\n\n";
    };
    for (const QString &piece : pieces)
        result.chunks.append(event({{"delta", QJsonObject{{"content", piece}}}, {"finish_reason", QJsonValue::Null}}));
    if (!finish.isEmpty())
        result.chunks += {event({{"delta", QJsonObject{}}, {"finish_reason", finish}}), "data: [DONE]\n\n"};
    return result;
}

// An OpenAI-compatible model server on loopback: answers from its script in order (a valid
// program when it runs out) and records each chat request.
class FakeModel final : public QObject
{
public:
    QList<Canned> script;
    QList<QJsonObject> chats;
    QList<QByteArray> heads;
    int modelLists = 0;
    int inFlight = 0;
    int mostInFlight = 0;
    int streamsEnded = 0;
    // Connections that the service closed before the answer was complete.
    int cutByService = 0;

    FakeModel()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QString url() const { return "http://127.0.0.1:" + QString::number(m_server.serverPort()); }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        static const QRegularExpression length("content-length:\\s*(\\d+)", QRegularExpression::CaseInsensitiveOption);
        const qsizetype size = length.match(QString::fromLatin1(buffer.left(end))).captured(1).toLongLong();
        if (end < 0 || buffer.size() < end + 4 + size)
            return;
        const QByteArray head = buffer.left(end);
        const QByteArray body = buffer.mid(end + 4, size);
        buffer.clear();
        if (head.startsWith("GET") && head.contains("/v1/models ")) {
            ++modelLists;
            answer(socket, canned(200, R"({"object": "list", "data": [{"id": "fake-model"}]})"));
            return;
        }
        chats.append(QJsonDocument::fromJson(body).object());
        heads.append(head);
        const Canned canned = script.isEmpty() ? Canned() : script.takeFirst();
        mostInFlight = qMax(mostInFlight, ++inFlight);
        QTimer::singleShot(canned.mode >= Canned::Stream ? 0 : canned.delayMs, socket, [this, socket, canned] {
            --inFlight;
            answer(socket, canned);
        });
    }

    void answer(QTcpSocket *socket, const Canned &canned)
    {
        auto complete = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::disconnected, this, [this, complete] { cutByService += !*complete; });
        if (canned.mode == Canned::Silent)
            return;
        if (canned.mode >= Canned::Stream)
            return stream(socket, canned, complete);
        *complete = true;
        const qsizetype length = canned.body.size() + (canned.mode == Canned::CutMidBody ? 100 : 0);
        socket->write("HTTP/1.1 " + QByteArray::number(canned.status) + " X\r\nContent-Type: application/json\r\n"
                      + "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n"
                      + canned.headers + "\r\n" + canned.body);
        socket->disconnectFromHost();
    }

    void stream(QTcpSocket *socket, const Canned &canned, const std::shared_ptr<bool> &complete)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n");
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [this, socket, timer, canned, complete, next = qsizetype(0)]() mutable {
            if (next < canned.chunks.size())
                return void(socket->write(canned.chunks.at(next++)));
            timer->stop();
            ++streamsEnded;
            if (canned.mode == Canned::Stream) {
                *complete = true;
                socket->disconnectFromHost();
            }
        });
        timer->start(canned.delayMs);
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

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

QStringList errorsOf(const QString &program, bool mql4, bool indicator)
{
    QStringList errors;
    for (const mqlcheck::Finding &finding :
         mqlcheck::checkProgram(program.toStdString(), mql4 ? mqlcheck::Language::Mql4 : mqlcheck::Language::Mql5,
                                indicator ? mqlcheck::Kind::Indicator : mqlcheck::Kind::ExpertAdvisor)) {
        if (finding.severity == mqlcheck::Finding::Severity::Error)
            errors.append(QString::fromStdString(finding.message));
    }
    return errors;
}

QString systemPrompt(const QJsonObject &chat)
{
    return chat.value("messages").toArray().first().toObject().value("content").toString();
}

} // namespace

Q_DECLARE_METATYPE(Canned)

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
        const QString oversized = R"({"client_version": "1.0.0")" + QString(1024 * 1024, u' ') + "}";

        QTest::newRow("unknown session") << "POST" << "/api/chat" << R"({"session_id": "x", "user_message": "RSI"})" << 200;
        QTest::newRow("missing platform") << "POST" << "/api/new" << R"({"code_type": "ea"})" << 400;
        QTest::newRow("missing user_message") << "POST" << "/api/chat" << R"({"session_id": "x"})" << 400;
        QTest::newRow("missing client_version") << "POST" << "/api/version_check" << "{}" << 400;
        QTest::newRow("invalid JSON") << "POST" << "/api/chat" << R"({"session_id": )" << 400;
        QTest::newRow("array body") << "POST" << "/api/new" << R"(["MT4"])" << 400;
        QTest::newRow("body over 1 MiB") << "POST" << "/api/version_check" << oversized << 413;
        QTest::newRow("unknown path") << "POST" << "/api/generate" << "{}" << 404;
        QTest::newRow("POST session") << "POST" << "/api/session" << R"({"session_id": "x"})" << 405;
    }

    void errorReply()
    {
        QFETCH(QString, verb);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(int, status);

        const auto [replyStatus, reply] = result(sendAsync(verb.toLatin1(), path, body.toUtf8(), m_port));
        QCOMPARE(replyStatus, status);
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
                              {"features", QJsonArray{"stream", "cancel", "compile_errors"}}}));
    }

    // Other strategies than the demo conversation's, so that between them eight of the twelve
    // templates are built. Two requests try to end the header comment that quotes them.
    void templateProgram_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QStringList>("inputs");

        QTest::newRow("MT4 indicator") << "MT4" << "indicator" << "MT4 H4 chart: moving average 30 **// escaped(); }"
                                       << QStringList{"InpMaPeriod = 30", "InpMaMethod = MODE_SMA"};
        QTest::newRow("MT4 EA") << "MT4" << "ea" << "RSI周期21，超买80，超卖20，手数0.25"
                                << QStringList{"InpRsiPeriod = 21", "InpOverbought = 80.00", "InpLots = 0.25"};
        QTest::newRow("MT5 indicator") << "MT5" << "indicator" << "crossover with slow 40 and fast 9"
                                       << QStringList{"InpFastPeriod = 9", "InpSlowPeriod = 40"};
        QTest::newRow("MT5 EA") << "MT5" << "ea" << "EMA cross 5 and 20, stop loss 250 */ escaped(); }"
                                << QStringList{"InpFastPeriod = 5", "InpMaMethod = MODE_EMA", "InpStopLoss = 250"};
    }

    void templateProgram()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(QString, request);
        QFETCH(QStringList, inputs);

        const QString code = programOf(chat(m_port, open(m_port, platform, codeType), request));
        QCOMPARE(errorsOf(code, platform == "MT4", codeType == "indicator"), QStringList());
        QCOMPARE(code.contains(QRegularExpression(R"(^#property\s+strict\s*$)", QRegularExpression::MultilineOption)),
                 platform == "MT4");
        const QString declarations = code.simplified(); // "input int InpMaPeriod = 30;"
        for (const QString &input : inputs)
            QVERIFY2(declarations.contains(" " + input + ";"), qPrintable(input));
    }

    // Every template, each platform and program type: nothing the risk review warns of.
    void templatesCarryNoWarnings()
    {
        for (const QString platform : {"MT4", "MT5"}) {
            for (const QString type : {"indicator", "ea"}) {
                for (const QString request : {"RSI", "cross fast 10 slow 50", "EMA 20 sl 0"}) {
                    const QJsonObject data = chat(m_port, open(m_port, platform, type), request).value("data").toObject();
                    QVERIFY2(data.contains("response") && !data.contains("warnings"), qPrintable(platform + type + request));
                }
            }
        }
    }

    void sessionExpiryAndCap()
    {
        Service service;
        const quint16 port = startService(service, {"--session-idle-limit", "2", "--session-cap", "2"});
        const QStringList ids{open(port), open(port), open(port)};
        // The oldest idle session made room for the third.
        QCOMPARE(chat(port, ids[0], "RSI").value("success"), QJsonValue(false));
        QCOMPARE(chat(port, ids[1], "RSI").value("success"), QJsonValue(true));
        QTest::qWait(2500);
        QCOMPARE(chat(port, ids[2], "RSI").value("success"), QJsonValue(false));
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

    void modelAnswer_data()
    {
        QTest::addColumn<QList<Canned>>("script");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("messagePart");
        QTest::addColumn<int>("requests");
        const auto answer = [](const QString &content, const QString &finish = "stop") {
            Canned canned;
            canned.body = completion(content, finish);
            return canned;
        };
        const QString program = QString::fromLatin1(validProgram);
        const QString noOnTick = "```mql5\nint OnInit() { return 0; }\n```";

        QTest::newRow("tagged block first") << QList{answer("```\n" + program + program + "```\n```mq5\n" + program + "```\nAn EA.")}
                                            << "en" << true << "An EA." << 1;
        QTest::newRow("largest block") << QList{answer("```\nx = 1;\n```\n```\n" + program + "```")} << "en" << true << "" << 1;
        QTest::newRow("reasoning taken out") << QList{answer("<think>```mql5\nvoid f() {}\n```</think>```mql5\n" + program + "```")}
                                             << "en" << true << "" << 1;
        QTest::newRow("program text alone") << QList{answer("// An EA\n" + program)} << "en" << true << "" << 1;
        QTest::newRow("unterminated reasoning") << QList{answer("<think>```mql5\n" + program + "```")} << "en" << false
                                                << "without a program" << 1;
        QTest::newRow("prose only") << QList{answer("I cannot write that.")} << "zh-CN" << false << "没有程序" << 1;
        QTest::newRow("unclosed fence") << QList{answer("```mql5\n" + program)} << "en" << false << "cut off" << 1;
        QTest::newRow("finish length") << QList{answer("```mql5\n" + program + "```", "length")} << "en" << false << "cut off" << 1;
        QTest::newRow("repaired") << QList{answer(noOnTick)} << "en" << true << "" << 2;
        QTest::newRow("repair fails") << QList{answer(noOnTick), answer(noOnTick)} << "en" << false << "OnTick" << 2;
        QTest::newRow("401 nested error") << QList{canned(401, R"({"error": {"message": "bad key", "code": "invalid_api_key"}})")}
                                          << "en" << false << "API key" << 1;
        QTest::newRow("403 plain text") << QList{canned(403, "Forbidden")} << "zh-TW" << false << "API 金鑰" << 1;
        QTest::newRow("404 Ollama") << QList{canned(404, R"({"error": "model x not found, try pulling it first"})")}
                                    << "en" << false << "does not have the model" << 1;
        QTest::newRow("429 twice") << QList{canned(429, "{}", "Retry-After: 0\r\n"), canned(429, "{}", "Retry-After: 0\r\n")}
                                   << "en" << false << "busy" << 2;
        QTest::newRow("503, then an answer") << QList{canned(503, "{}", "Retry-After: 1\r\n")} << "en" << true << "" << 2;
        QTest::newRow("llama-server code") << QList{canned(500, R"({"error": {"code": 500, "message": "slot lost", "type": "server_error"}})")}
                                           << "en" << false << "slot lost" << 1;
        QTest::newRow("vLLM flat") << QList{canned(400, R"({"object": "error", "message": "bad top_p", "code": 400})")}
                                   << "en" << false << "bad top_p" << 1;
        QTest::newRow("HTML page") << QList{canned(502, "<html><head><title>502 Bad Gateway</title></head><body>x</body></html>")}
                                   << "en" << false << "502 Bad Gateway" << 1;
        QTest::newRow("never answers") << QList{canned(200, {}, {}, 0, Canned::Silent)} << "en" << false << "too long" << 1;
        QTest::newRow("closes mid-body") << QList{canned(200, completion(program), {}, 0, Canned::CutMidBody)} << "en"
                                         << false << "cut off" << 1;
    }

    void modelAnswer()
    {
        QFETCH(QList<Canned>, script);
        QFETCH(QString, lang);
        QFETCH(bool, success);
        QFETCH(QString, messagePart);
        QFETCH(int, requests);

        FakeModel fake;
        fake.script = script;
        Service service;
        const quint16 port = startModelService(service, fake.url());
        const auto [status, reply] = result(chatAsync(port, open(port), "An EA", lang));
        QCOMPARE(status, 200);
        QCOMPARE(reply.value("api_type").toString(), "chat");
        QCOMPARE(reply.value("success").toBool(), success);
        QVERIFY2(reply.value("message").toString().contains(messagePart), qPrintable(reply.value("message").toString()));
        const QString program = reply.value("data").toObject().value("response").toString();
        QCOMPARE(errorsOf(program, false, false).isEmpty() && program.contains("OnTick"), success);
        QCOMPARE(fake.chats.size(), requests);
        // A repair round sends the findings back in the same conversation.
        if (requests == 2 && script.first().status == 200) {
            const QJsonArray messages = fake.chats[1].value("messages").toArray();
            QCOMPARE(messages.size(), 4);
            QVERIFY(messages.last().toObject().value("content").toString().contains("OnTick"));
        }
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

    void compileErrorsToModel()
    {
        FakeModel fake;
        Service service;
        const quint16 port = startModelService(service, fake.url());
        const QString id = open(port);
        chat(port, id, "An EA");
        const QJsonObject body{{"session_id", id}, {"user_message", "Please fix"}, {"compile_errors", QJsonArray{"E.mq5(3,1) : error 256: 'x' - undeclared identifier"}}};
        QCOMPARE(result(sendAsync("POST", "/api/chat", QJsonDocument(body).toJson(), port)).second.value("success"), QJsonValue(true));
        const QJsonArray messages = fake.chats.value(1).value("messages").toArray();
        QVERIFY(messages[messages.size() - 2].toObject().value("content").toString().contains("OnTick"));
        QVERIFY(messages.last().toObject().value("content").toString().contains("error 256: 'x' - undeclared identifier"));
    }

    void templateRefinement_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QStringList>("compileErrors");
        QTest::addColumn<QString>("messagePart");
        QTest::addColumn<QString>("input");
        const QString locked = "x.mq5(1,1) : error 104: cannot write 'Locked.ex4'";

        QTest::newRow("compile errors") << "RSI 14" << "Please fix these errors" << QStringList{locked} << "cannot fix" << "InpRsiPeriod = 14";
        QTest::newRow("compile errors in the text") << "RSI 14" << "The program does not compile. Please fix these errors:\n" + locked
                                                    << QStringList() << "cannot fix" << "InpRsiPeriod = 14";
        QTest::newRow("what changed") << "RSI 14" << "make the period 21" << QStringList() << "RSI(14) 70/30 → RSI(21) 70/30" << "InpRsiPeriod = 21";
        QTest::newRow("RSI named in passing") << "crossover 10 50" << "add an RSI filter" << QStringList()
                                              << "The strategy stays moving average crossover" << "InpFastPeriod = 10";
        QTest::newRow("switch asked for") << "crossover 10 50" << "switch to RSI 21" << QStringList() << "→ RSI(21)" << "InpRsiPeriod = 21";
        QTest::newRow("switch asked for in Chinese") << "均线交叉 10 50" << "改成相对强弱" << QStringList() << "→ RSI(14)" << "InpRsiPeriod = 14";
    }

    // The templates refine the program they wrote, and cannot repair it.
    void templateRefinement()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        QFETCH(QStringList, compileErrors);
        QFETCH(QString, messagePart);
        QFETCH(QString, input);

        const QString id = open(m_port, "MT5", "indicator");
        chat(m_port, id, first);
        const QJsonObject body{{"session_id", id}, {"user_message", then}, {"compile_errors", QJsonArray::fromStringList(compileErrors)}};
        const QJsonObject reply = result(sendAsync("POST", "/api/chat", QJsonDocument(body).toJson(), m_port)).second;
        QVERIFY2(reply.value("message").toString().contains(messagePart), qPrintable(reply.value("message").toString()));
        const QString program = programOf(reply.contains("data") ? reply : chat(m_port, id, "show it"));
        QVERIFY2(program.simplified().contains(" " + input + ";"), qPrintable(program));
    }

    // A risk the request did not ask for goes back to the model once; what is left comes with
    // the program as warnings in the session's language. A correction that breaks the program
    // gives way to the program before it.
    void riskWarnings_data()
    {
        QTest::addColumn<QList<Canned>>("script");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("warning");
        const QString noStop = "```mql5\n#include <Trade\\Trade.mqh>\nCTrade t;\nint OnInit() { return 0; }\n"
                               "void OnTick() { if(PositionsTotal() == 0 && !t.Buy(0.1)) Print(t.ResultRetcode()); }\n```";
        const QString martingale = "```mql5\ndouble lots = 0.1, lastProfit = 0;\nint OnInit() { return 0; }\n"
                                   "void OnTick() {\n if(lastProfit < 0) lots = lots * 2;\n}\n```";
        const auto answer = [](const QString &content) { return canned(200, completion(content)); };

        QTest::newRow("unasked, left") << QList{answer(noStop), answer(noStop)} << "An EA" << 2
                                       << "no-stop-loss 4 Buy 开仓时没有止损";
        QTest::newRow("asked for") << QList{answer(martingale)} << "马丁 EA" << 1 << "martingale 4 亏损后放大手数（lots）";
        QTest::newRow("correction breaks it") << QList{answer(noStop), answer("```mql5\nint OnInit() {\n```")}
                                              << "An EA" << 2 << "no-stop-loss 4 Buy";
    }

    void riskWarnings()
    {
        QFETCH(QList<Canned>, script);
        QFETCH(QString, request);
        QFETCH(int, requests);
        QFETCH(QString, warning);

        FakeModel fake;
        fake.script = script;
        Service service;
        const quint16 port = startModelService(service, fake.url());
        const QJsonObject reply = chat(port, open(port, "MT5", "ea", "zh-CN"), request, "zh-CN");
        QCOMPARE(fake.chats.size(), requests);
        if (requests == 2) {
            const QString repair = fake.chats[1].value("messages").toArray().last().toObject().value("content").toString();
            QVERIFY2(repair.contains("line 4: Buy opens a trade without a stop loss"), qPrintable(repair));
        }
        QVERIFY(reply.value("success").toBool());
        const QJsonObject found = reply.value("data").toObject().value("warnings").toArray().first().toObject();
        const QStringList parts = warning.split(' ');
        QCOMPARE(found.value("rule").toString(), parts[0]);
        QCOMPARE(found.value("line").toInt(), parts[1].toInt());
        QVERIFY2(found.value("message").toString().contains(parts.mid(2).join(' ')), qPrintable(found.value("message").toString()));
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

    void unreachableModelServer()
    {
        Service service;
        const QString address = TestEnvironment::refusingServiceUrl();
        const quint16 port = startModelService(service, address);
        const QJsonObject reply = chat(port, open(port), "An EA");
        QCOMPARE(reply.value("success"), QJsonValue(false));
        QVERIFY(reply.value("message").toString().contains(address));
    }

    void historyAndTrimming()
    {
        FakeModel fake;
        Service service;
        const quint16 port = startModelService(service, fake.url());
        const QString id = open(port);
        chat(port, id, "An RSI EA");
        chat(port, id, "make the period 21");
        const QJsonArray refine = fake.chats[1].value("messages").toArray();
        QCOMPARE(refine.size(), 4);
        QVERIFY(refine[1].toObject().value("content").toString().contains("An RSI EA"));
        QVERIFY(refine[2].toObject().value("content").toString().contains("OnTick"));
        QCOMPARE(refine[3].toObject().value("content").toString(), "make the period 21");

        // A context overflow drops the older half of the requests and asks once more.
        fake.script = {canned(400, R"({"error": {"code": 400, "message": "the request exceeds the available context size",
                                 "type": "exceed_context_size_error"}})")};
        QCOMPARE(chat(port, id, "lots 0.2").value("success"), QJsonValue(true));
        QCOMPARE(fake.chats.size(), 4);
        const QString earlier = fake.chats[3].value("messages").toArray()[1].toObject().value("content").toString();
        QVERIFY(!earlier.contains("An RSI EA") && earlier.contains("make the period 21"));
        // And stays so for the next request.
        chat(port, id, "sl 300");
        QVERIFY(!QJsonDocument(fake.chats[4]).toJson().contains("An RSI EA"));
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
        QVERIFY(chat(port, ids[0], "again").value("message").toString().contains("Still working"));
        // Answered in reverse order, each to its own session.
        QVERIFY(chat(port, ids[1], "second").value("data").toObject().value("response").toString().contains("second"));
        QVERIFY(!first->isFinished());
        QVERIFY(result(first).second.value("data").toObject().value("response").toString().contains("first"));

        // DELETE answers the waiting chat at once.
        QNetworkReply *cancelled = chatAsync(port, ids[2], "never answered");
        QTRY_COMPARE(fake.chats.size(), 3);
        QCOMPARE(result(sendAsync("DELETE", "/api/session", QJsonDocument(QJsonObject{{"session_id", ids[2]}}).toJson(), port)).first, 200);
        QVERIFY(result(cancelled).second.value("message").toString().contains("ended"));

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

    void queuedBeyondConcurrency()
    {
        FakeModel fake;
        fake.script = QList<Canned>(3, canned(200, completion(validProgram), {}, 100));
        Service service;
        const quint16 port = startModelService(service, fake.url(), {"--llm-concurrency", "1"});
        QList<QNetworkReply *> replies;
        for (int i = 0; i < 3; ++i)
            replies.append(chatAsync(port, open(port), "An EA"));
        for (QNetworkReply *reply : replies)
            QCOMPARE(result(reply).second.value("success"), QJsonValue(true));
        QCOMPARE(fake.mostInFlight, 1);
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
