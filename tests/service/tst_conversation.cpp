#include "platform/language.h"
#include "service/codegeneratorinuse.h"
#include "service/codegeneratorchoice.h"
#include "service/serviceaccess.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h" // and, through its form, the classes of the form's widgets

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kCreating = u"Creating new MT4 Indicator chat..."_s;
const QString kGreeting = u"Hello, what shall we build?"_s; // FakeService's own
const FakeService::Reply kNoSession{200, R"({"api_type":"new","success":true,"message":"hi"})"_ba};
// Short enough not to slow the suite, long enough for a loaded machine's loopback.
const ServiceTimeouts kShortTimeouts{300s, 1s, 1s};
// Dropped long after the client should have given up, so that a client that never does fails instead of hanging.
const FakeService::Reply kHung = FakeService::Reply::dropped(60000);

} // namespace

// Where the service is, then the real window, offscreen, against the stand-in service:
// start-up, New Chat, Send, replies, closing.
class TestConversation final : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeService> m_service;
    QScopedPointer<BrevanQt> m_window;

    template <typename T> T *widget(const char *name) const { return m_window->findChild<T *>(QLatin1String(name)); }
    // The bubbles, the user's own marked with "> ".
    QStringList bubbles() const
    {
        QStringList texts;
        for (const ChatTextEdit::Message &message : widget<ChatTextEdit>("textEdit_code")->messages())
            texts << (message.isUser ? u"> "_s : QString()) + message.text;
        return texts;
    }
    QPlainTextEdit *prompt() const { return widget<QPlainTextEdit>("plainTextEdit_prompt"); }
    void click(const char *button) { widget<QPushButton>(button)->click(); }
    QList<FakeService::Request> chats() const { return m_service->requestsTo("POST", u"/api/chat"_s); }
    void submit(const QString &request, const QString &name = u"MyRsi"_s)
    {
        prompt()->setPlainText(request);
        widget<QLineEdit>("lineEdit_name")->setText(name);
        click("pushButton_generate");
    }
    void choose(const QString &platform, const QString &type)
    {
        widget<QRadioButton>(platform == "MT5"_L1 ? "radioButton_mt5" : "radioButton_mt4")->click();
        auto *types = widget<QComboBox>("comboBox_type");
        types->setCurrentIndex(types->findData(type));
    }
    // Builds and shows the window; with greeted, also waits for the two bubbles of its first session.
    bool open(bool greeted = true)
    {
        m_window.reset(new BrevanQt(nullptr, kShortTimeouts));
        m_window->show();
        return !greeted || QTest::qWaitFor([this] { return bubbles().size() >= 2; }, 10000);
    }
    // The session id the window holds now, as its next Send reveals it; a Send expected to
    // wait is given a short moment only.
    QString heldSessionId(const QString &expected = {})
    {
        const qsizetype before = chats().size();
        submit(u"Which session?"_s);
        const bool sent = QTest::qWaitFor([&] { return chats().size() > before; }, expected == "<nothing sent>"_L1 ? 300 : 10000);
        return sent ? chats().at(before).json.value("session_id").toString(u"<not a string>"_s) : u"<nothing sent>"_s;
    }
    // "method path Accept-Language JSON" of the requests from index first on (Sends only withSends), after a quiet moment.
    QStringList sentSince(qsizetype first, bool withSends = false) const
    {
        QTest::qWait(200);
        QStringList sent;
        for (const FakeService::Request &request : m_service->requests().mid(first)) {
            if (withSends || request.path != "/api/chat"_L1)
                sent << QString::fromUtf8(request.method + ' ' + request.path.toUtf8() + ' ' + request.header("Accept-Language") + ' '
                                          + QJsonDocument(request.json).toJson(QJsonDocument::Compact));
        }
        return sent;
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(Protocol::Language::English);
        m_service.reset(new FakeService);
        m_service->scriptGoodService(u"s-1"_s);
        TestEnvironment::writeServiceBaseUrl(m_service->baseUrl());
    }
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

    void startUp_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QJsonObject>("verdict");
        QTest::addColumn<QString>("box"); // what the message box says, if one comes
        const QString builtIn = u"Current version: 1.0.0<br>Minimum required: %1<br><br>Please download the latest version."_s;
        const QString box = u"Version Too Low|%1|warning|rich text|one OK"_s;
        QTest::newRow("accepted") << QString() << QJsonObject{{"need_update", false}} << QString();
        QTest::newRow("outdated, service message as is") << QString() << QJsonObject{{"need_update", true}, {"message", "Get <b>2.0</b>"}, {"min_version", "2.0"}} << box.arg("Get <b>2.0</b>");
        QTest::newRow("outdated, built-in text") << QString() << QJsonObject{{"need_update", true}, {"message", ""}, {"min_version", "2.0"}} << box.arg(builtIn.arg("2.0"));
        QTest::newRow("connection refused") << u"refused"_s << QJsonObject() << QString();
        QTest::newRow("outdated, min_version a number") << QString() << QJsonObject{{"need_update", true}, {"min_version", 2}} << box.arg(builtIn.arg(""));
        QTest::newRow("need_update a string") << QString() << QJsonObject{{"need_update", "true"}} << QString();
        QTest::newRow("HTTP 500 saying outdated") << u"500"_s << QJsonObject{{"need_update", true}} << QString();
        QTest::newRow("silent service") << u"silent"_s << QJsonObject() << QString();
    }
    void startUp()
    {
        QFETCH(QString, failure);
        QFETCH(QJsonObject, verdict);
        QFETCH(QString, box);
        const bool outdated = !box.isEmpty();
        const FakeService::Reply check = FakeService::Reply::json(verdict, failure == "500"_L1 ? 500 : 200);
        m_service->setDefaultReply("POST", u"/api/version_check"_s, failure == "silent"_L1 ? kHung : check);
        TestEnvironment::writeServiceBaseUrl(failure == "refused"_L1 ? TestEnvironment::refusingServiceUrl() : m_service->baseUrl());
        QStringList boxes; // title|text|icon|format|buttons of each message box, closed once read
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << QStringList{box->windowTitle(), box->text(), box->icon() == QMessageBox::Warning ? u"warning"_s : u"?"_s,
                                     box->textFormat() == Qt::RichText ? u"rich text"_s : u"?"_s,
                                     box->buttons().size() == 1 && box->button(QMessageBox::Ok) ? u"one OK"_s : u"?"_s}.join(u'|');
                box->accept();
            }
        });
        watcher.start(20);
        QVERIFY(open(false));
        // The window is up while the check is on its way; the conversation waits for its verdict.
        QVERIFY(m_window->isVisible() && !widget<QPushButton>("pushButton_generate")->isEnabled());
        QVERIFY(outdated || QTest::qWaitFor([this] { return bubbles().size() >= 2; }, 10000));
        QTRY_COMPARE(boxes, outdated ? QStringList{box} : QStringList());
        QCOMPARE(m_window->windowTitle(), outdated ? u"TavrinAI"_s : u"TavrinAI Code Generator"_s);
        if (outdated) { // the client is dead from now on
            click("pushButton_newChat");
            submit(u"Draw an RSI"_s);
            QSignalSpy closed(m_window.data(), &BrevanQt::closed);
            m_window->close();
            QVERIFY(closed.wait(5000));
        }
        const QStringList shown = bubbles();
        const QString answer = failure == "refused"_L1 ? u"Request failed: "_s : kGreeting;
        QVERIFY2(outdated ? shown.isEmpty() : shown.size() == 2 && shown.at(0) == kCreating && shown.at(1).startsWith(answer),
                 qPrintable(shown.join(u'|')));
        const QStringList sent = {uR"(POST /api/version_check en {"client_version":"1.0.0"})"_s,
                                  uR"(POST /api/new en {"code_type":"indicator","lang":"en","platform":"MT4"})"_s};
        QCOMPARE(sentSince(0), failure == "refused"_L1 ? QStringList() : sent.mid(0, outdated ? 1 : 2));
        QTRY_COMPARE_WITH_TIMEOUT(m_service->abandonedRequests(), failure == "silent"_L1 ? 1 : 0, 5000);
    }

    void newChat_data()
    {
        QTest::addColumn<bool>("session");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("notice");
        QTest::newRow("without a session") << false << u"MT4"_s << u"indicator"_s << u"en"_s << kCreating;
        QTest::newRow("with a session, MT5 EA") << true << u"MT5"_s << u"ea"_s << u"en"_s << u"Creating new MT5 EA chat..."_s;
        QTest::newRow("with a session, switched to 简体中文") << true << u"MT4"_s << u"indicator"_s << u"zh-CN"_s << u"正在创建新的MT4 指标对话..."_s;
    }
    void newChat()
    {
        QFETCH(bool, session);
        QFETCH(QString, platform);
        QFETCH(QString, type);
        QFETCH(QString, lang);
        QFETCH(QString, notice);
        m_service->enqueueReply("POST", u"/api/new"_s, session ? FakeService::newSession(u"s-1"_s) : kNoSession);
        QVERIFY(open());
        applyLanguage(lang == "zh-CN"_L1 ? Protocol::Language::SimplifiedChinese : Protocol::Language::English);
        QCoreApplication::sendPostedEvents(); // the window retranslates itself, as before a user's next click
        choose(platform, type); // an unused session follows the form
        QVERIFY(QTest::qWaitFor([this] { return bubbles().size() >= 2; }, 10000));
        QTest::qWait(200); // and the ended sessions' requests are in
        // Held back, so that the window is seen between New Chat and its new session.
        m_service->enqueueReply("POST", u"/api/new"_s, FakeService::Reply::silent());
        const qsizetype before = m_service->requests().size();
        prompt()->setPlainText(u"half-typed"_s);
        click("pushButton_newChat");
        QCOMPARE(prompt()->toPlainText(), QString());
        QCOMPARE(bubbles(), QStringList{notice});
        QCOMPARE(heldSessionId(u"<nothing sent>"_s), u"<nothing sent>"_s); // it waits for the session's id
        // The new session alone: the chat left keeps its own. The program type by its key, not its label.
        const QString created = uR"(POST /api/new %2 {"code_type":"%1","lang":"%2","platform":"%3"})"_s.arg(type, lang, platform);
        QCOMPARE(sentSince(before), QStringList{created});
        // Every body is the indented JSON text, declared as plain "application/json".
        const FakeService::Request &last = m_service->requests().constLast();
        QCOMPARE(last.header("Content-Type"), "application/json"_ba);
        QCOMPARE(last.body, QJsonDocument(last.json).toJson(QJsonDocument::Indented));
    }

    void refusedSend_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("notice");
        QTest::newRow("blank request") << u" \n\t"_s << u"MyRsi"_s << u"Please enter your request!"_s;
        QTest::newRow("blank name") << u"Draw an RSI"_s << u"  "_s << u"Name cannot be empty!"_s;
        QTest::newRow("both blank: only the first") << u" "_s << QString() << u"Please enter your request!"_s;
        // Refused before the code generator is asked, not when its program is saved.
        QTest::newRow("name with a folder") << u"Draw an RSI"_s << u"../Rsi"_s
                                            << u"Please choose another name: the name \"../Rsi\" must not contain \"/\" or \"\\\"."_s;
    }
    void refusedSend()
    {
        QFETCH(QString, request);
        QFETCH(QString, name);
        QFETCH(QString, notice);
        QVERIFY(open());
        submit(request, name);
        QCOMPARE(bubbles(), (QStringList{kCreating, kGreeting, notice}));
        QCOMPARE(prompt()->toPlainText(), request);
        QCOMPARE(sentSince(2, true), QStringList());
    }

    // Each reply arrives after the greeting "first" has opened session "s-2"; New Chat ends it.
    void reply_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("session"); // the id held afterwards
        const QString renew = u"New Chat"_s, renew500 = u"New Chat, HTTP 500"_s, send = u"Send"_s;
        const QString failed = u"Request failed: …"_s, invalidPath = u"Invalid platform path!"_s;
        const QByteArray generated = R"({"api_type":"chat","success":true,"message":"Hidden","data":{"response":"int x;"}})"_ba;
        QTest::newRow("new: id and message") << renew << R"({"api_type":"new","success":true,"session_id":"s-3","message":"Ready"})"_ba << QStringList{u"Ready"_s} << u"s-3"_s;
        QTest::newRow("new: id, no message") << renew << R"({"api_type":"new","success":true,"session_id":"s-3"})"_ba << QStringList{QString()} << u"s-3"_s;
        QTest::newRow("new: no session_id, no id") << renew << R"({"api_type":"new","success":true,"message":"Still"})"_ba << QStringList{u"Still"_s} << u"s-1"_s;
        QTest::newRow("new: numeric id") << renew << R"({"api_type":"new","success":true,"session_id":42,"message":"N"})"_ba << QStringList{u"N"_s} << u"s-1"_s;
        QTest::newRow("new: failure") << renew << R"({"api_type":"new","success":false,"session_id":"s-9","message":"Quota"})"_ba << QStringList{u"Failed to create session: Quota"_s} << u"s-1"_s;
        QTest::newRow("new: api_type New") << renew << R"({"api_type":"New","success":true,"session_id":"s-9","message":"Hidden"})"_ba << QStringList() << u"s-1"_s;
        QTest::newRow("new: not JSON") << renew << "<html>hiccup</html>"_ba << QStringList() << u"s-1"_s;
        QTest::newRow("new: HTTP 500, JSON body") << renew500 << R"({"api_type":"new","success":true,"session_id":"s-9","message":"Hidden"})"_ba << QStringList{failed} << u"s-1"_s;
        QTest::newRow("chat: success") << send << generated << QStringList{u"Hidden"_s, u"MT4 Indicator generated successfully!"_s, invalidPath} << u"s-2"_s;
        QTest::newRow("chat: success, MT5 EA chosen meanwhile") << u"Send, then MT5 EA"_s << generated << QStringList{u"Hidden"_s, u"MT4 Indicator generated successfully!"_s, invalidPath} << u"<nothing sent>"_s; // the chat writes MT4 indicators
        QTest::newRow("chat: success a string") << send << R"({"api_type":"chat","success":"true","message":"Not so"})"_ba << QStringList{u"Not so"_s} << u"s-2"_s;
        QTest::newRow("chat: failure") << send << R"({"api_type":"chat","success":false,"message":"Overloaded"})"_ba << QStringList{u"Overloaded"_s} << u"s-2"_s;
    }
    void reply()
    {
        QFETCH(QString, action);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, shown);
        QFETCH(QString, session);
        const bool renew = action.startsWith("New Chat"_L1);
        // Send acts before the greeting has given the session's id; New Chat after it.
        const FakeService::Reply tested{action.endsWith("500"_L1) ? 500 : 200, body, 300};
        m_service->enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-2"_s, u"first"_s).delayed(300));
        m_service->enqueueReply("POST", renew ? u"/api/new"_s : u"/api/chat"_s, tested);
        QVERIFY(open(renew));
        QTRY_VERIFY(widget<QPushButton>("pushButton_newChat")->isEnabled());
        QSignalSpy handled(m_window->findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
        if (renew)
            click("pushButton_newChat");
        else
            submit(u"\n  Draw an RSI\n\nin red \t\n"_s, u" MyRsi "_s);
        if (action.contains("MT5"_L1))
            choose(u"MT5"_s, u"ea"_s);
        QCOMPARE(prompt()->toPlainText(), QString());
        // New Chat asks for a session and ends none: the chat left keeps its own.
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), renew ? 1 : 2, 10000);
        QStringList seen; // the first line of each bubble
        for (const QString &bubble : bubbles())
            seen << bubble.section(u'\n', 0, 0);
        seen.replaceInStrings(QRegularExpression(u"^(Request failed: ).+"_s), u"\\1…"_s);
        // The waiting bubble ends saying how, after whatever time it took.
        seen.replaceInStrings(QRegularExpression(u"^\\w+ after \\d+:\\d\\d$"_s), u"… after …"_s);
        const QString trimmed = u"Draw an RSI\n\nin red"_s;
        const QStringList sent = renew ? QStringList() : QStringList{u"> Draw an RSI"_s, u"… after …"_s};
        QCOMPARE(seen, QStringList{kCreating} + sent + QStringList{u"first"_s}.mid(renew) + shown);
        if (!renew) // the Send waited for the session's id
            QCOMPARE(chats().at(0).json, (QJsonObject{{"session_id", "s-2"}, {"user_message", trimmed}, {"lang", "en"}}));
        QCOMPARE(heldSessionId(session), session);
    }

    // Only the trader can fix a key typed in Settings, and only a refusal of the key is theirs.
    void refusalOfTheTradersOwnKey()
    {
        const auto shown = [](const QByteArray &error, bool ownKey) {
            return refusalText(parseServiceReply(R"({"api_type":"chat","success":false,"message":"Ask them","error":")" + error + R"("})"), ownKey);
        };
        QCOMPARE(shown("model_refused_key", true), u"The model server refused your API key; check it in Settings > Code generator…"_s);
        QCOMPARE(shown("model_refused_key", false), u"Ask them"_s);
        QCOMPARE(shown("model_unreachable", true), u"Ask them"_s);
    }

    // A Send goes out just before the close: the window goes at once and the request with it
    // (nothing is saved for a closed window), and the chat is ended within the closing bound.
    void closing_data()
    {
        QTest::addColumn<bool>("session");
        QTest::addColumn<bool>("hung");
        QTest::newRow("open session, answered late") << true << false;
        QTest::newRow("no session") << false << false;
        QTest::newRow("never-answering service") << true << true;
    }
    void closing()
    {
        QFETCH(bool, session);
        QFETCH(bool, hung);
        m_service->enqueueReply("POST", u"/api/new"_s, session ? FakeService::newSession(u"s-1"_s) : kNoSession);
        m_service->setDefaultReply("POST", u"/api/chat"_s, FakeService::Reply{200, R"({"api_type":"chat","message":"Late"})"_ba});
        m_service->setDefaultReply("DELETE", u"/api/session"_s, hung ? kHung : FakeService::Reply::json({}).delayed(150));
        QVERIFY(open());
        submit(u"Draw an RSI"_s);
        QSignalSpy closed(m_window.data(), &BrevanQt::closed);
        m_window->close();
        QVERIFY(!m_window->isVisible());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(closed.wait(5000));
        // The hung service is given up on at the bound (1 s here), not waited for.
        QVERIFY2(!hung || (clock.elapsed() >= 900 && clock.elapsed() < 3000), qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(closed.size(), 1);
        QTest::qWait(300);
        QVERIFY(!bubbles().contains(u"Late"_s));
        m_window.reset();
        // Without one, the session the Send asked for comes after the close, and is ended at once.
        QCOMPARE(sentSince(2).filter(u"DELETE"_s), QStringList{session ? uR"(DELETE /api/session en {"session_id":"s-1"})"_s
                                                                       : uR"(DELETE /api/session en {"lang":"en","session_id":"s-1"})"_s});
    }
};

BREVAN_GUI_TEST_MAIN(TestConversation)

#include "tst_conversation.moc"
