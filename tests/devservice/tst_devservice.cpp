#include "support/testenvironment.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Generous: only a hung service should ever reach it.
constexpr int waitLimitMs = 30000;

struct HttpReply
{
    int status = 0;
    QByteArray contentType;
    QByteArray allow;
    bool isObject = false;
    QJsonObject json;
};

QByteArray jsonBody(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray newChatBody(const QString &platform, const QString &codeType)
{
    return jsonBody({{QStringLiteral("platform"), platform},
                     {QStringLiteral("code_type"), codeType},
                     {QStringLiteral("lang"), QStringLiteral("en")}});
}

QByteArray chatBody(const QString &sessionId, const QString &message)
{
    return jsonBody({{QStringLiteral("session_id"), sessionId},
                     {QStringLiteral("user_message"), message},
                     {QStringLiteral("lang"), QStringLiteral("en")}});
}

QByteArray sessionBody(const QString &sessionId)
{
    return jsonBody({{QStringLiteral("session_id"), sessionId}});
}

// A version check padded with spaces to exactly size bytes.
QByteArray versionCheckOfSize(qsizetype size)
{
    QByteArray body = R"({"client_version": "1.0.0"})";
    body.insert(1, QByteArray(size - body.size(), ' '));
    return body;
}

// Starts the service on a free port; returns the port from its first line, or 0.
quint16 startService(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(DEVSERVICE_PATH),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(waitLimitMs))
            return 0;
    }
    static const QRegularExpression listening(
        QStringLiteral(R"(^devservice listening on http://127\.0\.0\.1:(\d+)$)"));
    const QRegularExpressionMatch match =
        listening.match(QString::fromUtf8(process.readLine()).trimmed());
    return match.hasMatch() ? match.captured(1).toUShort() : 0;
}

void stopService(QProcess &process)
{
    process.kill();
    process.waitForFinished(waitLimitMs);
}

// Where the comment or string literal that starts at i ends; i when none starts there.
qsizetype skippedEnd(const QString &code, qsizetype i)
{
    const QStringView rest = QStringView(code).mid(i);
    if (rest.startsWith(u"//")) {
        const qsizetype end = code.indexOf(u'\n', i);
        return end < 0 ? code.size() : end;
    }
    if (rest.startsWith(u"/*")) {
        const qsizetype end = code.indexOf(QLatin1String("*/"), i + 2);
        return end < 0 ? code.size() : end + 2;
    }
    if (rest.startsWith(u'"')) {
        qsizetype end = i + 1;
        while (end < code.size() && code.at(end) != u'"')
            end += code.at(end) == u'\\' ? 2 : 1;
        return qMin(end + 1, code.size());
    }
    return i;
}

// The code alone: comments and string literals blanked out, line ends kept.
QString codeOnly(const QString &source)
{
    QString code = source;
    qsizetype i = 0;
    while (i < code.size()) {
        const qsizetype end = skippedEnd(code, i);
        if (end == i)
            ++i;
        for (; i < end; ++i) {
            if (code.at(i) != u'\n')
                code[i] = u' ';
        }
    }
    return code;
}

// Empty when every (, {, ) and } pairs up in order; else where it goes wrong.
QString bracketProblem(const QString &code)
{
    QString open;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'(' || c == u'{') {
            open.append(c);
        } else if (c == u')' || c == u'}') {
            const QChar opener = c == u')' ? u'(' : u'{';
            if (open.isEmpty() || open.back() != opener)
                return QStringLiteral("unexpected '%1' at %2").arg(c).arg(i);
            open.chop(1);
        }
    }
    return open.isEmpty() ? QString() : QStringLiteral("unclosed '%1'").arg(open);
}

qsizetype countOf(const QString &code, const QString &pattern)
{
    qsizetype count = 0;
    for (QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(code);
         it.hasNext(); it.next()) {
        ++count;
    }
    return count;
}

