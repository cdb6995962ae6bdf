#include "platform/sourceversions.h"
#include "client/conversation/conversation.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QJsonDocument>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kProgram = u"int OnInit() { return 0; }\nint OnCalculate(const int total, const int prev, const int begin, const double &price[]) { return total; }\n"_s;
const QString kGreeting = u"Hello, what shall we build?"_s; // FakeService's own
const QString kStopped = u"Stopped. Your request is back in the request field."_s;
// A chat the service no longer knows, in words of its own: the client goes by the code.
const QString kForgotten = u"This chat has expired."_s;
// The stand-in compiler finds no OnCalculate in this indicator.
const QString kBroken = u"int OnInit() { return 0; }\n"_s;

FakeService::Reply streamed(const QString &program)
{
    return FakeService::Reply::events({{"status", {{"phase", "writing"}}}, {"delta", {{"text", program}}},
                                       {"done", {{"api_type", "chat"}, {"success", true}, {"message", "Streamed"},
                                                 {"data", QJsonObject{{"response", program}}}}}});
}

} // namespace

// The conversation without a window: what a trader never loses, and what never hangs.
class TestConversationFlow final : public QObject
{
    Q_OBJECT

    QScopedPointer<FakeService> m_service;
    QScopedPointer<QTemporaryDir> m_root;
    QScopedPointer<Conversation> m_chat;
    QList<ChatEntry> m_entries;
    QStringList m_returned;

