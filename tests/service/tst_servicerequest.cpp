#include "service/replywait.h"
#include "service/servicerequest.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopedPointer>
#include <QSettings>

using namespace std::chrono_literals;

// What the client's requests look like when they reach the service, and how it waits for one.
class TestServiceRequest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void bodyOnTheWire_data();
    void bodyOnTheWire();
    void languageOnTheWire_data();
    void languageOnTheWire();

    void waitEndsWithTheReply();
    void waitReturnsAtOnceForAFinishedReply();
    void waitAbortsASilentServiceAtTheBound();
    void zeroBoundWaitsUntilTheReplyEnds();
    void waitKeepsDeliveringOtherReplies();

private:
    // Sends one of the client's requests, named by which, to service.
    QNetworkReply *send(QNetworkAccessManager &manager, const FakeService &service, const QString &which);
};

namespace {

const QString kSessionId = QStringLiteral("5f0c-77");
const QString kUserMessage = QStringLiteral("  RSI crossing 30, with \"quotes\"\nand a second line ");

} // namespace

void TestServiceRequest::init()
{
    TestEnvironment::resetSettings();
}

QNetworkReply *TestServiceRequest::send(QNetworkAccessManager &manager, const FakeService &service,
                                        const QString &which)
{
    const QString base = service.baseUrl();
    if (which == QLatin1String("version check"))
        return postServiceRequest(manager, base + QStringLiteral("/api/version_check"), versionCheckBody());
    if (which == QLatin1String("new chat"))
        return postServiceRequest(manager, base + QStringLiteral("/api/new"),
                                  newChatBody(QStringLiteral("ea"), QStringLiteral("MT5")));
    if (which == QLatin1String("chat"))
        return postServiceRequest(manager, base + QStringLiteral("/api/chat"), chatBody(kSessionId, kUserMessage));
    if (which == QLatin1String("end session"))
        return deleteServiceRequest(manager, base + QStringLiteral("/api/session"), endSessionBody(kSessionId));
    return deleteServiceRequest(manager, base + QStringLiteral("/api/session"), closingSessionBody(kSessionId));
}

void TestServiceRequest::bodyOnTheWire_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonObject>("body");

    QTest::newRow("version check") << QStringLiteral("version check") << QByteArray("POST")
                                   << QStringLiteral("/api/version_check")
                                   << QJsonObject{{QStringLiteral("client_version"), QStringLiteral("1.0.0")}};
    QTest::newRow("new chat") << QStringLiteral("new chat") << QByteArray("POST") << QStringLiteral("/api/new")
                              << QJsonObject{{QStringLiteral("code_type"), QStringLiteral("ea")},
                                             {QStringLiteral("platform"), QStringLiteral("MT5")},
                                             {QStringLiteral("lang"), QStringLiteral("en")}};
    QTest::newRow("chat") << QStringLiteral("chat") << QByteArray("POST") << QStringLiteral("/api/chat")
                          << QJsonObject{{QStringLiteral("session_id"), kSessionId},
                                         {QStringLiteral("user_message"), kUserMessage},
                                         {QStringLiteral("lang"), QStringLiteral("en")}};
    QTest::newRow("end session") << QStringLiteral("end session") << QByteArray("DELETE")
                                 << QStringLiteral("/api/session")
                                 << QJsonObject{{QStringLiteral("session_id"), kSessionId},
                                                {QStringLiteral("lang"), QStringLiteral("en")}};
    QTest::newRow("closing session") << QStringLiteral("closing session") << QByteArray("DELETE")
                                     << QStringLiteral("/api/session")
                                     << QJsonObject{{QStringLiteral("session_id"), kSessionId}};
}

void TestServiceRequest::bodyOnTheWire()
{
    QFETCH(QString, which);
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QJsonObject, body);

    FakeService service;
    QVERIFY(service.isListening());
    QNetworkAccessManager manager;
    QScopedPointer<QNetworkReply> reply(send(manager, service, which));
    QVERIFY(service.waitForRequests(1));
    QVERIFY(waitForReply(reply.get(), 10s));

    QCOMPARE(service.requests().size(), 1);
    const FakeService::Request &request = service.requests().constFirst();
    QCOMPARE(request.method, method);
    QCOMPARE(request.path, path);
    QCOMPARE(request.header("content-type"), QByteArray("application/json"));
    QCOMPARE(request.header("accept-language"), QByteArray("en"));
    // Indented, one key a line, exactly as the service's own examples are written.
    QCOMPARE(request.body, QJsonDocument(body).toJson(QJsonDocument::Indented));
    QVERIFY(request.body.startsWith("{\n    \""));
    QCOMPARE(request.json, body);
    QCOMPARE(request.json.keys(), body.keys());
}