QStringList requiredPatterns(bool mql4, bool indicator)
{
    QStringList patterns{QStringLiteral(R"(int\s+OnInit\s*\(\s*\)\s*\{)")};
    if (indicator) {
        patterns << QStringLiteral(R"(int\s+OnCalculate\s*\(\s*const\s+int\s+rates_total\s*,)"
                                   R"(\s*const\s+int\s+prev_calculated\s*,)"
                                   R"(\s*const\s+datetime\s*&\s*time\[\]\s*,)"
                                   R"(\s*const\s+double\s*&\s*open\[\]\s*,)"
                                   R"(\s*const\s+double\s*&\s*high\[\]\s*,)"
                                   R"(\s*const\s+double\s*&\s*low\[\]\s*,)"
                                   R"(\s*const\s+double\s*&\s*close\[\]\s*,)"
                                   R"(\s*const\s+long\s*&\s*tick_volume\[\]\s*,)"
                                   R"(\s*const\s+long\s*&\s*volume\[\]\s*,)"
                                   R"(\s*const\s+int\s*&\s*spread\[\]\s*\)\s*\{)")
                 << QStringLiteral(R"(#property\s+indicator_(chart|separate)_window)")
                 << QStringLiteral(R"(SetIndexBuffer\s*\()");
    } else {
        patterns << QStringLiteral(R"(void\s+OnDeinit\s*\(\s*const\s+int\s+reason\s*\)\s*\{)")
                 << QStringLiteral(R"(void\s+OnTick\s*\(\s*\)\s*\{)");
    }
    if (mql4) {
        patterns << QStringLiteral(R"(^#property\s+strict\s*$)");
        if (!indicator)
            patterns << QStringLiteral(R"(\bOrderSend\s*\()");
    } else if (indicator) {
        patterns << QStringLiteral(R"(#property\s+indicator_plots\s+\d+)")
                 << QStringLiteral(R"(\bCopyBuffer\s*\()");
    } else {
        patterns << QStringLiteral(R"(#include\s+<Trade\\Trade\.mqh>)")
                 << QStringLiteral(R"(\bCTrade\s+\w+;)");
    }
    return patterns;
}

// What plainly belongs to the other language.
QStringList foreignPatterns(bool mql4)
{
    if (mql4) {
        return {QStringLiteral(R"(\bCopyBuffer\b)"),     QStringLiteral(R"(\bCTrade\b)"),
                QStringLiteral(R"(Trade\.mqh)"),         QStringLiteral(R"(indicator_plots)"),
                QStringLiteral(R"(\bPositionsTotal\b)"), QStringLiteral(R"(\bINDICATOR_DATA\b)")};
    }
    return {QStringLiteral(R"(\bOrderSend\b)"),    QStringLiteral(R"(\bSetIndexStyle\b)"),
            QStringLiteral(R"(\bMarketInfo\b)"),   QStringLiteral(R"(\bIndicatorShortName\b)"),
            QStringLiteral(R"(\bRefreshRates\b)"), QStringLiteral(R"(#property\s+strict)")};
}

} // namespace

class TestDevService final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sessionLifecycle();
    void followUpRefinesTheProgram();
    void greetingLanguage_data();
    void greetingLanguage();
    void chatRefusal_data();
    void chatRefusal();
    void replyStatus_data();
    void replyStatus();
    void keepsServingAfterBadInput();
    void logsEachRequest_data();
    void logsEachRequest();
    void versionCheck_data();
    void versionCheck();
    void refusesToStart_data();
    void refusesToStart();
    void generatedProgram_data();
    void generatedProgram();
    void requestStaysInItsComment_data();
    void requestStaysInItsComment();

private:
    HttpReply send(const QByteArray &verb, const QString &path, const QByteArray &body,
                   const QByteArray &acceptLanguage = "en", quint16 port = 0);
    QString openSession(const QString &platform, const QString &codeType);
    QString programFor(const QString &sessionId, const QString &message);

    QProcess m_service;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;
};

void TestDevService::initTestCase()
{
    m_port = startService(m_service, {});
    QVERIFY2(m_port != 0, m_service.readAllStandardError().constData());
}

