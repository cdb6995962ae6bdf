#include "app/language.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedPointer>

// A conversation through the window: New Chat, Send, and what each reply shows.
class TestConversation final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void newChat_data();
    void newChat();
    void sendRefusesAnIncompleteForm_data();
    void sendRefusesAnIncompleteForm();
    void sendTrimsTheRequest_data();
    void sendTrimsTheRequest();
    void newSessionReply_data();
    void newSessionReply();
    void chatReply_data();
    void chatReply();
    void httpErrorShowsOnlyTheFailure_data();
    void httpErrorShowsOnlyTheFailure();
    void successNamesTheSelectionAtReplyTime_data();
    void successNamesTheSelectionAtReplyTime();
    void laterReplyWinsWhenRepliesCrossOver();
    void buttonReachesItsHandlerOnce_data();
    void buttonReachesItsHandlerOnce();
    void platformChoiceSwitchesTheFolderFields();
    void languageSwitchReachesTheRequests();

private:
    // Points a new window at service and waits for the greeting of its first session.
    bool openWindow(FakeService &service, QScopedPointer<BrevanQt> &window);
    // The session id the window holds now, as its next Send reveals it.
    QString sessionIdOfNextSend(FakeService &service, WindowDriver &driver);
};

namespace {

const QString kGreeting = QStringLiteral("Welcome, trader!");
const QString kCreatingMt4Indicator = QStringLiteral("Creating new MT4 Indicator chat...");

void settle()
{
    QTest::qWait(300);
}

QJsonObject endSessionJson(const QString &sessionId, const QString &lang = QStringLiteral("en"))
{
    return {{QStringLiteral("session_id"), sessionId}, {QStringLiteral("lang"), lang}};
}

// The bubbles after a one-session start-up.
QStringList greeted()
{
    return {kCreatingMt4Indicator, kGreeting};
}

} // namespace

void TestConversation::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestConversation::init()
{
    TestEnvironment::resetSettings();
}

void TestConversation::cleanup()
{
    applyLanguage(English);
    TestEnvironment::removeServiceConfig();
}

bool TestConversation::openWindow(FakeService &service, QScopedPointer<BrevanQt> &window)
{
    TestEnvironment::writeServiceBaseUrl(service.baseUrl());
    window.reset(new BrevanQt);
    window->show();
    WindowDriver driver(*window);
    return driver.waitForBubbles(2) && service.requestsTo("POST", QStringLiteral("/api/new")).size() == 1;
}

QString TestConversation::sessionIdOfNextSend(FakeService &service, WindowDriver &driver)
{
    const qsizetype before = service.requestsTo("POST", QStringLiteral("/api/chat")).size();
    driver.send(QStringLiteral("Which session is this?"), QStringLiteral("Probe"));
    const bool sent = QTest::qWaitFor(
        [&service, before] { return service.requestsTo("POST", QStringLiteral("/api/chat")).size() > before; },
        10000);
    if (!sent)
        return QStringLiteral("<nothing sent>");
    const QList<FakeService::Request> chats = service.requestsTo("POST", QStringLiteral("/api/chat"));
    return chats.at(before).json.value(QLatin1String("session_id")).toString(QStringLiteral("<not a string>"));
}

void TestConversation::newChat_data()
{
    QTest::addColumn<QString>("openSession");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("codeType");
    QTest::addColumn<QString>("notice");

    QTest::newRow("no session, MT4 indicator") << QString() << QStringLiteral("MT4") << QStringLiteral("indicator")
                                               << kCreatingMt4Indicator;
    QTest::newRow("open session, MT5 EA") << QStringLiteral("s-1") << QStringLiteral("MT5") << QStringLiteral("ea")
                                          << QStringLiteral("Creating new MT5 EA chat...");
    QTest::newRow("open session, MT4 EA") << QStringLiteral("s-1") << QStringLiteral("MT4") << QStringLiteral("ea")
                                          << QStringLiteral("Creating new MT4 EA chat...");
    QTest::newRow("no session, MT5 indicator") << QString() << QStringLiteral("MT5") << QStringLiteral("indicator")
                                               << QStringLiteral("Creating new MT5 Indicator chat...");
}

