#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QTcpSocket>

// The stand-in service must read requests the way a real server does, or every test
// built on it would test it rather than the client.
class TestFakeService final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void readsRequestsInPiecesAndInBatches();
    void answersOneShotRepliesBeforeTheDefault();
    void dropsTheConnectionWhenScriptedTo();
    void countsRequestsTheClientGaveUpOn();

private:
    // Reads from socket until it holds count whole replies (each has a Content-Length).
    static QByteArray readReplies(QTcpSocket &socket, int count);
};

namespace {

QByteArray postRequest(const QByteArray &path, const QByteArray &body)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\ncontent-type: application/json\r\n"
           "CONTENT-LENGTH: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

void TestFakeService::init()
{
    TestEnvironment::resetSettings();
}

QByteArray TestFakeService::readReplies(QTcpSocket &socket, int count)
{
    QByteArray received;
    const auto whole = [&received, count] { return received.count("HTTP/1.1 ") >= count && received.endsWith("}"); };
    const bool complete = QTest::qWaitFor([&] {
        received += socket.readAll();
        return whole();
    }, 10000);
    if (!complete)
        qWarning("replies still incomplete: %s", received.constData());
    return received;
}

void TestFakeService::readsRequestsInPiecesAndInBatches()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-9"));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, QUrl(service.baseUrl()).port());
    QVERIFY(socket.waitForConnected(10000));

    const QByteArray first = postRequest("/api/new", R"({"platform": "MT4"})");
    for (char byte : first) {
        socket.write(&byte, 1);
        socket.flush();
        QTest::qWait(1);
    }
    QVERIFY(service.waitForRequests(1));
    QVERIFY(readReplies(socket, 1).contains(R"("session_id":"s-9")"));

    socket.write(postRequest("/api/chat?x=1", "{}") + postRequest("/api/version_check", "{}"));
    QVERIFY(service.waitForRequests(3));
    const QByteArray replies = readReplies(socket, 2);
    QVERIFY(replies.indexOf(R"("api_type":"chat")") < replies.indexOf(R"("need_update")"));

    const QList<FakeService::Request> &requests = service.requests();
    QCOMPARE(requests.at(0).path, QStringLiteral("/api/new"));
    QCOMPARE(requests.at(0).header("Content-Length"), QByteArray("19"));
    QCOMPARE(requests.at(0).header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(requests.at(0).json.value(QLatin1String("platform")).toString(), QStringLiteral("MT4"));
    QCOMPARE(requests.at(1).path, QStringLiteral("/api/chat"));
    QCOMPARE(requests.at(2).path, QStringLiteral("/api/version_check"));
}

void TestFakeService::answersOneShotRepliesBeforeTheDefault()
{
    FakeService service;
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("default")));
    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::Reply::json({{QStringLiteral("message"), QStringLiteral("once")}}, 500));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, QUrl(service.baseUrl()).port());
    QVERIFY(socket.waitForConnected(10000));

    socket.write(postRequest("/api/new", "{}") + postRequest("/api/new", "{}") + postRequest("/api/other", "{}"));
    const QByteArray replies = readReplies(socket, 3);
    const qsizetype once = replies.indexOf("HTTP/1.1 500 ");
    const qsizetype fallback = replies.indexOf(R"("session_id":"default")");
    const qsizetype unscripted = replies.indexOf("HTTP/1.1 404 ");
    QVERIFY(once >= 0);
    QVERIFY(once < fallback);
    QVERIFY(fallback < unscripted);
}

void TestFakeService::dropsTheConnectionWhenScriptedTo()
{
    FakeService service;
    service.setDefaultReply("POST", QStringLiteral("/api/chat"), FakeService::Reply::dropped());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, QUrl(service.baseUrl()).port());
    QVERIFY(socket.waitForConnected(10000));

    socket.write(postRequest("/api/chat", "{}"));
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 10000);
    QCOMPARE(socket.readAll(), QByteArray());
    QCOMPARE(service.requestsTo(QStringLiteral("/api/chat")).size(), 1);
}

void TestFakeService::countsRequestsTheClientGaveUpOn()
{
    FakeService service;
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::Reply::silent());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, QUrl(service.baseUrl()).port());
    QVERIFY(socket.waitForConnected(10000));

    // The second request queues behind the silent first one on the same connection.
    socket.write(postRequest("/api/new", "{}") + postRequest("/api/chat", "{}"));
    QVERIFY(service.waitForRequests(2));
    QCOMPARE(service.abandonedRequests(), 0);
    socket.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(service.abandonedRequests(), 2, 10000);
}

BREVAN_CORE_TEST_MAIN(TestFakeService)

#include "tst_fakeservice.moc"