void TestDevService::cleanupTestCase()
{
    stopService(m_service);
}

HttpReply TestDevService::send(const QByteArray &verb, const QString &path, const QByteArray &body,
                               const QByteArray &acceptLanguage, quint16 port)
{
    QNetworkRequest request(QUrl(
        QStringLiteral("http://127.0.0.1:%1%2").arg(QString::number(port ? port : m_port), path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept-Language", acceptLanguage);
    request.setTransferTimeout(waitLimitMs);
    QNetworkReply *reply = m_network.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    result.allow = reply->rawHeader("Allow");
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    result.isObject = document.isObject();
    result.json = document.object();
    reply->deleteLater();
    return result;
}

QString TestDevService::openSession(const QString &platform, const QString &codeType)
{
    return send("POST", QStringLiteral("/api/new"), newChatBody(platform, codeType))
        .json.value(QLatin1String("session_id"))
        .toString();
}

QString TestDevService::programFor(const QString &sessionId, const QString &message)
{
    const HttpReply reply = send("POST", QStringLiteral("/api/chat"), chatBody(sessionId, message));
    return reply.json.value(QLatin1String("data"))
        .toObject()
        .value(QLatin1String("response"))
        .toString();
}

void TestDevService::sessionLifecycle()
{
    const HttpReply started = send("POST", QStringLiteral("/api/new"),
                                   newChatBody(QStringLiteral("MT4"), QStringLiteral("indicator")));
    QCOMPARE(started.status, 200);
    QCOMPARE(started.contentType, QByteArray("application/json"));
    QCOMPARE(started.json.value(QLatin1String("success")), QJsonValue(true));
    QCOMPARE(started.json.value(QLatin1String("api_type")), QJsonValue(QStringLiteral("new")));
    QVERIFY(started.json.value(QLatin1String("message")).toString().contains(QLatin1String("MT4")));
    const QString id = started.json.value(QLatin1String("session_id")).toString();
    QVERIFY(!id.isEmpty());
    QVERIFY(openSession(QStringLiteral("MT4"), QStringLiteral("indicator")) != id);

    const HttpReply answered =
        send("POST", QStringLiteral("/api/chat"), chatBody(id, QStringLiteral("RSI 14")));
    QCOMPARE(answered.status, 200);
    QCOMPARE(answered.json.value(QLatin1String("success")), QJsonValue(true));
    QCOMPARE(answered.json.value(QLatin1String("api_type")), QJsonValue(QStringLiteral("chat")));
    QVERIFY(!answered.json.value(QLatin1String("message")).toString().isEmpty());
    QVERIFY(!programFor(id, QStringLiteral("RSI 14")).isEmpty());

    const HttpReply ended = send("DELETE", QStringLiteral("/api/session"), sessionBody(id));
    QCOMPARE(ended.status, 200);
    QCOMPARE(ended.json,
             (QJsonObject{{QStringLiteral("success"), true},
                          {QStringLiteral("api_type"), QStringLiteral("session")},
                          {QStringLiteral("message"), QStringLiteral("Session ended.")}}));

    const HttpReply afterEnd =
        send("POST", QStringLiteral("/api/chat"), chatBody(id, QStringLiteral("RSI 14")));
    QCOMPARE(afterEnd.status, 200);
    QCOMPARE(afterEnd.json.value(QLatin1String("success")), QJsonValue(false));
    QCOMPARE(afterEnd.json.value(QLatin1String("api_type")), QJsonValue(QStringLiteral("chat")));

    const HttpReply endedTwice = send("DELETE", QStringLiteral("/api/session"), sessionBody(id));
    QCOMPARE(endedTwice.status, 404);
    QCOMPARE(endedTwice.json,
             (QJsonObject{{QStringLiteral("success"), false},
                          {QStringLiteral("api_type"), QStringLiteral("session")},
                          {QStringLiteral("message"), QStringLiteral("Unknown session")}}));
}

// Each message builds on the ones before it in the same session.
void TestDevService::followUpRefinesTheProgram()
{
    const QString id = openSession(QStringLiteral("MT5"), QStringLiteral("indicator"));
    QVERIFY(programFor(id, QStringLiteral("RSI 14 indicator")).contains(QLatin1String("iRSI(")));
    const QString refined = programFor(id, QStringLiteral("make the period 21"));
    QVERIFY(refined.contains(QRegularExpression(QStringLiteral(R"(InpRsiPeriod\s*=\s*21;)"))));
    const QString switched = programFor(id, QStringLiteral("now a crossover of 5 and 20 instead"));
    QVERIFY(switched.contains(QRegularExpression(QStringLiteral(R"(InpFastPeriod\s*=\s*5;)"))));
    QVERIFY(switched.contains(QRegularExpression(QStringLiteral(R"(InpSlowPeriod\s*=\s*20;)"))));
    QVERIFY(!switched.contains(QLatin1String("iRSI")));
}

void TestDevService::greetingLanguage_data()
{
    QTest::addColumn<QJsonValue>("lang");
    QTest::addColumn<QByteArray>("acceptLanguage");
    QTest::addColumn<QString>("expected");

    QTest::newRow("en") << QJsonValue(QStringLiteral("en")) << QByteArray("zh-CN")
                        << QStringLiteral("New MT4 indicator chat ready.");
    QTest::newRow("zh-CN") << QJsonValue(QStringLiteral("zh-CN")) << QByteArray("en")
                           << QStringLiteral("MT4 指标");
    QTest::newRow("zh-TW") << QJsonValue(QStringLiteral("zh-TW")) << QByteArray("en")
                           << QStringLiteral("MT4 指標");
    QTest::newRow("header when lang is absent")
        << QJsonValue(QJsonValue::Undefined) << QByteArray("zh-TW,zh;q=0.8")
        << QStringLiteral("MT4 指標");
    QTest::newRow("unknown language") << QJsonValue(QStringLiteral("fr")) << QByteArray("fr")
                                      << QStringLiteral("New MT4 indicator chat ready.");
}

void TestDevService::greetingLanguage()
{
    QFETCH(QJsonValue, lang);
    QFETCH(QByteArray, acceptLanguage);
    QFETCH(QString, expected);

    QJsonObject body{{QStringLiteral("platform"), QStringLiteral("MT4")},
                     {QStringLiteral("code_type"), QStringLiteral("indicator")}};
    if (!lang.isUndefined())
        body.insert(QStringLiteral("lang"), lang);
    const HttpReply reply =
        send("POST", QStringLiteral("/api/new"), jsonBody(body), acceptLanguage);
    QCOMPARE(reply.status, 200);
    const QString message = reply.json.value(QLatin1String("message")).toString();
    QVERIFY2(message.contains(expected), qPrintable(message));
}

// A chat the service cannot answer is still a chat reply, shown to the user.
void TestDevService::chatRefusal_data()
{
    QTest::addColumn<bool>("openSession");
    QTest::addColumn<QString>("sessionId");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    const QString unknown = QStringLiteral("Unknown session: please start a new chat.");
    QTest::newRow("unknown session")
        << false << QStringLiteral("no-such-session") << QStringLiteral("RSI 14") << unknown;
    QTest::newRow("empty session id") << false << QString() << QStringLiteral("RSI 14") << unknown;
    QTest::newRow("empty message") << true << QString() << QString() << QStringLiteral("empty");
    QTest::newRow("blank message")
        << true << QString() << QStringLiteral(" \n\t ") << QStringLiteral("empty");
}

void TestDevService::chatRefusal()
{
    QFETCH(bool, openSession);
    QFETCH(QString, sessionId);
    QFETCH(QString, message);
    QFETCH(QString, expected);

    if (openSession)
        sessionId = this->openSession(QStringLiteral("MT5"), QStringLiteral("ea"));
    const HttpReply reply = send("POST", QStringLiteral("/api/chat"), chatBody(sessionId, message));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json.value(QLatin1String("success")), QJsonValue(false));
    QCOMPARE(reply.json.value(QLatin1String("api_type")), QJsonValue(QStringLiteral("chat")));
    QVERIFY(reply.json.value(QLatin1String("message")).toString().contains(expected));
    QVERIFY(!reply.json.contains(QLatin1String("data")));
}

void TestDevService::replyStatus_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("allow");

    const auto row = [](const char *name, const QByteArray &verb, const QString &path,
                        const QByteArray &body, int status, const QByteArray &allow = {}) {
        QTest::newRow(name) << verb << path << body << status << allow;
    };
    const QString newChat = QStringLiteral("/api/new");
    const QString chat = QStringLiteral("/api/chat");
    const QString session = QStringLiteral("/api/session");
    const QString version = QStringLiteral("/api/version_check");
    const QByteArray validVersion = R"({"client_version": "1.0.0"})";

    row("invalid JSON", "POST", chat, R"({"session_id": )", 400);
    row("empty body", "POST", newChat, {}, 400);
    row("array body", "POST", newChat, R"(["MT4"])", 400);
    row("string body", "POST", chat, R"("RSI 14")", 400);
    row("missing platform", "POST", newChat, R"({"code_type": "ea"})", 400);
    row("platform not a string", "POST", newChat, R"({"platform": 4, "code_type": "ea"})", 400);
    row("unknown platform", "POST", newChat, R"({"platform": "MT6", "code_type": "ea"})", 400);
    row("unknown code type", "POST", newChat, R"({"platform": "MT5", "code_type": "script"})", 400);
    row("lang not a string", "POST", newChat,
        R"({"platform": "MT5", "code_type": "ea", "lang": 1})", 400);
    row("missing user_message", "POST", chat, R"({"session_id": "x"})", 400);
    row("session_id not a string", "POST", chat, R"({"session_id": 7, "user_message": "RSI"})",
        400);
    row("end without session_id", "DELETE", session, "{}", 400);
    row("missing client_version", "POST", version, "{}", 400);
    row("client_version not a version", "POST", version, R"({"client_version": "new"})", 400);
    row("body over 1 MiB", "POST", version, versionCheckOfSize(1024 * 1024 + 1), 413);
    row("body of exactly 1 MiB", "POST", version, versionCheckOfSize(1024 * 1024), 200);
    row("unknown path", "POST", QStringLiteral("/api/generate"), validVersion, 404);
    row("path with a tail", "POST", QStringLiteral("/api/new/extra"),
        newChatBody(QStringLiteral("MT4"), QStringLiteral("ea")), 404);
    row("root", "GET", QStringLiteral("/"), {}, 404);
    row("GET new", "GET", newChat, {}, 405, "POST");
    row("DELETE chat", "DELETE", chat, "{}", 405, "POST");
    row("POST session", "POST", session, sessionBody(QStringLiteral("x")), 405, "DELETE");
    row("PUT version", "PUT", version, validVersion, 405, "POST");
}

void TestDevService::replyStatus()
{
    QFETCH(QByteArray, verb);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, allow);

    const HttpReply reply = send(verb, path, body);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.contentType, QByteArray("application/json"));
    QVERIFY(reply.isObject);
    QCOMPARE(reply.allow, allow);
    if (status != 200) {
        QCOMPARE(reply.json.value(QLatin1String("success")), QJsonValue(false));
        QVERIFY(!reply.json.value(QLatin1String("message")).toString().isEmpty());
    }
}