void TestConversation::newChat()
{
    QFETCH(QString, openSession);
    QFETCH(QString, platform);
    QFETCH(QString, codeType);
    QFETCH(QString, notice);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-2"));
    FakeService::Reply greeting = FakeService::newSession(openSession, kGreeting);
    if (openSession.isEmpty())
        greeting = FakeService::Reply::json({{QStringLiteral("api_type"), QStringLiteral("new")},
                                             {QStringLiteral("success"), true},
                                             {QStringLiteral("message"), kGreeting}});
    service.enqueueReply("POST", QStringLiteral("/api/new"), greeting);
    // Held back, so that the window is seen between New Chat and the new session.
    service.enqueueReply("POST", QStringLiteral("/api/new"), FakeService::Reply::silent());
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    const qsizetype startRequests = service.requests().size();

    driver.choose(platform, codeType);
    driver.promptField()->setPlainText(QStringLiteral("half-typed request"));
    driver.clickNewChat();
    QCOMPARE(driver.promptField()->toPlainText(), QString());
    QCOMPARE(driver.bubbles(), QStringList{notice});
    QCOMPARE(driver.transcript(), QLatin1Char('\n') + notice + QLatin1Char('\n'));

    // The new session starts without an id, even before its reply.
    QCOMPARE(sessionIdOfNextSend(service, driver), QString());
    const int expected = int(startRequests) + (openSession.isEmpty() ? 2 : 3);
    QVERIFY(service.waitForRequests(expected));
    settle();
    QCOMPARE(service.requests().size(), expected);
    QCOMPARE(service.requestsTo("POST", QStringLiteral("/api/chat")).size(), 1);

    // The old session, if any, is ended first.
    const QList<FakeService::Request> sent = service.requests().mid(startRequests);
    qsizetype next = 0;
    if (!openSession.isEmpty()) {
        QCOMPARE(sent.at(next).method, QByteArray("DELETE"));
        QCOMPARE(sent.at(next).path, QStringLiteral("/api/session"));
        QCOMPARE(sent.at(next).json, endSessionJson(openSession));
        ++next;
    }
    if (sent.at(next).path != QLatin1String("/api/new"))
        ++next; // the probing chat may overtake it: they travel on connections of their own
    QCOMPARE(sent.at(next).method, QByteArray("POST"));
    QCOMPARE(sent.at(next).path, QStringLiteral("/api/new"));
    QCOMPARE(sent.at(next).json, (QJsonObject{{QStringLiteral("code_type"), codeType},
                                              {QStringLiteral("platform"), platform},
                                              {QStringLiteral("lang"), QStringLiteral("en")}}));
}

void TestConversation::sendRefusesAnIncompleteForm_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("notice");

    const QString noRequest = QStringLiteral("Please enter your request!");
    const QString noName = QStringLiteral("Name cannot be empty!");
    QTest::newRow("empty request") << QString() << QStringLiteral("MyRsi") << noRequest;
    QTest::newRow("blank request") << QStringLiteral("   \t ") << QStringLiteral("MyRsi") << noRequest;
    QTest::newRow("only line breaks") << QStringLiteral("\n\n  \n") << QStringLiteral("MyRsi") << noRequest;
    QTest::newRow("empty name") << QStringLiteral("Draw an RSI") << QString() << noName;
    QTest::newRow("blank name") << QStringLiteral("Draw an RSI") << QStringLiteral("   ") << noName;
    QTest::newRow("both empty") << QString() << QString() << noRequest;
    QTest::newRow("both blank") << QStringLiteral(" \n ") << QStringLiteral("\t") << noRequest;
}

void TestConversation::sendRefusesAnIncompleteForm()
{
    QFETCH(QString, request);
    QFETCH(QString, name);
    QFETCH(QString, notice);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    const qsizetype startRequests = service.requests().size();

    driver.send(request, name);
    QCOMPARE(driver.bubbles(), greeted() << notice);
    QCOMPARE(driver.promptField()->toPlainText(), request);
    QCOMPARE(driver.nameField()->text(), name);
    settle();
    QCOMPARE(service.requests().size(), startRequests);
    QCOMPARE(driver.bubbles().size(), 3);
}

