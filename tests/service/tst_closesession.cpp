#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "windowdriver.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QScopedPointer>

// Closing the window ends the open session, without letting a silent service hold it.
class TestCloseSession final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void closingEndsTheOpenSession();
    void closingWithoutSessionSendsNothing_data();
    void closingWithoutSessionSendsNothing();
    void silentServiceCannotHoldTheClosingWindow();
    void replyArrivingWhileClosingIsStillShown();

private:
    bool openWindow(FakeService &service, QScopedPointer<BrevanQt> &window);
};

namespace {

const QString kGreeting = QStringLiteral("Welcome, trader!");

void settle()
{
    QTest::qWait(300);
}

} // namespace

void TestCloseSession::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestCloseSession::init()
{
    TestEnvironment::resetSettings();
}

void TestCloseSession::cleanup()
{
    TestEnvironment::removeServiceConfig();
}

bool TestCloseSession::openWindow(FakeService &service, QScopedPointer<BrevanQt> &window)
{
    TestEnvironment::writeServiceBaseUrl(service.baseUrl());
    window.reset(new BrevanQt);
    window->show();
    return WindowDriver(*window).waitForBubbles(2) && service.requests().size() == 2;
}

void TestCloseSession::closingEndsTheOpenSession()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    // The close waited for the answer, so its request has been read by now.
    QList<FakeService::Request> deletes = service.requestsTo("DELETE", QStringLiteral("/api/session"));
    QCOMPARE(deletes.size(), 1);
    QCOMPARE(deletes.constFirst().json, (QJsonObject{{QStringLiteral("session_id"), QStringLiteral("s-1")}}));
    QCOMPARE(deletes.constFirst().header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(deletes.constFirst().header("Accept-Language"), QByteArray("en"));

    // The session is gone: closing again, or destroying the window, ends nothing more.
    window->show();
    QVERIFY(window->close());
    window.reset();
    settle();
    QCOMPARE(service.requests().size(), 3);
}

void TestCloseSession::closingWithoutSessionSendsNothing_data()
{
    QTest::addColumn<QByteArray>("firstReply");

    QTest::newRow("no session_id") << QByteArray(R"({"api_type": "new", "success": true, "message": "hi"})");
    QTest::newRow("session refused")
        << QByteArray(R"({"api_type": "new", "success": false, "session_id": "s-1", "message": "full"})");
    QTest::newRow("empty session_id")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": "", "message": "hi"})");
    QTest::newRow("numeric session_id")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": 5, "message": "hi"})");
}

void TestCloseSession::closingWithoutSessionSendsNothing()
{
    QFETCH(QByteArray, firstReply);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    FakeService::Reply reply;
    reply.body = firstReply;
    service.enqueueReply("POST", QStringLiteral("/api/new"), reply);
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    settle();
    QCOMPARE(service.requests().size(), 2);
}

void TestCloseSession::silentServiceCannotHoldTheClosingWindow()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    // Dropped long after the client should have given up, so that a client that never
    // does so fails here instead of hanging.
    service.setDefaultReply("DELETE", QStringLiteral("/api/session"), FakeService::Reply::dropped().delayed(120000));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(service.requestsTo("DELETE", QStringLiteral("/api/session")).size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(service.abandonedRequests(), 1, 10000);
}

void TestCloseSession::replyArrivingWhileClosingIsStillShown()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    service.setDefaultReply("POST", QStringLiteral("/api/chat"),
                            FakeService::Reply::json({{QStringLiteral("api_type"), QStringLiteral("chat")},
                                                      {QStringLiteral("success"), false},
                                                      {QStringLiteral("message"), QStringLiteral("Answered late")}}));
    // Long enough for the chat's answer to come first, well inside the closing bound.
    service.setDefaultReply("DELETE", QStringLiteral("/api/session"),
                            FakeService::Reply::json({{QStringLiteral("success"), true}}).delayed(2000));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    driver.send(QStringLiteral("Draw an RSI"), QStringLiteral("MyRsi"));
    QVERIFY(window->close());

    QCOMPARE(handled.size(), 1);
    QCOMPARE(driver.bubbles(), (QStringList{QStringLiteral("Creating new MT4 Indicator chat..."), kGreeting,
                                            QStringLiteral("Draw an RSI"), QStringLiteral("Generating code..."),
                                            QStringLiteral("Answered late")}));
    QCOMPARE(service.requestsTo("DELETE", QStringLiteral("/api/session")).size(), 1);
    QCOMPARE(service.abandonedRequests(), 0);
}

BREVAN_GUI_TEST_MAIN(TestCloseSession)

#include "tst_closesession.moc"