void TestDevService::keepsServingAfterBadInput()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    QVERIFY(socket.waitForConnected(waitLimitMs));
    socket.write("NOT HTTP AT ALL\r\n\xff\xfe\r\n\r\n");
    QVERIFY(socket.waitForBytesWritten(waitLimitMs));
    socket.disconnectFromHost();

    send("POST", QStringLiteral("/api/chat"), QByteArray("{{{{"));
    send("POST", QStringLiteral("/api/new"), QByteArray(2 * 1024 * 1024, '['));
    send("DELETE", QStringLiteral("/api/session"), QByteArray("\x00\x01", 2));

    QCOMPARE(m_service.state(), QProcess::Running);
    const QString id = openSession(QStringLiteral("MT4"), QStringLiteral("ea"));
    QVERIFY(!id.isEmpty());
    QVERIFY(!programFor(id, QStringLiteral("RSI 14")).isEmpty());
}

void TestDevService::logsEachRequest_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("new chat") << QByteArray("POST") << QStringLiteral("/api/new")
                              << QStringLiteral("POST /api/new 200 session=");
    QTest::newRow("wrong method") << QByteArray("GET") << QStringLiteral("/api/chat")
                                  << QStringLiteral("GET /api/chat 405");
    QTest::newRow("unknown path") << QByteArray("GET") << QStringLiteral("/favicon.ico")
                                  << QStringLiteral("GET /favicon.ico 404");
}

