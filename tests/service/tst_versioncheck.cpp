#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "windowdriver.h"

#include <QApplication>
#include <QMessageBox>
#include <QScopedPointer>
#include <QTimer>

// What the window does at start-up: the version check, then the first chat session.
class TestVersionCheck final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void versionCheckComesFirstThenOneSession();
    void outdatedClientStopsAfterTheWarning_data();
    void outdatedClientStopsAfterTheWarning();
    void failedVersionCheckLetsTheClientGoOn_data();
    void failedVersionCheckLetsTheClientGoOn();
    void silentVersionCheckEndsAtItsTimeout();
};

namespace {

// A quiet moment for requests that should not come, so that a stray one would be seen.
void settle()
{
    QTest::qWait(300);
}

// What a modal message box showed, read while it is open and closed right after.
struct SeenBox final
{
    int count = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    QList<QMessageBox::StandardButton> buttons;
    bool ownerShown = true;
};

// Watches for modal message boxes while the window is built, which is when they come.
class BoxWatcher final
{
public:
    BoxWatcher()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            ++m_seen.count;
            m_seen.title = box->windowTitle();
            m_seen.text = box->text();
            m_seen.icon = box->icon();
            m_seen.format = box->textFormat();
            m_seen.buttons.clear();
            const QList<QAbstractButton *> buttons = box->buttons();
            for (QAbstractButton *button : buttons)
                m_seen.buttons.append(box->standardButton(button));
            m_seen.ownerShown = box->parentWidget() && box->parentWidget()->isVisible();
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        m_timer.start();
    }

    const SeenBox &seen() const { return m_seen; }

private:
    QTimer m_timer;
    SeenBox m_seen;
};

QJsonObject newSessionBody()
{
    return {{QStringLiteral("code_type"), QStringLiteral("indicator")},
            {QStringLiteral("platform"), QStringLiteral("MT4")},
            {QStringLiteral("lang"), QStringLiteral("en")}};
}

} // namespace

void TestVersionCheck::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestVersionCheck::init()
{
    TestEnvironment::resetSettings();
}

void TestVersionCheck::cleanup()
{
    TestEnvironment::removeServiceConfig();
}

void TestVersionCheck::versionCheckComesFirstThenOneSession()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/new"),
                            FakeService::newSession(QStringLiteral("s-1"), QStringLiteral("Welcome, trader!")));
    TestEnvironment::writeServiceBaseUrl(service.baseUrl());

    BrevanQt window;
    WindowDriver driver(window);
    // The reply can only be read once the event loop runs: until then, the notice alone.
    QCOMPARE(driver.bubbles(), QStringList{QStringLiteral("Creating new MT4 Indicator chat...")});
    QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
    window.show();

    QVERIFY(service.waitForRequests(2));
    QTRY_COMPARE_WITH_TIMEOUT(driver.bubbles(),
                              (QStringList{QStringLiteral("Creating new MT4 Indicator chat..."),
                                           QStringLiteral("Welcome, trader!")}),
                              10000);
    settle();

    const QList<FakeService::Request> &requests = service.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).method, QByteArray("POST"));
    QCOMPARE(requests.at(0).path, QStringLiteral("/api/version_check"));
    QCOMPARE(requests.at(0).json, (QJsonObject{{QStringLiteral("client_version"), QStringLiteral("1.0.0")}}));
    QCOMPARE(requests.at(1).method, QByteArray("POST"));
    QCOMPARE(requests.at(1).path, QStringLiteral("/api/new"));
    QCOMPARE(requests.at(1).json, newSessionBody());
    QVERIFY(service.requestsTo("DELETE", QStringLiteral("/api/session")).isEmpty());
}

void TestVersionCheck::outdatedClientStopsAfterTheWarning_data()
{
    QTest::addColumn<QJsonObject>("verdict");
    QTest::addColumn<QString>("text");

    QTest::newRow("message given")
        << QJsonObject{{QStringLiteral("need_update"), true},
                       {QStringLiteral("message"), QStringLiteral("Please update to <b>2.0.0</b> from our site.")},
                       {QStringLiteral("min_version"), QStringLiteral("2.0.0")}}
        << QStringLiteral("Please update to <b>2.0.0</b> from our site.");
    QTest::newRow("minimum only")
        << QJsonObject{{QStringLiteral("need_update"), true},
                       {QStringLiteral("message"), QString()},
                       {QStringLiteral("min_version"), QStringLiteral("2.0.0")}}
        << QStringLiteral("Current version: 1.0.0<br>Minimum required: 2.0.0<br><br>Please download the latest version.");
    QTest::newRow("message not a string")
        << QJsonObject{{QStringLiteral("need_update"), true},
                       {QStringLiteral("message"), 7},
                       {QStringLiteral("min_version"), QStringLiteral("3.1")}}
        << QStringLiteral("Current version: 1.0.0<br>Minimum required: 3.1<br><br>Please download the latest version.");
    QTest::newRow("neither")
        << QJsonObject{{QStringLiteral("need_update"), true}}
        << QStringLiteral("Current version: 1.0.0<br>Minimum required: <br><br>Please download the latest version.");
}