void TestConversation::sendTrimsTheRequest_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");
    // The bubble is rich text, so runs of blanks collapse there; the request keeps them.
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << QStringLiteral("Draw an RSI line") << QStringLiteral("Draw an RSI line")
                           << QStringLiteral("Draw an RSI line");
    QTest::newRow("surrounded by blanks") << QStringLiteral("  \n\t Draw an RSI line \n\n ")
                                          << QStringLiteral("Draw an RSI line") << QStringLiteral("Draw an RSI line");
    QTest::newRow("inner lines kept") << QStringLiteral("\nBuy when RSI < 30\n\nSell when RSI > 70  \n")
                                      << QStringLiteral("Buy when RSI < 30\n\nSell when RSI > 70")
                                      << QStringLiteral("Buy when RSI < 30\n\nSell when RSI > 70");
    // Requests often quote code: only the ends are trimmed, spacing inside stays as typed.
    QTest::newRow("inner indentation kept") << QStringLiteral("  if (rsi < 30)\n    buy();  \n")
                                            << QStringLiteral("if (rsi < 30)\n    buy();")
                                            << QStringLiteral("if (rsi < 30)\nbuy();");
    QTest::newRow("double spaces kept") << QStringLiteral("RSI  period 14") << QStringLiteral("RSI  period 14")
                                        << QStringLiteral("RSI period 14");
    QTest::newRow("markup kept as text") << QStringLiteral("<b>bold</b> & \"quoted\"")
                                         << QStringLiteral("<b>bold</b> & \"quoted\"")
                                         << QStringLiteral("<b>bold</b> & \"quoted\"");
}

void TestConversation::sendTrimsTheRequest()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    QFETCH(QString, shown);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    service.setDefaultReply("POST", QStringLiteral("/api/chat"), FakeService::Reply::silent());
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);

    driver.send(typed, QStringLiteral(" MyRsi "));
    QCOMPARE(driver.promptField()->toPlainText(), QString());

    QVERIFY(service.waitForRequests(3));
    const FakeService::Request &request = service.requests().at(2);
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QStringLiteral("/api/chat"));
    QCOMPARE(request.json, (QJsonObject{{QStringLiteral("session_id"), QStringLiteral("s-1")},
                                        {QStringLiteral("user_message"), sent},
                                        {QStringLiteral("lang"), QStringLiteral("en")}}));

    QCOMPARE(driver.bubbles(), greeted() << shown << QStringLiteral("Generating code..."));
    QVERIFY(driver.transcript().endsWith(QLatin1Char('\n') + shown + QStringLiteral("\n\nGenerating code...\n")));
}

void TestConversation::newSessionReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("sessionId");

    // Each reply follows a first one that opened session "s-2" with the message "first".
    QTest::newRow("success with id and message")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": "s-3", "message": "Ready for MT4"})")
        << QStringList{QStringLiteral("Ready for MT4")} << QStringLiteral("s-3");
    QTest::newRow("id without message")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": "s-3"})") << QStringList{QString()}
        << QStringLiteral("s-3");
    QTest::newRow("message not a string")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": "s-3", "message": 12})")
        << QStringList{QString()} << QStringLiteral("s-3");
    QTest::newRow("no session_id keeps the current one")
        << QByteArray(R"({"api_type": "new", "success": true, "message": "Still here"})")
        << QStringList{QStringLiteral("Still here")} << QStringLiteral("s-2");
    QTest::newRow("session_id a number")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": 42, "message": "Numbered"})")
        << QStringList{QStringLiteral("Numbered")} << QString();
    QTest::newRow("session_id null")
        << QByteArray(R"({"api_type": "new", "success": true, "session_id": null, "message": "Nulled"})")
        << QStringList{QStringLiteral("Nulled")} << QString();
    QTest::newRow("failure")
        << QByteArray(R"({"api_type": "new", "success": false, "session_id": "s-9", "message": "Quota exceeded"})")
        << QStringList{QStringLiteral("Failed to create session: Quota exceeded")} << QStringLiteral("s-2");
    QTest::newRow("failure without message") << QByteArray(R"({"api_type": "new", "success": false})")
                                             << QStringList{QStringLiteral("Failed to create session: ")}
                                             << QStringLiteral("s-2");
    QTest::newRow("success as a string")
        << QByteArray(R"({"api_type": "new", "success": "true", "session_id": "s-9", "message": "No"})")
        << QStringList{QStringLiteral("Failed to create session: No")} << QStringLiteral("s-2");
    QTest::newRow("success as one")
        << QByteArray(R"({"api_type": "new", "success": 1, "session_id": "s-9", "message": "No"})")
        << QStringList{QStringLiteral("Failed to create session: No")} << QStringLiteral("s-2");
    QTest::newRow("api_type in another case")
        << QByteArray(R"({"api_type": "New", "success": true, "session_id": "s-9", "message": "Hidden"})")
        << QStringList() << QStringLiteral("s-2");
    QTest::newRow("no api_type") << QByteArray(R"({"success": true, "session_id": "s-9", "message": "Hidden"})")
                                 << QStringList() << QStringLiteral("s-2");
    QTest::newRow("not JSON") << QByteArray("<html>gateway hiccup</html>") << QStringList()
                              << QStringLiteral("s-2");
    QTest::newRow("JSON array")
        << QByteArray(R"([{"api_type": "new", "success": true, "session_id": "s-9", "message": "Hidden"}])")
        << QStringList() << QStringLiteral("s-2");
    QTest::newRow("empty body") << QByteArray() << QStringList() << QStringLiteral("s-2");
}