void TestDevService::logsEachRequest()
{
    QFETCH(QByteArray, verb);
    QFETCH(QString, path);
    QFETCH(QString, expected);

    m_service.readAllStandardError();
    const HttpReply reply =
        send(verb, path, newChatBody(QStringLiteral("MT5"), QStringLiteral("indicator")));
    expected += reply.json.value(QLatin1String("session_id")).toString().left(8);

    m_service.setReadChannel(QProcess::StandardError);
    QString line;
    while (!line.startsWith(expected)
           && (m_service.canReadLine() || m_service.waitForReadyRead(waitLimitMs)))
        line = QString::fromUtf8(m_service.readLine()).trimmed();
    m_service.setReadChannel(QProcess::StandardOutput);
    QCOMPARE(line, expected);
}

void TestDevService::versionCheck_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("clientVersion");
    QTest::addColumn<bool>("needUpdate");
    QTest::addColumn<QString>("minVersion");
    QTest::addColumn<QString>("message");

    const QStringList min120{QStringLiteral("--min-version"), QStringLiteral("1.2.0")};
    QTest::newRow("default, current") << QStringList() << QStringLiteral("1.0.0") << false
                                      << QStringLiteral("1.0.0") << QString();
    QTest::newRow("default, older")
        << QStringList() << QStringLiteral("0.9.9") << true << QStringLiteral("1.0.0") << QString();
    QTest::newRow("older") << min120 << QStringLiteral("1.1.9") << true << QStringLiteral("1.2.0")
                           << QString();
    QTest::newRow("same") << min120 << QStringLiteral("1.2.0") << false << QStringLiteral("1.2.0")
                          << QString();
    QTest::newRow("same, shorter")
        << min120 << QStringLiteral("1.2") << false << QStringLiteral("1.2.0") << QString();
    QTest::newRow("newer by number, older as text")
        << min120 << QStringLiteral("1.10.0") << false << QStringLiteral("1.2.0") << QString();
    QTest::newRow("older, with update message")
        << (min120
            + QStringList{QStringLiteral("--update-message"), QStringLiteral("<b>Update</b>")})
        << QStringLiteral("1.0.0") << true << QStringLiteral("1.2.0")
        << QStringLiteral("<b>Update</b>");
    QTest::newRow("current, with update message")
        << (min120
            + QStringList{QStringLiteral("--update-message"), QStringLiteral("<b>Update</b>")})
        << QStringLiteral("2.0.0") << false << QStringLiteral("1.2.0") << QString();
}