    // The entries' texts, a program's followed by its code.
    QStringList texts() const
    {
        QStringList result;
        for (const ChatEntry &entry : m_entries)
            result << entry.text + entry.code;
        return result;
    }
    bool shows(const QString &start, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return !texts().filter(QRegularExpression(u"^"_s + QRegularExpression::escape(start))).isEmpty(); }, ms);
    }
    QList<FakeService::Request> chats() const { return m_service->requestsTo("POST", u"/api/chat"_s); }
    QString source() const { return m_root->filePath(u"data/MQL4/Indicators/Swing.mq4"_s); }
    bool open(const ServiceTimeouts &timeouts = {}, int compileMs = CompilerRun::TimeoutMs, bool greeted = true)
    {
        m_chat.reset(new Conversation(nullptr, timeouts, {compileMs, BacktestRun::TimeoutMs}));
        connect(m_chat.data(), &Conversation::entryAdded, this, [this](int, const ChatEntry &entry) { m_entries << entry; });
        connect(m_chat.data(), &Conversation::entryChanged, this, [this](int id, const ChatEntry &entry) { m_entries[id] = entry; });
        connect(m_chat.data(), &Conversation::transcriptCleared, this, [this] { m_entries.clear(); });
        connect(m_chat.data(), &Conversation::requestReturned, this, [this](const QString &request) { m_returned << request; });
        m_chat->setChoice({Protocol::Platform::Mt4, Protocol::ProgramType::Indicator});
        m_chat->setProgramName(u"Swing"_s);
        m_chat->start(m_service->baseUrl());
        return !greeted || shows(kGreeting);
    }
    bool terminal(const QString &compiler)
    {
        const QString install = m_root->filePath(u"install"_s);
        m_chat->setFolders(Protocol::Platform::Mt4, install, m_root->filePath(u"data"_s));
        return QDir().mkpath(QFileInfo(source()).path()) && QDir().mkpath(install)
            && QFile::copy(compiler, install + "/metaeditor.exe");
    }

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
        m_service.reset(new FakeService);
        m_service->scriptGoodService();
        m_service->setDefaultReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kProgram));
        m_root.reset(new QTemporaryDir);
        m_entries.clear();
        m_returned.clear();
    }
    void cleanup() { m_chat.reset(); }

    // With a service that streams, stops and takes compile errors.
    void streamedAnswerAndStop()
    {
        m_service->setDefaultReply("POST", u"/api/version_check"_s, FakeService::Reply::json({{"need_update", false}, {"features", QJsonArray{"stream", "cancel", "compile_errors"}}}));
        m_service->enqueueReply("POST", u"/api/chat"_s, streamed(kProgram));
        m_service->enqueueReply("POST", u"/api/chat"_s, FakeService::Reply::silent());
        m_service->setDefaultReply("POST", u"/api/cancel"_s, FakeService::Reply::json({{"success", true}, {"api_type", "cancel"}}));
        QVERIFY(open());
        m_chat->send(u"Draw it"_s);
        QVERIFY(shows(u"Streamed"_s + kProgram));
        QCOMPARE(chats().constFirst().header("Accept"), "text/event-stream"_ba);
        m_chat->send(u"Again"_s);
        QTRY_COMPARE(chats().size(), 2);
        m_chat->stop();
        QTRY_COMPARE(m_service->requestsTo("POST", u"/api/cancel"_s).size(), 1);
        QCOMPARE(m_service->requestsTo("POST", u"/api/cancel"_s).constFirst().json.value("session_id").toString(), u"session-1"_s);
        QVERIFY(shows(kStopped));
    }

    // A compile with errors goes back to the model by itself, until one is clean or twice in a row.
    void automaticFix_data()
    {
        QTest::addColumn<int>("broken"); // answers that do not compile before a good one
        QTest::addColumn<int>("asked");  // chat requests in all
        QTest::addColumn<bool>("gaveUp"); // errors left after the last round
        QTest::newRow("fixed in the first round") << 1 << 2 << false;
        QTest::newRow("two rounds, then the trader decides") << 3 << 3 << true;
    }
    void automaticFix()
    {
        QFETCH(int, broken);
        QFETCH(int, asked);
        QFETCH(bool, gaveUp);
        m_service->setDefaultReply("POST", u"/api/version_check"_s, FakeService::Reply::json({{"need_update", false}, {"features", QJsonArray{"compile_errors"}}}));
        for (int i = 0; i < broken; ++i)
            m_service->enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kBroken));
        QVERIFY(open());
        QVERIFY(terminal(FAKE_METAEDITOR_PATH));
        m_chat->setAutoFix(true);
        m_chat->send(u"Draw it"_s);
        QTRY_VERIFY_WITH_TIMEOUT(chats().size() == asked && !m_chat->isRequestInFlight() && !m_chat->isCompiling(), 20000);
        QTest::qWait(300); // and no further round
        QCOMPARE(chats().size(), asked);
        const QJsonArray errors = chats().at(1).json.value("compile_errors").toArray();
        QVERIFY2(errors.size() == 1 && errors.at(0).toString().startsWith(u"Swing.mq4("_s), qPrintable(QJsonDocument(chats().at(1).json).toJson()));
        QCOMPARE(texts().filter(u"automatic round"_s).size(), asked - 1);
        QCOMPARE(texts().filter(u"Automatic fixing stopped after 2 rounds with errors left."_s).size(), gaveUp ? 1 : 0);
    }

    // The folder was wrong when the answer came: the program waits in the chat, not on the service.
    void keptProgramSavedOnceTheFolderIsFixed()
    {
        QVERIFY(open());
        QCOMPARE(m_chat->send(u"Draw it"_s), Conversation::SendOutcome::Sent);
        QVERIFY(shows(u"Invalid platform path!\nThe MT4 Data path is empty"_s));
        QVERIFY(texts().contains(kProgram));
        QVERIFY(terminal(FAKE_METAEDITOR_PATH));
        QVERIFY(m_chat->activate(u"brevan:deploy:0"_s));
        QVERIFY(shows(u"compiling 'Swing.mq4'"_s));
        QCOMPARE(TestEnvironment::readFile(source()), TestEnvironment::systemLineEnds(kProgram.toUtf8()));
        QCOMPARE(chats().size(), 1);
    }

    // The risks of what is saved, in the client's words: the service's findings when it sends
    // them, else the client's own review; the program is saved all the same.
    void riskyProgramWarned_data()
    {
        QTest::addColumn<QJsonArray>("warnings"); // the service's; null when it sends none
        QTest::addColumn<QString>("second");      // the warning's second line, if any
        QTest::newRow("service without warnings") << QJsonArray() << QString();
        QTest::newRow("service's findings") << QJsonArray{QJsonObject{{"rule", "dll-import"}, {"line", 1}}, QJsonObject{{"rule", "network"}, {"line", 2}}}
                                            << u"Line 2: Calls int ShellExecuteW(int a);, which sends data over the internet"_s;
    }
    void riskyProgramWarned()
    {
        QFETCH(QJsonArray, warnings);
        QFETCH(QString, second);
        const QString program = u"#import \"shell32.dll\"\nint ShellExecuteW(int a);\n#import\n"_s + kProgram;
        QJsonObject data{{"response", program}};
        if (!warnings.isEmpty())
            data.insert("warnings", warnings);
        m_service->setDefaultReply("POST", u"/api/chat"_s, FakeService::Reply::json({{"api_type", "chat"}, {"success", true}, {"message", ""}, {"data", data}}));
        QVERIFY(open());
        QVERIFY(terminal(FAKE_METAEDITOR_PATH));
        QSignalSpy shown(m_chat.data(), &Conversation::programShown);
        m_chat->send(u"Draw it"_s);
        QVERIFY(shows(u"Risks found in this program."_s));
        QVERIFY(QFile::exists(source()));
        const ChatEntry &warning = *std::find_if(m_entries.cbegin(), m_entries.cend(), [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::Warning; });
        QVERIFY2(warning.text.contains(u"\nLine 1: Loads the DLL \"shell32.dll\""_s), qPrintable(warning.text));
        QCOMPARE(warning.text.split(u'\n').value(2), second);
        QVERIFY(m_chat->activate(warning.textLinks.constFirst().href));
        QCOMPARE(shown.constFirst(), (QVariantList{0, 1}));
        QVERIFY(m_chat->conversationText().contains(u"Line 1: Loads the DLL"_s));
    }

    // A file of the same name is kept aside and can come back: the trader's own, then the
    // program's version this chat saved before; the same program again keeps nothing new.
    void earlierFileKeptAndRestored()
    {
        for (const QString &answer : {kProgram, kProgram, u"// better\n"_s + kProgram})
            m_service->enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(answer));
        QVERIFY(open());
        QVERIFY(terminal(FAKE_METAEDITOR_PATH));
        QVERIFY(TestEnvironment::writeFile(source(), "// mine\n"));
        for (int answer = 0; answer < 3; ++answer) {
            m_chat->send(u"Draw it"_s);
            QTRY_VERIFY_WITH_TIMEOUT(texts().filter(u"compiling 'Swing.mq4'"_s).size() == answer + 1, 20000);
        }
        QCOMPARE(SourceVersions::versionsOf(source()).size(), 2);
        const QString saved = u"Code saved to: "_s + source() + u'\n';
        QCOMPARE(texts().filter(u"was kept"_s), (QStringList{saved + u"The file held another program; its earlier version was kept."_s,
                                                             saved + u"It replaced the program's previous version, which was kept."_s}));
        QVERIFY(!SourceVersions::folderFor(source()).startsWith(m_root->path()));
        QVERIFY(m_chat->activate(u"brevan:restore:0"_s));
        QCOMPARE(TestEnvironment::readFile(source()), "// mine\n"_ba);
    }

    // Each wait ends saying how, in the chat and in the saved conversation.
    void oneRequestAtATime_data()
    {
        QTest::addColumn<QString>("what"); // a refusal's message unless one of the actions
        QTest::addColumn<QString>("shown"); // the last entry's start
        QTest::addColumn<QString>("ended"); // the waiting bubble's start at the end
        QTest::newRow("second Send") << u"again"_s << u"A request is already on its way"_s << u"Answered after 0:0"_s;
        QTest::newRow("Stop") << u"stop"_s << kStopped << u"Stopped after 0:0"_s;
        QTest::newRow("no answer") << u"silent"_s << u"Request failed: The code generator did not answer within 1 seconds"_s << u"Failed after 0:0"_s;
        QTest::newRow("refused") << u"Overloaded"_s << u"Overloaded"_s << u"Refused after 0:0"_s;
        QTest::newRow("refused without a word") << QString() << u"The code generator refused without giving a reason."_s << u"Refused after 0:0"_s;
    }
    void oneRequestAtATime()
    {
        QFETCH(QString, what);
        QFETCH(QString, shown);
        QFETCH(QString, ended);
        m_service->enqueueReply("POST", u"/api/chat"_s, what == "again"_L1 ? FakeService::chatSuccess(kProgram).delayed(300)
                                    : what == "stop"_L1 || what == "silent"_L1 ? FakeService::Reply::silent()
                                                                              : FakeService::chatFailure(what, Protocol::ErrorCode::None));
        QVERIFY(open(ServiceTimeouts{1s, 1s, 1s}));
        QCOMPARE(m_chat->send(u"Draw it"_s), Conversation::SendOutcome::Sent);
        QTRY_COMPARE(chats().size(), 1);
        if (what == "again"_L1)
            QCOMPARE(m_chat->send(u"Draw another"_s), Conversation::SendOutcome::Refused);
        else if (what == "stop"_L1)
            m_chat->stop();
        QVERIFY(shows(shown, 5000));
        QCOMPARE(m_returned, what == "again"_L1 ? QStringList() : QStringList{u"Draw it"_s});
        QTRY_VERIFY(!m_chat->isRequestInFlight());
        QVERIFY2(m_chat->conversationText().contains(u"You: Draw it\n\nTavrinAI: "_s + ended), qPrintable(m_chat->conversationText()));
        QCOMPARE(chats().size(), 1);
        // The chat goes on.
        QCOMPARE(m_chat->send(u"Draw it"_s), Conversation::SendOutcome::Sent);
        QTRY_COMPARE(chats().size(), 2);
    }

    // Never an empty id: a Send waits for it, and a chat the service forgot is opened once more.
    void sessions_data()
    {
        QTest::addColumn<QString>("failure"); // the message of two failed chats; none when empty
        QTest::addColumn<Protocol::ErrorCode>("error");
        QTest::addColumn<int>("opened");  // "/api/new" requests in all
        QTest::addColumn<QString>("last");
        QTest::newRow("Send before the id came") << QString() << Protocol::ErrorCode::None << 1 << kProgram;
        QTest::newRow("forgotten twice") << kForgotten << Protocol::ErrorCode::UnknownSession << 2 << kForgotten;
        // Another failure is shown as it is, whatever its words say.
        QTest::newRow("busy") << u"Unknown session state, still busy"_s << Protocol::ErrorCode::ChatBusy << 1
                              << u"Unknown session state, still busy"_s;
        // A service of before the codes is understood by its words, as it always was.
        QTest::newRow("forgotten by an older service") << u"Unknown session"_s << Protocol::ErrorCode::None << 2
                                                       << u"Unknown session"_s;
    }
    void sessions()
    {
        QFETCH(QString, failure);
        QFETCH(Protocol::ErrorCode, error);
        QFETCH(int, opened);
        QFETCH(QString, last);
        const bool forgotten = opened == 2;
        m_service->enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-1"_s).delayed(300));
        for (int i = 0; !failure.isEmpty() && i < 2; ++i)
            m_service->enqueueReply("POST", u"/api/chat"_s, FakeService::chatFailure(failure, error));
        QVERIFY(open({}, CompilerRun::TimeoutMs, false));
        QTRY_VERIFY(m_chat->isLive());
        QCOMPARE(m_chat->send(u"Draw it"_s), Conversation::SendOutcome::Sent);
        QTRY_VERIFY_WITH_TIMEOUT(!m_chat->isRequestInFlight(), 10000);
        QVERIFY(shows(last));
        QCOMPARE(m_service->requestsTo("POST", u"/api/new"_s).size(), opened);
        QStringList ids;
        for (const FakeService::Request &chat : chats())
            ids << chat.json.value("session_id").toString();
        QCOMPARE(ids, (forgotten ? QStringList{u"s-1"_s, u"session-1"_s} : QStringList{u"s-1"_s}));
    }

    // Stopped while it waited for its session: it does not go out once the session comes.
    void stoppedBeforeTheSession()
    {
        m_service->enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-1"_s).delayed(300));
        QVERIFY(open({}, CompilerRun::TimeoutMs, false));
        QTRY_VERIFY(m_chat->isLive());
        QCOMPARE(m_chat->send(u"Draw it"_s), Conversation::SendOutcome::Sent);
        m_chat->stop();
        QVERIFY(shows(kStopped));
        QVERIFY(shows(kGreeting));
        QTest::qWait(200);
        QVERIFY(chats().isEmpty());
    }

    // Settings > Code generator: the old chat ends at the old service, nothing of the old one
    // arrives later, and the new one gets one check, one chat and one "live".
    void switchingService_data()
    {
        QTest::addColumn<bool>("chatting"); // a chat with a request on its way; else the check still on its way
        QTest::newRow("check on its way") << false;
        QTest::newRow("request on its way") << true;
    }
    void switchingService()
    {
        QFETCH(bool, chatting);
        FakeService next;
        next.scriptGoodService(u"next-1"_s);
        if (!chatting)
            m_service->setDefaultReply("POST", u"/api/version_check"_s, FakeService::Reply::json({{"need_update", false}}).delayed(300));
        m_service->setDefaultReply("POST", u"/api/chat"_s, FakeService::Reply::silent());
        QVERIFY(open({}, CompilerRun::TimeoutMs, chatting));
        if (chatting) {
            m_chat->send(u"Draw it"_s);
            QTRY_COMPARE(chats().size(), 1);
        }
        QSignalSpy live(m_chat.data(), &Conversation::liveChanged);
        m_chat->start(next.baseUrl());
        QTRY_COMPARE(next.requestsTo("POST", u"/api/new"_s).size(), 1);
        QTest::qWait(500); // past the old check's delay
        QCOMPARE(live.size(), 1);
        QCOMPARE(next.requestsTo("POST", u"/api/version_check"_s).size(), 1);
        QCOMPARE(next.requestsTo("POST", u"/api/new"_s).size(), 1);
        QVERIFY(next.requestsTo("DELETE", u"/api/session"_s).isEmpty());
        QCOMPARE(m_service->requestsTo("POST", u"/api/new"_s).size(), chatting ? 1 : 0);
        const QList<FakeService::Request> ended = m_service->requestsTo("DELETE", u"/api/session"_s);
        QCOMPARE(ended.size(), chatting ? 1 : 0);
        QVERIFY(!chatting || ended.constFirst().json.value("session_id").toString() == u"session-1"_s);
        QVERIFY(!m_chat->isRequestInFlight());
        QVERIFY(shows(kGreeting));
    }

    // A compile that cannot start says so from the event loop, never from inside start(), so
    // that whoever starts it has finished doing so when it hears of the end.
    void compilerMissingReportedLater()
    {
        CompilerRun::Job job;
        int reports = 0;
        connect(&job, &CompilerRun::Job::finished, this, [&reports] { ++reports; });
        QVERIFY(!job.start(m_root->path(), m_root->path(), u"Swing.mq4"_s));
        QCOMPARE(reports, 0);
        QVERIFY(job.isRunning());
        QTRY_COMPARE(reports, 1);
        QVERIFY(!job.isRunning());
    }

    // The window keeps its events while a compiler hangs; the compile ends by its bound or by Stop.
    void compileBoundedAndStopped_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("ended"); // the counting bubble at the end
        QTest::newRow("bound") << false << u"Compile failed after 0:0"_s;
        QTest::newRow("Stop") << true << u"Compile stopped after 0:0"_s;
    }
    void compileBoundedAndStopped()
    {
        QFETCH(bool, stop);
        QFETCH(QString, ended);
        QVERIFY(open({}, 1500));
        QVERIFY(terminal(SLOW_COMPILER_PATH));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(50);
        m_chat->send(u"Draw it"_s);
        QTRY_VERIFY(m_chat->isCompiling());
        QVERIFY(texts().constLast().startsWith(u"Compiling Swing.mq4... 0:0"_s));
        if (stop)
            QVERIFY(m_chat->activate(u"brevan:stop-compile"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!m_chat->isCompiling(), 10000);
        QCOMPARE(texts().constLast(), stop ? u"The compile was stopped."_s : u"The compiler did not finish within 1 seconds and was stopped."_s);
        QVERIFY2(texts().at(texts().size() - 2).startsWith(ended), qPrintable(texts().join(u" | "_s)));
        QVERIFY2(stop || ticks > 10, qPrintable(QString::number(ticks)));
    }
};

BREVAN_CORE_TEST_MAIN(TestConversationFlow)
#include "tst_conversationflow.moc"
