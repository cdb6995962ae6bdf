#include "service/chatarchive.h"
#include "service/chatkeeper.h"
#include "service/conversation.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

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

        explicit Client(const QString &folder)
            : archive(folder, nullptr, 0)
        {
            QObject::connect(&conversation, &Conversation::entryAdded, &archive,
                             [this](int, const ChatEntry &entry) { shown << entry.text; });
            QObject::connect(&conversation, &Conversation::transcriptCleared, &archive, [this] { shown.clear(); });
            conversation.setChoice({u"MT4"_s, u"ea"_s});
            conversation.setProgramName(u"Cross"_s);
        }
    };

    FakeService m_service;

    bool live(Client &client)
    {
        client.conversation.start(m_service.baseUrl());
        return QTest::qWaitFor([&] { return client.shown.contains(kGreeting); }, 10000);
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
            QCOMPARE(before.conversation.send(u"An EA crossing two averages"_s), Conversation::SendOutcome::Sent);
            if (answered)
                QVERIFY(QTest::qWaitFor([&] { return !before.conversation.isRequestInFlight(); }, 10000));
            before.keeper.setDraft(u"now with a stop"_s);
            id = before.keeper.currentId();
            said = before.shown;
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
        QCOMPARE(after.shown, answered ? said : said.mid(0, said.size() - 2));
        if (answered)
            QCOMPARE(after.conversation.program(0), kProgram);
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