void TestDevService::versionCheck()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, clientVersion);
    QFETCH(bool, needUpdate);
    QFETCH(QString, minVersion);
    QFETCH(QString, message);

    QProcess service;
    const quint16 port = startService(service, arguments);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    const HttpReply reply =
        send("POST", QStringLiteral("/api/version_check"),
             jsonBody({{QStringLiteral("client_version"), clientVersion}}), "en", port);
    stopService(service);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json,
             (QJsonObject{{QStringLiteral("need_update"), needUpdate},
                          {QStringLiteral("min_version"), minVersion},
                          {QStringLiteral("message"), message}}));
}

void TestDevService::refusesToStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("port taken") << QStringList{QStringLiteral("--port"), QString::number(m_port)}
                                << QStringLiteral("cannot listen");
    QTest::newRow("port not a number")
        << QStringList{QStringLiteral("--port"), QStringLiteral("http")}
        << QStringLiteral("--port");
    QTest::newRow("port too large")
        << QStringList{QStringLiteral("--port"), QStringLiteral("65536")}
        << QStringLiteral("--port");
    QTest::newRow("bad address") << QStringList{QStringLiteral("--address"),
                                                QStringLiteral("local")}
                                 << QStringLiteral("--address");
    QTest::newRow("bad min version")
        << QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                       QStringLiteral("--min-version"), QStringLiteral("one")}
        << QStringLiteral("--min-version");
}

