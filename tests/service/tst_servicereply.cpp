#include "service/servicereply.h"
#include "service/versionverdict.h"
#include "support/testenvironment.h"

Q_DECLARE_METATYPE(ServiceReply::Kind)

// How the client reads the bodies of "/api/new", "/api/chat" and "/api/version_check".
class TestServiceReply final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void kind_data();
    void kind();
    void success_data();
    void success();
    void message_data();
    void message();
    void sessionId_data();
    void sessionId();
    void response_data();
    void response();
    void unreadableBodyReadsAsNothing_data();
    void unreadableBodyReadsAsNothing();

    void versionVerdict_data();
    void versionVerdict();
};

void TestServiceReply::init()
{
    TestEnvironment::resetSettings();
}

void TestServiceReply::kind_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<ServiceReply::Kind>("kind");

    QTest::newRow("new") << QByteArray(R"({"api_type": "new"})") << ServiceReply::Kind::NewSession;
    QTest::newRow("chat") << QByteArray(R"({"api_type": "chat"})") << ServiceReply::Kind::Chat;
    QTest::newRow("Chat") << QByteArray(R"({"api_type": "Chat"})") << ServiceReply::Kind::Other;
    QTest::newRow("NEW") << QByteArray(R"({"api_type": "NEW"})") << ServiceReply::Kind::Other;
    QTest::newRow("padded") << QByteArray(R"({"api_type": " new"})") << ServiceReply::Kind::Other;
    QTest::newRow("trailing space") << QByteArray(R"({"api_type": "chat "})") << ServiceReply::Kind::Other;
    QTest::newRow("other name") << QByteArray(R"({"api_type": "session"})") << ServiceReply::Kind::Other;
    QTest::newRow("empty") << QByteArray(R"({"api_type": ""})") << ServiceReply::Kind::Other;
    QTest::newRow("missing") << QByteArray(R"({"success": true})") << ServiceReply::Kind::Other;
    QTest::newRow("not a string") << QByteArray(R"({"api_type": 1})") << ServiceReply::Kind::Other;
    QTest::newRow("in an array") << QByteArray(R"({"api_type": ["new"]})") << ServiceReply::Kind::Other;
}

void TestServiceReply::kind()
{
    QFETCH(QByteArray, body);
    QFETCH(ServiceReply::Kind, kind);
    QCOMPARE(parseServiceReply(body).kind, kind);
}

void TestServiceReply::success_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("success");

    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("string true") << QByteArray(R"("true")") << false;
    QTest::newRow("one") << QByteArray("1") << false;
    QTest::newRow("null") << QByteArray("null") << false;
    QTest::newRow("object") << QByteArray("{}") << false;
}

void TestServiceReply::success()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, success);

    for (const char *type : {"new", "chat"}) {
        const QByteArray body = QByteArray(R"({"api_type": ")") + type + R"(", "success": )" + value + '}';
        QCOMPARE(parseServiceReply(body).success, success);
    }
    QCOMPARE(parseServiceReply(R"({"api_type": "new"})").success, false);
}

void TestServiceReply::message_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("message");

    QTest::newRow("text") << QByteArray(R"("Session created")") << QStringLiteral("Session created");
    QTest::newRow("unicode") << QByteArray(R"("\u4f60\u597d")") << QStringLiteral("你好");
    QTest::newRow("empty") << QByteArray(R"("")") << QString();
    QTest::newRow("number") << QByteArray("42") << QString();
    QTest::newRow("true") << QByteArray("true") << QString();
    QTest::newRow("null") << QByteArray("null") << QString();
    QTest::newRow("object") << QByteArray(R"({"text": "hi"})") << QString();
    QTest::newRow("array") << QByteArray(R"(["hi"])") << QString();
}

void TestServiceReply::message()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, message);

    for (const char *type : {"new", "chat"}) {
        const QByteArray body = QByteArray(R"({"api_type": ")") + type + R"(", "message": )" + value + '}';
        QCOMPARE(parseServiceReply(body).message, message);
    }
}

void TestServiceReply::sessionId_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("hasSessionId");
    QTest::addColumn<QString>("sessionId");

    QTest::newRow("string") << QByteArray(R"({"api_type": "new", "session_id": "abc-1"})") << true
                            << QStringLiteral("abc-1");
    QTest::newRow("empty string") << QByteArray(R"({"api_type": "new", "session_id": ""})") << true
                                  << QString();
    QTest::newRow("number") << QByteArray(R"({"api_type": "new", "session_id": 17})") << true << QString();
    QTest::newRow("null") << QByteArray(R"({"api_type": "new", "session_id": null})") << true << QString();
    QTest::newRow("missing") << QByteArray(R"({"api_type": "new", "success": true})") << false << QString();
}