void TestServiceRequest::languageOnTheWire_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<QByteArray>("code");

    QTest::newRow("not set") << QVariant() << QByteArray("en");
    QTest::newRow("0") << QVariant(0) << QByteArray("en");
    QTest::newRow("1") << QVariant(1) << QByteArray("zh-CN");
    QTest::newRow("2") << QVariant(2) << QByteArray("zh-TW");
    QTest::newRow("3") << QVariant(3) << QByteArray("en");
    QTest::newRow("-1") << QVariant(-1) << QByteArray("en");
    QTest::newRow("not a number") << QVariant(QStringLiteral("chinese")) << QByteArray("en");
}

void TestServiceRequest::languageOnTheWire()
{
    QFETCH(QVariant, setting);
    QFETCH(QByteArray, code);

    if (setting.isValid())
        QSettings().setValue(QStringLiteral("language"), setting);

    FakeService service;
    QNetworkAccessManager manager;
    const QStringList kinds = {QStringLiteral("version check"), QStringLiteral("new chat"), QStringLiteral("chat"),
                               QStringLiteral("end session"), QStringLiteral("closing session")};
    for (const QString &which : kinds) {
        QScopedPointer<QNetworkReply> reply(send(manager, service, which));
        QVERIFY(waitForReply(reply.get(), 10s));
    }
    QCOMPARE(service.requests().size(), kinds.size());

    for (qsizetype i = 0; i < kinds.size(); ++i) {
        const FakeService::Request &request = service.requests().at(i);
        QCOMPARE(request.header("Accept-Language"), code);
        // Only the conversation itself names the language in its body.
        const bool namesLanguage = i >= 1 && i <= 3;
        QCOMPARE(request.json.contains(QLatin1String("lang")), namesLanguage);
        if (namesLanguage)
            QCOMPARE(request.json.value(QLatin1String("lang")).toString().toUtf8(), code);
    }
}

void TestServiceRequest::waitEndsWithTheReply()
{
    FakeService service;
    service.setDefaultReply("POST", QStringLiteral("/api/version_check"), FakeService::versionOk().delayed(200));
    QNetworkAccessManager manager;
    QScopedPointer<QNetworkReply> reply(send(manager, service, QStringLiteral("version check")));

    QVERIFY(waitForReply(reply.get(), 30s));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), FakeService::versionOk().body);
}

void TestServiceRequest::waitReturnsAtOnceForAFinishedReply()
{
    FakeService service;
    QNetworkAccessManager manager;
    QScopedPointer<QNetworkReply> reply(send(manager, service, QStringLiteral("chat")));
    QVERIFY(waitForReply(reply.get()));
    QVERIFY(reply->isFinished());
    QVERIFY(waitForReply(reply.get(), 1ms));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
}

void TestServiceRequest::waitAbortsASilentServiceAtTheBound()
{
    FakeService service;
    service.setDefaultReply("DELETE", QStringLiteral("/api/session"), FakeService::Reply::silent());
    QNetworkAccessManager manager;
    QScopedPointer<QNetworkReply> reply(send(manager, service, QStringLiteral("closing session")));

    QVERIFY(!waitForReply(reply.get(), 300ms));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
    QCOMPARE(service.requestsTo("DELETE", QStringLiteral("/api/session")).size(), 1);
}

void TestServiceRequest::zeroBoundWaitsUntilTheReplyEnds()
{
    FakeService service;
    service.setDefaultReply("POST", QStringLiteral("/api/new"),
                            FakeService::newSession(QStringLiteral("late")).delayed(1500));
    service.setDefaultReply("POST", QStringLiteral("/api/chat"), FakeService::Reply::silent());
    QNetworkAccessManager manager;

    QScopedPointer<QNetworkReply> slow(send(manager, service, QStringLiteral("new chat")));
    QVERIFY(waitForReply(slow.get()));
    QCOMPARE(slow->error(), QNetworkReply::NoError);
    QCOMPARE(slow->readAll(), FakeService::newSession(QStringLiteral("late")).body);

    // Without a bound of its own the wait lasts until something else ends the reply.
    manager.setTransferTimeout(500);
    QScopedPointer<QNetworkReply> silent(send(manager, service, QStringLiteral("chat")));
    QVERIFY(waitForReply(silent.get()));
    QVERIFY(silent->isFinished());
    QVERIFY(silent->error() != QNetworkReply::NoError);
}

void TestServiceRequest::waitKeepsDeliveringOtherReplies()
{
    FakeService service;
    service.setDefaultReply("DELETE", QStringLiteral("/api/session"),
                            FakeService::Reply::json({}).delayed(1500));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("x")));
    QNetworkAccessManager waiting;
    QNetworkAccessManager other;
    QSignalSpy otherFinished(&other, &QNetworkAccessManager::finished);

    QScopedPointer<QNetworkReply> closing(send(waiting, service, QStringLiteral("closing session")));
    QScopedPointer<QNetworkReply> meanwhile(send(other, service, QStringLiteral("new chat")));
    QVERIFY(waitForReply(closing.get(), 30s));
    QCOMPARE(otherFinished.size(), 1);
    QCOMPARE(meanwhile->error(), QNetworkReply::NoError);
}

BREVAN_CORE_TEST_MAIN(TestServiceRequest)

#include "tst_servicerequest.moc"