void TestDevService::refusesToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);

    QProcess service;
    service.start(QStringLiteral(DEVSERVICE_PATH), arguments);
    QVERIFY(service.waitForFinished(waitLimitMs));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QVERIFY(service.exitCode() != 0);
    QVERIFY(service.readAllStandardOutput().isEmpty());
    const QString stderrText = QString::fromUtf8(service.readAllStandardError());
    QVERIFY2(stderrText.contains(error), qPrintable(stderrText));
}

void TestDevService::generatedProgram_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("codeType");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("indicatorCall");

    struct Request
    {
        const char *name;
        QString message;
        QStringList inputs;
        QString indicatorCall;
    };
    const QList<Request> requests = {
        {"rsi",
         QStringLiteral("RSI 9 overbought 75 oversold 25"),
         {QStringLiteral("InpRsiPeriod = 9"), QStringLiteral("InpOverbought = 75.00"),
          QStringLiteral("InpOversold = 25.00")},
         QStringLiteral("iRSI")},
        {"crossover",
         QStringLiteral("crossover fast 8 slow 34"),
         {QStringLiteral("InpFastPeriod = 8"), QStringLiteral("InpSlowPeriod = 34"),
          QStringLiteral("InpMaMethod = MODE_SMA")},
         QStringLiteral("iMA")},
        {"crossover, pair reversed",
         QStringLiteral("MA cross with slow 9 and fast 40"),
         {QStringLiteral("InpFastPeriod = 9"), QStringLiteral("InpSlowPeriod = 40")},
         QStringLiteral("iMA")},
        {"ema on a timeframe",
         QStringLiteral("for the MT5 H4 chart: exponential moving average 30"),
         {QStringLiteral("InpMaPeriod = 30"), QStringLiteral("InpMaMethod = MODE_EMA")},
         QStringLiteral("iMA")},
        {"plain request",
         QStringLiteral("draw a line on my chart"),
         {QStringLiteral("InpMaPeriod = 20")},
         QStringLiteral("iMA")},
        {"chinese",
         QStringLiteral("RSI周期21，超买80，超卖20"),
         {QStringLiteral("InpRsiPeriod = 21"), QStringLiteral("InpOverbought = 80.00"),
          QStringLiteral("InpOversold = 20.00")},
         QStringLiteral("iRSI")},
    };
    const QString trading = QStringLiteral(", 0.25 lots, stop loss 250, take profit 500");
    const QStringList tradingInputs{QStringLiteral("InpLots = 0.25"),
                                    QStringLiteral("InpStopLoss = 250"),
                                    QStringLiteral("InpTakeProfit = 500")};
    for (const QString &platform : {QStringLiteral("MT4"), QStringLiteral("MT5")}) {
        for (const QString &codeType : {QStringLiteral("indicator"), QStringLiteral("ea")}) {
            const bool ea = codeType == QLatin1String("ea");
            for (const Request &request : requests) {
                QTest::addRow("%s %s %s", qPrintable(platform), qPrintable(codeType), request.name)
                    << platform << codeType << (ea ? request.message + trading : request.message)
                    << (ea ? request.inputs + tradingInputs : request.inputs)
                    << request.indicatorCall;
            }
        }
    }
}

