#include "service/replywait.h"
#include "service/serviceconfig.h"
#include "service/servicepaths.h"
#include "service/servicereply.h"
#include "service/servicerequest.h"
#include "service/versionverdict.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>

using namespace Qt::StringLiterals;

// The rules without a window: where the service is, how its answers read, what reaches it.
class TestServiceRules final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TestEnvironment::resetSettings(); }
    void cleanup() { TestEnvironment::removeServiceConfig(); }

    void baseAddress_data()
    {
        QTest::addColumn<QByteArray>("config"); // null: no config.json at all
        QTest::addColumn<QString>("base");
        const QString fallback = u"http://127.0.0.1:8080"_s;
        QTest::newRow("missing file") << QByteArray() << fallback;
        QTest::newRow("not JSON") << "api_base_url = http://h:1"_ba << fallback;
        QTest::newRow("JSON array") << R"([{"api_base_url": "http://h:1"}])"_ba << fallback;
        QTest::newRow("object without key") << R"({"api_url": "http://h:1"})"_ba << fallback;
        QTest::newRow("key not a string") << R"({"api_base_url": 8080})"_ba << QString();
        QTest::newRow("trailing slash") << R"({"api_base_url": "http://h:1/"})"_ba << u"http://h:1"_s;
        QTest::newRow("several slashes") << R"({"api_base_url": "http://h:1///"})"_ba << u"http://h:1"_s;
        QTest::newRow("path kept") << R"({"api_base_url": "http://h:1/gw/v2/"})"_ba << u"http://h:1/gw/v2"_s;
        QTest::newRow("only slashes") << R"({"api_base_url": "///"})"_ba << QString();
    }
    void baseAddress()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, base);
        config.isNull() ? TestEnvironment::removeServiceConfig() : TestEnvironment::writeServiceConfig(config);
        QCOMPARE(resolveApiBaseUrl(), base);
    }

    // Answers read as kind|success|message|session id ("-": absent)|response, verdicts as need_update|message|min_version.
    void reading_data()
    {
        QTest::addColumn<bool>("verdict");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read");
        QTest::newRow("new, every field") << false << R"({"api_type":"new","success":true,"session_id":"s-1","message":"hi"})"_ba << u"new|1|hi|s-1|"_s;
        QTest::newRow("success a string") << false << R"({"api_type":"new","success":"true","message":"no"})"_ba << u"new|0|no|-|"_s;
        QTest::newRow("api_type in another case") << false << R"({"api_type":"Chat","success":true})"_ba << u"other|1||-|"_s;
        QTest::newRow("session_id a number") << false << R"({"api_type":"new","session_id":7})"_ba << u"new|0|||"_s;
        QTest::newRow("chat response") << false << R"({"api_type":"chat","success":true,"data":{"response":"int x;"}})"_ba << u"chat|1||-|int x;"_s;
        QTest::newRow("data missing") << false << R"({"api_type":"chat","success":true})"_ba << u"chat|1||-|"_s;
        QTest::newRow("data not an object") << false << R"({"api_type":"chat","data":"int x;"})"_ba << u"chat|0||-|"_s;
        QTest::newRow("invalid JSON") << false << R"({"api_type":"new","success":true,"message":"hi")"_ba << u"other|0||-|"_s;
        QTest::newRow("verdict: up to date") << true << R"({"need_update":false,"min_version":"1.0.0"})"_ba << u"0||1.0.0"_s;
        QTest::newRow("verdict: outdated") << true << R"({"need_update":true,"message":"Update","min_version":"2.0"})"_ba << u"1|Update|2.0"_s;
        QTest::newRow("verdict: need_update a string") << true << R"({"need_update":"true"})"_ba << u"0||"_s;
        QTest::newRow("verdict: min_version a number") << true << R"({"need_update":true,"min_version":2})"_ba << u"1||"_s;
    }
    void reading()
    {
        QFETCH(bool, verdict);
        QFETCH(QByteArray, body);
        QFETCH(QString, read);
        const ServiceReply reply = parseServiceReply(body);
        const VersionVerdict version = parseVersionVerdict(body);
        const QString kind = QStringList{u"other"_s, u"new"_s, u"chat"_s}.at(int(reply.kind));
        const QString id = reply.hasSessionId ? reply.sessionId : u"-"_s;
        const QStringList fields = verdict
            ? QStringList{QString::number(version.needUpdate), version.message, version.minVersion}
            : QStringList{kind, QString::number(reply.success), reply.message, id, reply.response};
        QCOMPARE(fields.join(u'|'), read);
    }

    // Request kind n, sent under the stored language n, as the service receives it.
    void onTheWire_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QJsonObject>("json");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("version check, 0") << 0 << "POST /api/version_check"_ba << QJsonObject{{"client_version", "1.0.0"}} << "en"_ba;
        QTest::newRow("new chat, 1") << 1 << "POST /api/new"_ba << QJsonObject{{"code_type", "ea"}, {"platform", "MT5"}, {"lang", "zh-CN"}} << "zh-CN"_ba;
        QTest::newRow("chat, 2") << 2 << "POST /api/chat"_ba << QJsonObject{{"session_id", "s-1"}, {"user_message", "Draw \"RSI\"\n"}, {"lang", "zh-TW"}} << "zh-TW"_ba;
        QTest::newRow("end session, 3") << 3 << "DELETE /api/session"_ba << QJsonObject{{"session_id", "s-1"}, {"lang", "en"}} << "en"_ba;
        QTest::newRow("closing session, 4") << 4 << "DELETE /api/session"_ba << QJsonObject{{"session_id", "s-1"}} << "en"_ba;
    }
    void onTheWire()
    {
        QFETCH(int, which);
        QFETCH(QByteArray, request);
        QFETCH(QJsonObject, json);
        QFETCH(QByteArray, code);
        QSettings().setValue(u"language"_s, which);
        FakeService service;
        QNetworkAccessManager manager;
        const QString url = service.baseUrl() + QString::fromUtf8(request.mid(request.indexOf(' ') + 1));
        const QJsonObject body = QList{versionCheckBody(), newChatBody(u"ea"_s, u"MT5"_s), chatBody(u"s-1"_s, u"Draw \"RSI\"\n"_s),
                                       endSessionBody(u"s-1"_s), closingSessionBody(u"s-1"_s)}.at(which);
        QScopedPointer<QNetworkReply> reply(request.startsWith("POST") ? postServiceRequest(manager, url, body)
                                                                       : deleteServiceRequest(manager, url, body));
        QVERIFY(waitForReply(reply.get(), std::chrono::seconds(10)));

        QCOMPARE(service.requests().size(), 1);
        const FakeService::Request &received = service.requests().constFirst();
        QCOMPARE(received.method + ' ' + received.path.toUtf8(), request);
        QCOMPARE(received.header("Content-Type"), "application/json"_ba);
        QCOMPARE(received.header("Accept-Language"), code);
        QCOMPARE(received.body, QJsonDocument(json).toJson(QJsonDocument::Indented));
    }

    // True when the reply finished by itself; it has finished afterwards in any case.
    void boundedWait()
    {
        FakeService service;
        service.setDefaultReply("POST", ServicePath::Chat, FakeService::versionOk().delayed(100));
        service.setDefaultReply("POST", ServicePath::NewChat, FakeService::Reply::silent());
        QNetworkAccessManager manager;
        QScopedPointer<QNetworkReply> answered(postServiceRequest(manager, service.baseUrl() + ServicePath::Chat, {}));
        QVERIFY(waitForReply(answered.get(), std::chrono::seconds(10)));
        QVERIFY(answered->isFinished());
        QCOMPARE(answered->error(), QNetworkReply::NoError);
        QScopedPointer<QNetworkReply> silent(postServiceRequest(manager, service.baseUrl() + ServicePath::NewChat, {}));
        QVERIFY(!waitForReply(silent.get(), std::chrono::milliseconds(300)));
        QVERIFY(silent->isFinished());
        QCOMPARE(silent->error(), QNetworkReply::OperationCanceledError);
    }
};

BREVAN_CORE_TEST_MAIN(TestServiceRules)

#include "tst_servicerules.moc"
