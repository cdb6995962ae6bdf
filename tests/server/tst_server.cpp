#include "support/testenvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>

namespace {

// Generous: only a hung service should ever reach it.
constexpr int waitLimitMs = 30000;

// Starts the service on a free port; returns the port from its first line, or 0.
quint16 startService(QProcess &process, const QStringList &arguments)
{
    process.start(SERVER_PATH, QStringList{"--port", "0"} + arguments);
    while (!process.canReadLine() && process.waitForReadyRead(waitLimitMs)) {
    }
    static const QRegularExpression listening(R"(^tavrin-server listening on http://127\.0\.0\.1:(\d+)$)");
    return listening.match(QString::fromUtf8(process.readLine()).trimmed()).captured(1).toUShort();
}

// The code alone, comments and strings blanked out (no raw string: "/*" in it misleads moc).
QString codeOnly(QString source)
{
    static const QRegularExpression skipped("//[^\\n]*|/\\*.*?\\*/|\"[^\"\\n]*\"",
                                            QRegularExpression::DotMatchesEverythingOption);
    return source.replace(skipped, " ");
}

// Every ( and { closed in order: innermost pairs are taken out until none is left.
bool balanced(QString code)
{
    static const QRegularExpression innermost(R"(\([^(){}]*\)|\{[^(){}]*\})");
    for (qsizetype size = -1; size != code.size(); code.remove(innermost))
        size = code.size();
    return !code.contains(QRegularExpression("[(){}]"));
}

bool hasPattern(const QString &code, const QString &pattern)
{
    return code.contains(QRegularExpression(pattern, QRegularExpression::MultilineOption));
}

} // namespace

class TestServer final : public QObject
{
    Q_OBJECT

    QProcess m_service;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;

    // The status and the JSON body of the reply.
    std::pair<int, QJsonObject> send(const QByteArray &verb, const QString &path, const QByteArray &body,
                                     quint16 port = 0)
    {
        QNetworkRequest request(QUrl("http://127.0.0.1:" + QString::number(port ? port : m_port) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply *reply = m_network.sendCustomRequest(request, verb, body);
        QSignalSpy(reply, &QNetworkReply::finished).wait(waitLimitMs);
        const std::pair result(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                               QJsonDocument::fromJson(reply->readAll()).object());
        reply->deleteLater();
        return result;
    }

    QJsonObject post(const QString &path, const QJsonObject &body, quint16 port = 0)
    {
        return send("POST", path, QJsonDocument(body).toJson(), port).second;
    }

    QString program(const QString &sessionId, const QString &request)
    {
        const QJsonObject reply = post("/api/chat", {{"session_id", sessionId}, {"user_message", request}});
        return reply.value("data").toObject().value("response").toString();
    }

private slots:
    void initTestCase()
    {
        m_port = startService(m_service, {});
        QVERIFY2(m_port != 0, m_service.readAllStandardError().constData());
    }

    void cleanupTestCase()
    {
        m_service.kill();
        m_service.waitForFinished();
    }

    void sessionLifecycle()
    {
        const QJsonObject started =
            post("/api/new", {{"platform", "MT5"}, {"code_type", "indicator"}, {"lang", "zh-TW"}});
        QVERIFY(started.value("message").toString().contains("MT5 指標"));
        const QString id = started.value("session_id").toString();

        QVERIFY(program(id, "RSI 14 indicator").contains("iRSI("));
        // The session keeps the idea so far: still an RSI, now of period 21.
        const QString refined = program(id, "make the period 21");
        QVERIFY(refined.contains("iRSI(") && hasPattern(refined, R"(InpRsiPeriod\s*=\s*21;)"));

        const QByteArray session = QJsonDocument(QJsonObject{{"session_id", id}}).toJson();
        QCOMPARE(send("DELETE", "/api/session", session).first, 200);
        const QJsonObject afterEnd = post("/api/chat", {{"session_id", id}, {"user_message", "RSI 14"}});
        QCOMPARE(afterEnd.value("success"), QJsonValue(false));
        QCOMPARE(send("DELETE", "/api/session", session).first, 404);
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
        QTest::newRow("missing session_id") << "DELETE" << "/api/session" << "{}" << 400;
        QTest::newRow("missing client_version") << "POST" << "/api/version_check" << "{}" << 400;
        QTest::newRow("invalid JSON") << "POST" << "/api/chat" << R"({"session_id": )" << 400;
        QTest::newRow("array body") << "POST" << "/api/new" << R"(["MT4"])" << 400;
        QTest::newRow("body over 1 MiB") << "POST" << "/api/version_check" << oversized << 413;
        QTest::newRow("unknown path") << "POST" << "/api/generate" << "{}" << 404;
        QTest::newRow("GET new") << "GET" << "/api/new" << "" << 405;
        QTest::newRow("POST session") << "POST" << "/api/session" << R"({"session_id": "x"})" << 405;
    }

    void errorReply()
    {
        QFETCH(QString, verb);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(int, status);

        const auto [replyStatus, reply] = send(verb.toLatin1(), path, body.toUtf8());
        QCOMPARE(replyStatus, status);
        QCOMPARE(reply.value("success"), QJsonValue(false));
        QVERIFY(!reply.value("message").toString().isEmpty());
        QCOMPARE(send("POST", "/api/version_check", R"({"client_version": "1.0"})").first, 200);
    }

    void versionCheck_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("clientVersion");
        QTest::addColumn<bool>("needUpdate");
        const QStringList min120{"--min-version", "1.2.0"};
        const QStringList withMessage = min120 + QStringList{"--update-message", "<b>Update</b>"};

        QTest::newRow("default, older") << QStringList() << "0.9.9" << true;
        QTest::newRow("older") << min120 << "1.1.9" << true;
        QTest::newRow("same, shorter") << min120 << "1.2" << false;
        QTest::newRow("newer by number, older as text") << min120 << "1.10.0" << false;
        QTest::newRow("older, update message") << withMessage << "1.0.0" << true;
        QTest::newRow("current, update message") << withMessage << "2.0.0" << false;
    }

    void versionCheck()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, clientVersion);
        QFETCH(bool, needUpdate);