void TestVersionCheck::outdatedClientStopsAfterTheWarning()
{
    QFETCH(QJsonObject, verdict);
    QFETCH(QString, text);

    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    service.setDefaultReply("POST", QStringLiteral("/api/version_check"), FakeService::Reply::json(verdict));
    TestEnvironment::writeServiceBaseUrl(service.baseUrl());

    BoxWatcher watcher;
    QScopedPointer<BrevanQt> window(new BrevanQt);
    const SeenBox seen = watcher.seen();
    QCOMPARE(seen.count, 1);
    QCOMPARE(seen.title, QStringLiteral("Version Too Low"));
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.format, Qt::RichText);
    QCOMPARE(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QCOMPARE(seen.ownerShown, false);

    window->show();
    WindowDriver driver(*window);
    QCOMPARE(window->windowTitle(), QStringLiteral("TavrinAI"));
    QVERIFY(driver.bubbles().isEmpty());

    driver.clickNewChat();
    driver.send(QStringLiteral("Draw a moving average"), QStringLiteral("MyMa"));
    settle();
    QVERIFY(driver.bubbles().isEmpty());
    QCOMPARE(driver.transcript(), QString());
    QVERIFY(window->close());
    settle();

    QCOMPARE(service.requests().size(), 1);
    QCOMPARE(service.requests().constFirst().path, QStringLiteral("/api/version_check"));
    QCOMPARE(watcher.seen().count, 1);
}

void TestVersionCheck::failedVersionCheckLetsTheClientGoOn_data()
{
    QTest::addColumn<QString>("failure");

    QTest::newRow("connection refused") << QStringLiteral("refused");
    QTest::newRow("HTTP 500") << QStringLiteral("500");
    QTest::newRow("address not a string") << QStringLiteral("unusable address");
}

void TestVersionCheck::failedVersionCheckLetsTheClientGoOn()
{
    QFETCH(QString, failure);

    // A broken service answers everything with 500, its body saying the client is too old.
    FakeService service;
    const FakeService::Reply broken = FakeService::Reply::json(
        {{QStringLiteral("need_update"), true}, {QStringLiteral("message"), QStringLiteral("Update now")},
         {QStringLiteral("api_type"), QStringLiteral("new")}, {QStringLiteral("success"), false}},
        500);
    service.setDefaultReply("POST", QStringLiteral("/api/version_check"), broken);
    service.setDefaultReply("POST", QStringLiteral("/api/new"), broken);
    if (failure == QLatin1String("refused"))
        TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl());
    else if (failure == QLatin1String("500"))
        TestEnvironment::writeServiceBaseUrl(service.baseUrl());
    else
        TestEnvironment::writeServiceConfig(QByteArrayLiteral("{\"api_base_url\": 8080}"));

    BoxWatcher watcher;
    QScopedPointer<BrevanQt> window(new BrevanQt);
    window->show();
    WindowDriver driver(*window);
    QCOMPARE(watcher.seen().count, 0);
    QCOMPARE(window->windowTitle(), QStringLiteral("TavrinAI Code Generator"));
    QVERIFY(driver.networkManager());

    QVERIFY(driver.waitForBubbles(2));
    const QStringList bubbles = driver.bubbles();
    QCOMPARE(bubbles.size(), 2);
    QCOMPARE(bubbles.at(0), QStringLiteral("Creating new MT4 Indicator chat..."));
    QVERIFY2(bubbles.at(1).startsWith(QStringLiteral("Request failed: ")), qPrintable(bubbles.at(1)));
    QVERIFY(!bubbles.at(1).contains(QStringLiteral("Update now")));
    if (failure == QLatin1String("500")) {
        QCOMPARE(service.requests().size(), 2);
        QCOMPARE(service.requests().at(1).path, QStringLiteral("/api/new"));
    } else {
        QCOMPARE(service.requests().size(), 0);
    }
}

void TestVersionCheck::silentVersionCheckEndsAtItsTimeout()
{
    FakeService service;
    service.scriptGoodService(QStringLiteral("s-1"));
    // Dropped long after the client should have given up, so that a client that never
    // does so fails here instead of hanging.
    service.setDefaultReply("POST", QStringLiteral("/api/version_check"),
                            FakeService::Reply::dropped().delayed(120000));
    TestEnvironment::writeServiceBaseUrl(service.baseUrl());

    BoxWatcher watcher;
    QScopedPointer<BrevanQt> window(new BrevanQt);
    window->show();
    WindowDriver driver(*window);
    QTRY_COMPARE_WITH_TIMEOUT(service.abandonedRequests(), 1, 10000);
    QCOMPARE(watcher.seen().count, 0);
    QCOMPARE(window->windowTitle(), QStringLiteral("TavrinAI Code Generator"));

    QTRY_COMPARE_WITH_TIMEOUT(driver.bubbles(),
                              (QStringList{QStringLiteral("Creating new MT4 Indicator chat..."),
                                           QStringLiteral("Hello, what shall we build?")}),
                              10000);
    QCOMPARE(service.requestsTo("POST", QStringLiteral("/api/new")).size(), 1);
}

BREVAN_GUI_TEST_MAIN(TestVersionCheck)

#include "tst_versioncheck.moc"
