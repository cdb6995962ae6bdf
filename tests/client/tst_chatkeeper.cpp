#include "platform/programfile.h"
#include "client/archive/chatarchive.h"
#include "client/archive/chatkeeper.h"
#include "client/conversation/conversation.h"
#include "client/conversation/distinctversions.h"
#include "client/archive/linediff.h"
#include "client/conversation/transcript.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

const QString kGreeting = u"Hello, what shall we build?"_s; // FakeService's own
const QString kProgram = u"int OnInit() { return 0; }\n"_s;

} // namespace

// The open conversation kept in the archive as it changes, and a kept chat brought back after
// a restart as it was left.
class TestChatKeeper final : public QObject
{
    Q_OBJECT

    // One run of the client: its archive, conversation and keeper.
    struct Client final
    {
        ChatArchive archive;
        Conversation conversation;
        ChatKeeper keeper{&archive, &conversation};
        QStringList shown;
        QList<ChatEntry> entries;

        QStringList texts() const
        {
            QStringList result;
            for (const ChatEntry &entry : entries)
                result << entry.text;
            return result;
        }

        // The href of the newest link with the given prefix, or an empty one.
        QString link(const QString &prefix) const
        {
            for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
                for (const ChatEntry::Link &link : entry->links) {
                    if (link.href.startsWith(prefix))
                        return link.href;
                }
            }
            return {};
        }

        explicit Client(const QString &folder)
            : archive(folder, nullptr, 0)
        {
            QObject::connect(&conversation, &Conversation::entryAdded, &archive,
                             [this](int, const ChatEntry &entry) { shown << entry.text; entries << entry; });
            QObject::connect(&conversation, &Conversation::entryChanged, &archive,
                             [this](int id, const ChatEntry &entry) { entries[id] = entry; });
            QObject::connect(&conversation, &Conversation::transcriptCleared, &archive, [this] {
                shown.clear();
                entries.clear();
            });
            conversation.setChoice({Protocol::Platform::Mt4, Protocol::ProgramType::ExpertAdvisor});
            conversation.setProgramName(u"Cross"_s);
        }
    };

    FakeService m_service;

    bool live(Client &client)
    {
        client.conversation.start(m_service.baseUrl());
        return QTest::qWaitFor([&] { return client.shown.contains(kGreeting); }, 10000);
    }

    // An MT4 terminal in folder with the stand-in compiler, its Experts folder made.
    static bool terminal(Client &client, const QTemporaryDir &folder)
    {
        const QString install = folder.filePath(u"install"_s);
        client.conversation.setFolders(Protocol::Platform::Mt4, install, folder.filePath(u"data"_s));
        return QDir().mkpath(folder.filePath(u"data/MQL4/Experts"_s)) && QDir().mkpath(install)
            && QFile::copy(QString::fromUtf8(FAKE_METAEDITOR_PATH), install + "/metaeditor.exe");
    }

    // Whether the service's version check lists "history".
    void offerHistory(bool offered)
    {
        m_service.setDefaultReply("POST", u"/api/version_check"_s,
                                  FakeService::Reply::json({{"need_update", false}, {"min_version", "1.0.0"},
                                                            {"features", offered ? QJsonArray{u"history"_s} : QJsonArray{}}}));
    }