void TestConversation::newSessionReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, shown);
    QFETCH(QString, sessionId);

    FakeService service;
    service.scriptGoodService(QStringLiteral("unused"));
    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::Reply::json({{QStringLiteral("api_type"), QStringLiteral("new")},
                                                   {QStringLiteral("success"), true},
                                                   {QStringLiteral("message"), kGreeting}}));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    // Two New Chats before any reply: the first reply opens "s-2", the second one is the
    // reply under test, arriving while that session is open.
    FakeService::Reply tested;
    tested.body = body;
    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::newSession(QStringLiteral("s-2"), QStringLiteral("first")));
    service.enqueueReply("POST", QStringLiteral("/api/new"), tested.delayed(300));
    driver.clickNewChat();
    driver.clickNewChat();
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 10000);

    QCOMPARE(driver.bubbles(), (QStringList{kCreatingMt4Indicator, QStringLiteral("first")} + shown));
    QCOMPARE(sessionIdOfNextSend(service, driver), sessionId);
    QVERIFY(service.requestsTo("DELETE", QStringLiteral("/api/session")).isEmpty());
}

void TestConversation::chatReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("shown");

    const QString generated = QStringLiteral("MT4 Indicator generated successfully!\nCompiling...");
    const QString invalidPath = QStringLiteral("Invalid platform path!");
    QTest::newRow("success")
        << QByteArray(R"({"api_type": "chat", "success": true, "message": "ignored", "data": {"response": "int start(){return 0;}"}})")
        << QStringList{generated, invalidPath};
    QTest::newRow("success without data") << QByteArray(R"({"api_type": "chat", "success": true})")
                                          << QStringList{generated, invalidPath};
    QTest::newRow("failure") << QByteArray(R"({"api_type": "chat", "success": false, "message": "Model overloaded"})")
                             << QStringList{QStringLiteral("Model overloaded")};
    QTest::newRow("failure without message") << QByteArray(R"({"api_type": "chat", "success": false})")
                                             << QStringList{QString()};
    QTest::newRow("failure with lines and markup")
        << QByteArray(R"({"api_type": "chat", "success": false, "message": "Line <1>\nLine & 2"})")
        << QStringList{QStringLiteral("Line <1>\nLine & 2")};
    QTest::newRow("success as a string")
        << QByteArray(R"({"api_type": "chat", "success": "true", "message": "Not really", "data": {"response": "x"}})")
        << QStringList{QStringLiteral("Not really")};
    QTest::newRow("api_type Chat")
        << QByteArray(R"({"api_type": "Chat", "success": true, "message": "m", "data": {"response": "x"}})")
        << QStringList();
    QTest::newRow("api_type not a string")
        << QByteArray(R"({"api_type": 2, "success": true, "data": {"response": "x"}})") << QStringList();
    QTest::newRow("not JSON") << QByteArray("Internal hiccup") << QStringList();
    QTest::newRow("truncated JSON") << QByteArray(R"({"api_type": "chat", "success": true)") << QStringList();
}

void TestConversation::chatReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, shown);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    FakeService::Reply tested;
    tested.body = body;
    service.enqueueReply("POST", QStringLiteral("/api/chat"), tested);
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    driver.send(QStringLiteral("Draw an RSI"), QStringLiteral("MyRsi"));
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 10000);
    QCOMPARE(driver.bubbles(),
             greeted() << QStringLiteral("Draw an RSI") << QStringLiteral("Generating code...") << shown);
    // A reply about the chat leaves the session as it was.
    QCOMPARE(sessionIdOfNextSend(service, driver), QStringLiteral("s-1"));
}