void TestDevService::generatedProgram()
{
    QFETCH(QString, platform);
    QFETCH(QString, codeType);
    QFETCH(QString, message);
    QFETCH(QStringList, inputs);
    QFETCH(QString, indicatorCall);

    const bool mql4 = platform == QLatin1String("MT4");
    const bool indicator = codeType == QLatin1String("indicator");
    const QString source = programFor(openSession(platform, codeType), message);
    const QString code = codeOnly(source);
    QVERIFY(!code.trimmed().isEmpty());

    QVERIFY2(bracketProblem(code).isEmpty(), qPrintable(bracketProblem(code)));
    QVERIFY(!code.contains(QLatin1String("{{")));
    // The #property header opens the program, ahead of every declaration.
    const QString firstLine = code.trimmed().section(u'\n', 0, 0);
    QVERIFY2(firstLine.startsWith(QLatin1String("#property copyright")), qPrintable(firstLine));
    const qsizetype firstInput = code.indexOf(QLatin1String("\ninput "));
    QVERIFY(firstInput > 0);
    const QRegularExpression version(QStringLiteral(R"(#property\s+version\b)"));
    const qsizetype versionAt = code.indexOf(version);
    QVERIFY(versionAt >= 0 && versionAt < firstInput);

    for (const QString &pattern : requiredPatterns(mql4, indicator)) {
        const QRegularExpression required(pattern, QRegularExpression::MultilineOption);
        QVERIFY2(code.contains(required), qPrintable(pattern));
    }
    for (const QString &handler : {QStringLiteral("OnInit"), QStringLiteral("OnCalculate"),
                                   QStringLiteral("OnTick"), QStringLiteral("OnDeinit")}) {
        QVERIFY2(countOf(code, QStringLiteral(R"(\b%1\s*\([^()]*\)\s*\{)").arg(handler)) <= 1,
                 qPrintable(handler));
    }
    for (const QString &pattern : foreignPatterns(mql4))
        QVERIFY2(!code.contains(QRegularExpression(pattern)), qPrintable(pattern));

    const QRegularExpression buffers(QStringLiteral(R"(#property\s+indicator_buffers\s+(\d+))"));
    if (indicator) {
        QCOMPARE(countOf(code, QStringLiteral(R"(\bSetIndexBuffer\s*\()")),
                 buffers.match(code).captured(1).toInt());
    } else {
        QVERIFY(!code.contains(QLatin1String("#property indicator_")));
    }

    QVERIFY(code.contains(QRegularExpression(QStringLiteral(R"(\b%1\s*\()").arg(indicatorCall))));
    for (const QString &input : inputs) {
        const QString name = input.section(u' ', 0, 0);
        const QString value = QRegularExpression::escape(input.section(u' ', 2));
        const QRegularExpression declaration(
            QStringLiteral(R"(^input\s+\w+\s+%1\s*=\s*%2\s*;)").arg(name, value),
            QRegularExpression::MultilineOption);
        QVERIFY2(code.contains(declaration), qPrintable(input));
    }
}

void TestDevService::requestStaysInItsComment_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("codeType");

    QTest::newRow("MT4 indicator") << QStringLiteral("MT4") << QStringLiteral("indicator");
    QTest::newRow("MT5 ea") << QStringLiteral("MT5") << QStringLiteral("ea");
}

void TestDevService::requestStaysInItsComment()
{
    QFETCH(QString, platform);
    QFETCH(QString, codeType);

    const QString source = programFor(
        openSession(platform, codeType),
        QStringLiteral(
            "RSI 14 */ escaped(); } /* ** // {{Lots}}\r\nsecond_line();\u2028third_line"));
    QVERIFY(source.contains(QLatin1String("RSI 14")));
    const QString code = codeOnly(source);
    QVERIFY2(bracketProblem(code).isEmpty(), qPrintable(bracketProblem(code)));
    for (const QString &word : {QStringLiteral("escaped"), QStringLiteral("second_line"),
                                QStringLiteral("third_line"), QStringLiteral("{{")}) {
        QVERIFY2(!code.contains(word), qPrintable(word));
    }
}

BREVAN_CORE_TEST_MAIN(TestDevService)
#include "tst_devservice.moc"