        QProcess service;
        const quint16 port = startService(service, arguments);
        QVERIFY2(port != 0, service.readAllStandardError().constData());
        const QJsonObject reply = post("/api/version_check", {{"client_version", clientVersion}}, port);
        service.kill();
        service.waitForFinished();
        // The minimum given or the default; the update message given, for an older client only.
        const QString message = needUpdate ? arguments.value(3) : QString();
        QCOMPARE(reply, (QJsonObject{{"need_update", needUpdate}, {"min_version", arguments.value(1, "1.0.0")},
                                     {"message", message}}));
    }

    // Other strategies than the demo conversation's, so that between them eight of the twelve
    // templates are built. Two requests try to end the header comment that quotes them.
    void generatedProgram_data()
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

    void generatedProgram()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(QString, request);
        QFETCH(QStringList, inputs);

        const bool mql4 = platform == "MT4";
        const QString id =
            post("/api/new", {{"platform", platform}, {"code_type", codeType}}).value("session_id").toString();
        const QString code = codeOnly(program(id, request));
        QVERIFY(balanced(code));
        QVERIFY(!code.contains("{{") && !code.contains("escaped"));
        QCOMPARE(hasPattern(code, R"(^#property\s+strict\s*$)"), mql4);
        const QStringList handlers = codeType == "indicator" ? QStringList{"OnInit", "OnCalculate"}
                                                             : QStringList{"OnInit", "OnTick", "OnDeinit"};
        for (const QString &name : handlers)
            QVERIFY2(hasPattern(code, QStringLiteral(R"(\b%1\s*\([^()]*\)\s*\{)").arg(name)), qPrintable(name));
        const QStringList foreign = mql4 ? QStringList{"CopyBuffer", "CTrade"}
                                         : QStringList{"IndicatorBuffers", "SetIndexStyle"};
        for (const QString &name : foreign)
            QVERIFY2(!hasPattern(code, QStringLiteral(R"(\b%1\b)").arg(name)), qPrintable(name));
        const QString declarations = code.simplified(); // "input int InpMaPeriod = 30;"
        for (const QString &input : inputs)
            QVERIFY2(declarations.contains(" " + input + ";"), qPrintable(input));
    }
};

BREVAN_CORE_TEST_MAIN(TestServer)
#include "tst_server.moc"