void TestConversation::httpErrorShowsOnlyTheFailure_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");

    QTest::newRow("new, 500") << QStringLiteral("/api/new") << 500;
    QTest::newRow("chat, 500") << QStringLiteral("/api/chat") << 500;
    QTest::newRow("chat, 404") << QStringLiteral("/api/chat") << 404;
    QTest::newRow("new, 503") << QStringLiteral("/api/new") << 503;
}

void TestConversation::httpErrorShowsOnlyTheFailure()
{
    QFETCH(QString, path);
    QFETCH(int, status);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    // A body that would read as a good answer, were it read at all.
    service.enqueueReply("POST", path,
                         FakeService::Reply::json({{QStringLiteral("api_type"), path.mid(5)},
                                                   {QStringLiteral("success"), path == QLatin1String("/api/new")},
                                                   {QStringLiteral("session_id"), QStringLiteral("s-err")},
                                                   {QStringLiteral("message"), QStringLiteral("Body message")}},
                                                  status));
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    QStringList before;
    if (path == QLatin1String("/api/new")) {
        driver.clickNewChat();
        before = QStringList{kCreatingMt4Indicator};
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 10000); // the DELETE of "s-1" too
    } else {
        driver.send(QStringLiteral("Draw an RSI"), QStringLiteral("MyRsi"));
        before = greeted() << QStringLiteral("Draw an RSI") << QStringLiteral("Generating code...");
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 10000);
    }

    const QStringList bubbles = driver.bubbles();
    QCOMPARE(bubbles.size(), before.size() + 1);
    QCOMPARE(bubbles.mid(0, before.size()), before);
    QVERIFY2(bubbles.constLast().startsWith(QStringLiteral("Request failed: ")), qPrintable(bubbles.constLast()));
    QVERIFY(!driver.transcript().contains(QStringLiteral("Body message")));
    QVERIFY(sessionIdOfNextSend(service, driver) != QStringLiteral("s-err"));
}

void TestConversation::successNamesTheSelectionAtReplyTime_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("codeType");
    QTest::addColumn<QString>("notice");

    QTest::newRow("MT5 EA") << QStringLiteral("MT5") << QStringLiteral("ea")
                            << QStringLiteral("MT5 EA generated successfully!\nCompiling...");
    QTest::newRow("MT5 indicator") << QStringLiteral("MT5") << QStringLiteral("indicator")
                                   << QStringLiteral("MT5 Indicator generated successfully!\nCompiling...");
    QTest::newRow("MT4 EA") << QStringLiteral("MT4") << QStringLiteral("ea")
                            << QStringLiteral("MT4 EA generated successfully!\nCompiling...");
}

void TestConversation::successNamesTheSelectionAtReplyTime()
{
    QFETCH(QString, platform);
    QFETCH(QString, codeType);
    QFETCH(QString, notice);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    service.enqueueReply("POST", QStringLiteral("/api/chat"),
                         FakeService::chatSuccess(QStringLiteral("int start(){return 0;}")).delayed(300));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    driver.send(QStringLiteral("Draw an RSI"), QStringLiteral("MyRsi"));
    driver.choose(platform, codeType);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 10000);

    // The request went out for an MT4 session; the notice names what is chosen now.
    QCOMPARE(driver.bubbles(), greeted() << QStringLiteral("Draw an RSI") << QStringLiteral("Generating code...")
                                         << notice << QStringLiteral("Invalid platform path!"));
    QVERIFY(driver.transcript().contains(QLatin1Char('\n') + notice + QStringLiteral("\n\nInvalid platform path!\n")));
}

void TestConversation::laterReplyWinsWhenRepliesCrossOver()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("unused"));
    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::Reply::json({{QStringLiteral("api_type"), QStringLiteral("new")},
                                                   {QStringLiteral("success"), true},
                                                   {QStringLiteral("message"), kGreeting}}));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::newSession(QStringLiteral("asked-first"), QStringLiteral("first asked")).delayed(800));
    service.enqueueReply("POST", QStringLiteral("/api/new"),
                         FakeService::newSession(QStringLiteral("asked-second"), QStringLiteral("second asked")));
    driver.clickNewChat();
    driver.clickNewChat();
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 10000);

    QCOMPARE(driver.bubbles(), (QStringList{kCreatingMt4Indicator, QStringLiteral("second asked"),
                                            QStringLiteral("first asked")}));
    QCOMPARE(sessionIdOfNextSend(service, driver), QStringLiteral("asked-first"));
}