void TestServiceReply::sessionId()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, hasSessionId);
    QFETCH(QString, sessionId);

    const ServiceReply reply = parseServiceReply(body);
    QCOMPARE(reply.hasSessionId, hasSessionId);
    QCOMPARE(reply.sessionId, sessionId);
}

void TestServiceReply::response_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("response");

    QTest::newRow("code") << QByteArray(R"({"response": "int start()\n{\n}\n"})")
                          << QStringLiteral("int start()\n{\n}\n");
    QTest::newRow("response not a string") << QByteArray(R"({"response": 5})") << QString();
    QTest::newRow("no response") << QByteArray(R"({"code": "x"})") << QString();
    QTest::newRow("data a string") << QByteArray(R"("int start(){}")") << QString();
    QTest::newRow("data an array") << QByteArray(R"([{"response": "x"}])") << QString();
    QTest::newRow("data null") << QByteArray("null") << QString();
}

void TestServiceReply::response()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, response);

    const QByteArray body = R"({"api_type": "chat", "success": true, "data": )" + data + '}';
    const ServiceReply reply = parseServiceReply(body);
    QCOMPARE(reply.kind, ServiceReply::Kind::Chat);
    QCOMPARE(reply.success, true);
    QCOMPARE(reply.response, response);

    QCOMPARE(parseServiceReply(R"({"api_type": "chat", "success": true})").response, QString());
}

void TestServiceReply::unreadableBodyReadsAsNothing_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("HTML") << QByteArray("<html><body>502 Bad Gateway</body></html>");
    QTest::newRow("truncated") << QByteArray(R"({"api_type": "new", "success": true, "session_id": "a")");
    QTest::newRow("array") << QByteArray(R"([{"api_type": "new", "success": true, "session_id": "a"}])");
    QTest::newRow("string") << QByteArray(R"("new")");
    QTest::newRow("number") << QByteArray("1");
    QTest::newRow("true") << QByteArray("true");
}

void TestServiceReply::unreadableBodyReadsAsNothing()
{
    QFETCH(QByteArray, body);

    const ServiceReply reply = parseServiceReply(body);
    QCOMPARE(reply.kind, ServiceReply::Kind::Other);
    QCOMPARE(reply.success, false);
    QCOMPARE(reply.message, QString());
    QCOMPARE(reply.hasSessionId, false);
    QCOMPARE(reply.sessionId, QString());
    QCOMPARE(reply.response, QString());

    const VersionVerdict verdict = parseVersionVerdict(body);
    QCOMPARE(verdict.needUpdate, false);
    QCOMPARE(verdict.message, QString());
    QCOMPARE(verdict.minVersion, QString());
}

void TestServiceReply::versionVerdict_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("needUpdate");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("minVersion");

    QTest::newRow("up to date") << QByteArray(R"({"need_update": false, "min_version": "1.0.0"})") << false
                                << QString() << QStringLiteral("1.0.0");
    QTest::newRow("outdated with message")
        << QByteArray(R"({"need_update": true, "message": "Please update", "min_version": "2.0.0"})") << true
        << QStringLiteral("Please update") << QStringLiteral("2.0.0");
    QTest::newRow("outdated bare") << QByteArray(R"({"need_update": true})") << true << QString() << QString();
    QTest::newRow("string true") << QByteArray(R"({"need_update": "true", "min_version": "2.0.0"})") << false
                                 << QString() << QStringLiteral("2.0.0");
    QTest::newRow("one") << QByteArray(R"({"need_update": 1})") << false << QString() << QString();
    QTest::newRow("null") << QByteArray(R"({"need_update": null})") << false << QString() << QString();
    QTest::newRow("message not a string") << QByteArray(R"({"need_update": true, "message": 3})") << true
                                          << QString() << QString();
    QTest::newRow("min_version a number") << QByteArray(R"({"need_update": true, "min_version": 2.0})")
                                          << true << QString() << QString();
    QTest::newRow("key in another case") << QByteArray(R"({"Need_Update": true})") << false << QString()
                                         << QString();
}

void TestServiceReply::versionVerdict()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, needUpdate);
    QFETCH(QString, message);
    QFETCH(QString, minVersion);

    const VersionVerdict verdict = parseVersionVerdict(body);
    QCOMPARE(verdict.needUpdate, needUpdate);
    QCOMPARE(verdict.message, message);
    QCOMPARE(verdict.minVersion, minVersion);
}

BREVAN_CORE_TEST_MAIN(TestServiceReply)

#include "tst_servicereply.moc"