private Q_SLOTS:
    void initTestCase() { m_service.scriptGoodService(u"s-1"_s); }

    void keptAcrossRestart_data()
    {
        QTest::addColumn<bool>("answered"); // else the client is killed while the request is on its way
        QTest::newRow("answered") << true;
        QTest::newRow("killed while waiting") << false;
    }
    void keptAcrossRestart()
    {
        QFETCH(bool, answered);
        QTemporaryDir folder;
        QString id;
        QStringList said;
        {
            Client before(folder.path());
            QVERIFY(live(before));
            m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kProgram).delayed(answered ? 0 : 5000));
            const qsizetype chats = m_service.requestsTo("POST", u"/api/chat"_s).size();
            QCOMPARE(before.conversation.send(u"An EA crossing two averages"_s), Conversation::SendOutcome::Sent);
            QVERIFY(QTest::qWaitFor([&] { return m_service.requestsTo("POST", u"/api/chat"_s).size() > chats; }, 10000));
            if (answered)
                QVERIFY(QTest::qWaitFor([&] { return !before.conversation.isRequestInFlight(); }, 10000));
            before.keeper.setDraft(u"now with a stop"_s);
            id = before.keeper.currentId();
            said = before.texts();
            before.archive.flush(); // the process ends here, without closing anything
        }
        Client after(folder.path());
        QSignalSpy listed(&after.archive, &ChatArchive::listLoaded);
        after.archive.load();
        QVERIFY(listed.wait());
        QCOMPARE(after.archive.summaries().size(), 1);
        QCOMPARE(after.archive.summaries().constFirst().title, u"An EA crossing two averages"_s);
        const std::optional<StoredChat> chat = after.keeper.open(id, {});
        QVERIFY(chat);
        QCOMPARE(chat->type, Protocol::ProgramType::ExpertAdvisor);
        QCOMPARE(chat->programName, u"Cross"_s);
        QCOMPARE(chat->sessionId, u"s-1"_s);
        QCOMPARE(chat->draft, u"now with a stop"_s);
        QCOMPARE(chat->requestInFlight, answered ? QString() : u"An EA crossing two averages"_s);
        QCOMPARE(chat->programs.size(), answered ? 1 : 0);
        // Shown as it was left; a request on its way goes back into the field, not the transcript.
        QCOMPARE(after.texts(), answered ? said : said.mid(0, said.size() - 2));
        if (answered)
            QCOMPARE(after.conversation.program(0), kProgram);
    }

    // Reopened after a restart, the chat's next request goes to the session it had; the service
    // forgot it, so one new session takes the request, seeded with the chat when it can be.
    void reopenedChatContinues_data()
    {
        QTest::addColumn<bool>("history"); // the service takes a chat's history
        QTest::newRow("seeded") << true;
        QTest::newRow("service without history") << false;
    }
    void reopenedChatContinues()
    {
        QFETCH(bool, history);
        offerHistory(history);
        QTemporaryDir folder;
        QString id;
        {
            Client before(folder.path());
            QVERIFY(live(before));
            m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kProgram));
            before.conversation.send(u"An EA crossing two averages"_s);
            QVERIFY(QTest::qWaitFor([&] { return !before.conversation.isRequestInFlight(); }, 10000));
            id = before.keeper.currentId();
        }
        Client after(folder.path());
        m_service.enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-2"_s));
        m_service.enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"s-3"_s));
        QVERIFY(live(after));
        QVERIFY(after.keeper.open(id, {}));
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatFailure(u"This chat has expired."_s, Protocol::ErrorCode::UnknownSession));
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kProgram));
        const qsizetype chats = m_service.requestsTo("POST", u"/api/chat"_s).size();
        QCOMPARE(after.conversation.send(u"period 21"_s), Conversation::SendOutcome::Sent);
        QVERIFY(QTest::qWaitFor([&] { return !after.conversation.isRequestInFlight(); }, 10000));
        const QList<FakeService::Request> sent = m_service.requestsTo("POST", u"/api/chat"_s).mid(chats);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).json["session_id"].toString(), u"s-1"_s);
        QCOMPARE(sent.at(1).json["session_id"].toString(), u"s-3"_s);
        const QJsonObject opened = m_service.requestsTo("POST", u"/api/new"_s).constLast().json;
        QCOMPARE(opened.contains(u"history"_s), history);
        if (history) {
            const QJsonArray turns = opened["history"].toArray();
            QCOMPARE(turns.size(), 2);
            QCOMPARE(turns.at(0).toObject(), (QJsonObject{{"role", "user"}, {"content", "An EA crossing two averages"}}));
            QVERIFY(turns.at(1).toObject()["content"].toString().endsWith(kProgram));
            QCOMPARE(opened["current_program"].toString(), kProgram);
        }
        // Said once, and whether the service continues from what was said.
        const QStringList told = after.shown.filter(u"no longer knew this chat"_s);
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.constFirst().contains(u"starts from your request alone"_s), !history);
    }

    void lineDifference_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("listing");
        QTest::newRow("same") << u"a\nb\n"_s << u"a\r\nb"_s << u"  a\n  b\n"_s;
        QTest::newRow("changed line") << u"a\nb\nc\n"_s << u"a\nB\nc\n"_s << u"  a\n- b\n+ B\n  c\n"_s;
        QTest::newRow("added and removed") << u"x\na\nb\n"_s << u"a\nb\ny\n"_s << u"- x\n  a\n  b\n+ y\n"_s;
        QTest::newRow("from nothing") << QString() << u"a\n"_s << u"+ a\n"_s;
        QTest::newRow("moved line") << u"a\nb\nc\n"_s << u"c\na\nb\n"_s << u"+ c\n  a\n  b\n- c\n"_s;
    }
    void lineDifference()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, listing);
        QCOMPARE(LineDiff::listing(LineDiff::compare(from, to)), listing);
    }

    // "Use this version" saves and compiles the version chosen as the newest, and the next
    // request continues from it.
    void versionUsedAgain()
    {
        offerHistory(true);
        QTemporaryDir folder;
        Client client(folder.path());
        const QString source = folder.filePath(u"data/MQL4/Experts/Cross.mq4"_s);
        QVERIFY(terminal(client, folder) && live(client));
        const QString first = kProgram + u"void OnTick() {}\n"_s;
        const QString second = first + u"// period 21\n"_s;
        for (const QString &program : {first, second}) {
            m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(program));
            client.conversation.send(u"make it"_s);
            QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight() && !client.conversation.isCompiling(); }, 10000));
        }
        QCOMPARE(client.conversation.versionsOf(1).size(), 2);
        QCOMPARE(client.conversation.currentProgram(), 1);
        client.conversation.useVersion(0);
        QVERIFY(QTest::qWaitFor([&] { return client.conversation.versionsOf(2).constLast().verdict == ProgramVersion::Verdict::Compiled; }, 10000));
        QCOMPARE(TestEnvironment::readFile(source), TestEnvironment::systemLineEnds(first.toUtf8()));
        QCOMPARE(client.conversation.versionsOf(2).size(), 3);
        QCOMPARE(client.conversation.currentProgram(), 2);
        // Every bubble of the program counts all its versions, the first one's too; the version
        // chosen again is the same version, listed once as the chat's program.
        const QList<ProgramVersion> listed = distinctVersions(client.conversation.versionsOf(2), 2);
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.constFirst().number, 2);
        QCOMPARE(listed.constFirst().verdict, ProgramVersion::Verdict::Compiled);
        int offering = 0;
        for (const ChatEntry &entry : std::as_const(client.entries)) {
            for (const ChatEntry::Link &link : entry.links)
                offering += link.href.startsWith(u"brevan:versions:"_s) && link.text == u"Versions (2)"_s;
        }
        QCOMPARE(offering, 2);
        client.conversation.send(u"period 14"_s);
        QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight(); }, 10000));
        QCOMPARE(m_service.requestsTo("POST", u"/api/chat"_s).constLast().json["current_program"].toString(), first);
        // The answer is the service's own again: it goes without the chosen program.
        client.conversation.send(u"period 21"_s);
        QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight(); }, 10000));
        QVERIFY(!m_service.requestsTo("POST", u"/api/chat"_s).constLast().json.contains(u"current_program"_s));
    }

    // Edit and Regenerate replace the last turn: a service that takes a chat's history gets a new
    // session seeded with what came before it; the answers replaced stay as versions.
    void lastTurnReplaced_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("asked"); // the request that replaces the last turn
        QTest::newRow("edit") << u"brevan:edit:"_s << u"period 14"_s;
        QTest::newRow("regenerate") << u"brevan:regenerate:"_s << u"period 21"_s;
    }
    void lastTurnReplaced()
    {
        QFETCH(QString, action);
        QFETCH(QString, asked);
        offerHistory(true);
        QTemporaryDir folder;
        Client client(folder.path());
        QVERIFY(live(client));
        const QString first = kProgram + u"// first\n"_s;
        for (const QString &request : {u"An EA"_s, u"period 21"_s}) {
            m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(request == "An EA"_L1 ? first : kProgram));
            client.conversation.send(request);
            QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight(); }, 10000));
        }
        // Only the last turn offers them.
        QCOMPARE(client.entries.at(2).links.size(), 0);
        QSignalSpy edited(&client.conversation, &Conversation::requestEdited);
        const qsizetype opened = m_service.requestsTo("POST", u"/api/new"_s).size();
        QVERIFY(client.conversation.activate(client.link(action)));
        if (action.endsWith(u"edit:"_s)) {
            QCOMPARE(edited.size(), 1);
            QCOMPARE(edited.constFirst().constFirst().toString(), u"period 21"_s);
            client.conversation.send(asked);
        }
        QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight(); }, 10000));
        QCOMPARE(m_service.requestsTo("POST", u"/api/chat"_s).constLast().json["user_message"].toString(), asked);
        const QList<FakeService::Request> news = m_service.requestsTo("POST", u"/api/new"_s).mid(opened);
        QCOMPARE(news.size(), 1);
        const QJsonArray history = news.constFirst().json["history"].toArray();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history.at(0).toObject()["content"].toString(), u"An EA"_s);
        QCOMPARE(news.constFirst().json["current_program"].toString(), first);
        QCOMPARE(client.conversation.versionsOf(2).size(), 3);
    }

    // A chat left keeps its session, to be continued there; closing ends the sessions of this run.
    void sessionsKeptUntilClosing()
    {
        QTemporaryDir folder;
        Client client(folder.path());
        m_service.enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"k-1"_s));
        QVERIFY(live(client));
        QSignalSpy listed(&client.archive, &ChatArchive::listLoaded);
        client.archive.load();
        QVERIFY(listed.wait());
        const qsizetype ended = m_service.requestsTo("DELETE", u"/api/session"_s).size();
        client.keeper.setDraft(u"RSI"_s);
        const QString first = client.keeper.currentId();
        m_service.enqueueReply("POST", u"/api/new"_s, FakeService::newSession(u"k-2"_s));
        client.keeper.beginNew(u"RSI"_s);
        client.conversation.newChat();
        QVERIFY(QTest::qWaitFor([&] { return client.shown.contains(kGreeting); }, 10000));
        QVERIFY(client.keeper.open(first, {}));
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(kProgram));
        client.conversation.send(u"RSI 14"_s);
        QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight(); }, 10000));
        QCOMPARE(m_service.requestsTo("POST", u"/api/chat"_s).constLast().json["session_id"].toString(), u"k-1"_s);
        QCOMPARE(client.shown.filter(u"no longer knew"_s), QStringList());
        QCOMPARE(m_service.requestsTo("DELETE", u"/api/session"_s).size(), ended);
        QSignalSpy closed(&client.conversation, &Conversation::closed);
        client.conversation.close();
        QVERIFY(closed.wait());
        QStringList closedIds;
        for (const FakeService::Request &request : m_service.requestsTo("DELETE", u"/api/session"_s).mid(ended))
            closedIds << request.json["session_id"].toString();
        QCOMPARE(closedIds, (QStringList{u"k-1"_s, u"k-2"_s}));
    }

    // New Chat while an answer is on its way: the request ends in its own chat, which keeps it to
    // send again, and one new chat begins. Waiting for the answer, the clock is never kept.
    void newChatWhileWaiting()
    {
        QTemporaryDir folder;
        Client client(folder.path());
        QVERIFY(live(client));
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::Reply::silent());
        QSignalSpy saved(&client.archive, &ChatArchive::summaryChanged);
        client.conversation.send(u"An EA crossing two averages"_s);
        const qsizetype sent = saved.size();
        QTest::qWait(1300); // the waiting bubble's clock ticks
        QCOMPARE(saved.size(), sent);
        const QString left = client.keeper.currentId();
        client.keeper.beginNew({});
        client.conversation.newChat();
        client.archive.flush();
        QCOMPARE(client.archive.summaries().size(), 2);
        const std::optional<StoredChat> kept = client.archive.open(left);
        QVERIFY(kept);
        QCOMPARE(kept->requestInFlight, QString());
        QCOMPARE(kept->draft, u"An EA crossing two averages"_s);
        QVERIFY(StoredChats::entriesOf(*kept).constLast().text.startsWith(u"Stopped after"_s));
    }

    void programFileRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("read"); // platform, type and the start of the source; or the error
        const QByteArray ea = "void OnTick() {}\n";
        QTest::newRow("MT4 EA") << u"MQL4/Experts/Cross.mq4"_s << ea << u"MT4 ea void OnTick"_s;
        QTest::newRow("MT5 indicator") << u"Line.MQ5"_s << QByteArray("int OnCalculate(const int n) { return n; }") << u"MT5 indicator int OnCalculate"_s;
        QTest::newRow("UTF-16 with its mark") << u"Cross.mq5"_s << QByteArray("\xff\xfe", 2) + QByteArray::fromRawData(reinterpret_cast<const char *>(u"void OnTick() {}"), 32) << u"MT5 ea void OnTick"_s;
        QTest::newRow("neither, in Indicators") << u"MQL5/Indicators/Lib.mq5"_s << QByteArray("int x;") << u"MT5 indicator int x;"_s;
        QTest::newRow("not a program") << u"Cross.ex5"_s << ea << u"only .mq4 and .mq5 programs can be opened"_s;
    }
    void programFileRead()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, read);
        QTemporaryDir folder;
        QVERIFY(TestEnvironment::writeFile(folder.filePath(name), content));
        const ProgramFile program = ProgramFile::read(folder.filePath(name));
        const QString actual = program.error.isEmpty()
            ? Protocol::wireName(program.platform) + u' ' + Protocol::wireName(program.type) + u' ' + program.source
            : program.error;
        QVERIFY2(actual.startsWith(read), qPrintable(actual));
    }

    // A program of the trader's own: the chat continues from it, and its change is saved under
    // its name with what it was kept as a version.
    void ownProgramChanged()
    {
        offerHistory(true);
        QTemporaryDir folder;
        Client client(folder.path());
        const QString source = folder.filePath(u"data/MQL4/Experts/Mine.mq4"_s);
        const QByteArray mine = "int OnInit() { return 0; }\nvoid OnTick() {}\n";
        QVERIFY(terminal(client, folder) && TestEnvironment::writeFile(source, mine) && live(client));
        const qsizetype opened = m_service.requestsTo("POST", u"/api/new"_s).size();
        QVERIFY(client.conversation.openProgram(ProgramFile::read(source)));
        QVERIFY(QTest::qWaitFor([&] { return m_service.requestsTo("POST", u"/api/new"_s).size() > opened; }, 10000));
        QCOMPARE(m_service.requestsTo("POST", u"/api/new"_s).constLast().json["current_program"].toString(), QString::fromUtf8(mine));
        const QString changed = QString::fromUtf8(mine) + u"// with a stop\n"_s;
        m_service.enqueueReply("POST", u"/api/chat"_s, FakeService::chatSuccess(changed));
        client.conversation.send(u"add a stop"_s);
        QVERIFY(QTest::qWaitFor([&] { return !client.conversation.isRequestInFlight() && client.conversation.versionsOf(1).constLast().verdict != ProgramVersion::Verdict::NotCompiled; }, 10000));
        // The session was opened with it: the request need not carry it again.
        QVERIFY(!m_service.requestsTo("POST", u"/api/chat"_s).constLast().json.contains(u"current_program"_s));
        QCOMPARE(TestEnvironment::readFile(source), TestEnvironment::systemLineEnds(changed.toUtf8()));
        const QList<ProgramVersion> versions = client.conversation.versionsOf(1);
        QCOMPARE(versions.size(), 2);
        QCOMPARE(versions.constFirst().source, QString::fromUtf8(mine));
        // The offline generator changes only its own programs: opened there, the chat says so.
        client.conversation.setCodeGenerator({CodeGeneratorInUse::Kind::Templates, {}, {}});
        QVERIFY(client.conversation.openProgram(ProgramFile::read(source)));
        const auto opening = std::find_if(client.entries.cbegin(), client.entries.cend(),
                                          [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::Program; });
        QVERIFY(opening != client.entries.cend());
        QVERIFY2(opening->text.contains(u"The offline generator in use changes only programs it wrote itself"_s)
                     && opening->text.contains(u"Settings > Code generator…"_s),
                 qPrintable(opening->text));
    }

    void newChatKeepsTheOthers()
    {
        QTemporaryDir folder;
        Client client(folder.path());
        QVERIFY(live(client));
        QSignalSpy listed(&client.archive, &ChatArchive::listLoaded);
        client.archive.load();
        QVERIFY(listed.wait());
        // An unused chat has no row until something is typed in it.
        QVERIFY(client.archive.summaries().isEmpty());
        client.keeper.setDraft(u"a moving average"_s);
        const QString first = client.keeper.currentId();
        QCOMPARE(client.archive.summaries().size(), 1);
        client.keeper.beginNew(u"a moving average"_s);
        client.conversation.newChat();
        // New Chat lists the new chat at once; leaving it empty takes it off again.
        QCOMPARE(client.archive.summaries().size(), 2);
        const QString empty = client.keeper.currentId();
        QVERIFY(client.archive.rename(first, u"Averages"_s));
        QVERIFY(client.keeper.open(first, {}));
        QCOMPARE(client.archive.summaries().size(), 1);
        QCOMPARE(client.keeper.currentId(), first);
        QVERIFY(empty != first);
        // A rename from the list survives the chat's next save.
        client.keeper.setDraft(u"a moving average, coloured"_s);
        QCOMPARE(client.archive.summaries().constFirst().title, u"Averages"_s);
        QVERIFY(client.keeper.remove(first));
        QVERIFY(client.archive.summaries().isEmpty());
    }
};

BREVAN_CORE_TEST_MAIN(TestChatKeeper)
#include "tst_chatkeeper.moc"