void TestConversation::buttonReachesItsHandlerOnce_data()
{
    QTest::addColumn<bool>("newChat");

    QTest::newRow("New Chat") << true;
    QTest::newRow("Send") << false;
}

void TestConversation::buttonReachesItsHandlerOnce()
{
    QFETCH(bool, newChat);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"), FakeService::newSession(QStringLiteral("s-1"), kGreeting));
    service.setDefaultReply("POST", QStringLiteral("/api/chat"),
                            FakeService::Reply::json({{QStringLiteral("api_type"), QStringLiteral("chat")},
                                                      {QStringLiteral("success"), false},
                                                      {QStringLiteral("message"), QStringLiteral("busy")}}));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QSignalSpy handled(driver.networkManager(), &QNetworkAccessManager::finished);

    if (newChat) {
        driver.clickNewChat();
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 10000);
        settle();
        QCOMPARE(service.requestsTo("POST", QStringLiteral("/api/new")).size(), 2);
        QCOMPARE(service.requestsTo("DELETE", QStringLiteral("/api/session")).size(), 1);
        QCOMPARE(driver.bubbles(), (QStringList{kCreatingMt4Indicator, kGreeting}));
    } else {
        driver.promptField()->setPlainText(QStringLiteral("Draw an RSI"));
        driver.nameField()->setText(QStringLiteral("MyRsi"));
        driver.clickSend();
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 10000);
        settle();
        QCOMPARE(service.requestsTo("POST", QStringLiteral("/api/chat")).size(), 1);
        QCOMPARE(driver.bubbles(), greeted() << QStringLiteral("Draw an RSI") << QStringLiteral("Generating code...")
                                             << QStringLiteral("busy"));
    }
    QCOMPARE(handled.size(), newChat ? 2 : 1);
}

void TestConversation::platformChoiceSwitchesTheFolderFields()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QWidget *mt4Fields = window->findChild<QWidget *>(QStringLiteral("widget_mt4"));
    QWidget *mt5Fields = window->findChild<QWidget *>(QStringLiteral("widget_mt5"));
    QVERIFY(mt4Fields && mt5Fields);

    QVERIFY(driver.mt4Button()->isChecked());
    QVERIFY(mt4Fields->isEnabled());
    QVERIFY(!mt5Fields->isEnabled());

    driver.mt5Button()->click();
    QVERIFY(driver.mt5Button()->isChecked());
    QVERIFY(!driver.mt4Button()->isChecked());
    QVERIFY(!mt4Fields->isEnabled());
    QVERIFY(mt5Fields->isEnabled());

    driver.mt4Button()->click();
    QVERIFY(driver.mt4Button()->isChecked());
    QVERIFY(!driver.mt5Button()->isChecked());
    QVERIFY(mt4Fields->isEnabled());
    QVERIFY(!mt5Fields->isEnabled());
}

void TestConversation::languageSwitchReachesTheRequests()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    QScopedPointer<BrevanQt> window;
    QVERIFY(openWindow(service, window));
    WindowDriver driver(*window);
    QCOMPARE(service.requests().at(1).header("Accept-Language"), QByteArray("en"));

    QAction *simplified = driver.menuAction(QStringLiteral("简体中文"));
    QVERIFY(simplified);
    simplified->trigger();
    const qsizetype before = service.requests().size();
    driver.clickNewChat();
    QVERIFY(service.waitForRequests(int(before) + 2));

    const QList<FakeService::Request> sent = service.requests().mid(before);
    QCOMPARE(sent.at(0).method, QByteArray("DELETE"));
    QCOMPARE(sent.at(0).header("Accept-Language"), QByteArray("zh-CN"));
    QCOMPARE(sent.at(0).json, endSessionJson(QStringLiteral("s-1"), QStringLiteral("zh-CN")));
    QCOMPARE(sent.at(1).path, QStringLiteral("/api/new"));
    QCOMPARE(sent.at(1).header("Accept-Language"), QByteArray("zh-CN"));
    QCOMPARE(sent.at(1).json.value(QLatin1String("lang")).toString(), QStringLiteral("zh-CN"));
    // The stored key, not the translated label, still names the code type.
    QCOMPARE(sent.at(1).json.value(QLatin1String("code_type")).toString(), QStringLiteral("indicator"));
}

BREVAN_GUI_TEST_MAIN(TestConversation)

#include "tst_conversation.moc"
