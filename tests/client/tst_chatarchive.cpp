#include "client/conversation/chataction.h"
#include "client/archive/chatarchive.h"
#include "client/archive/chatlistmodel.h"
#include "client/conversation/conversation.h"
#include "platform/language.h"
#include "support/faketransport.h"
#include "support/testenvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15, 250), Qt::UTC);

StoredChat chatTitled(const QString &title, int minutesAgo, const QString &said = {})
{
    StoredChat chat;
    chat.id = StoredChats::newId();
    chat.title = title;
    chat.created = chat.updated = kNow.addSecs(-60 * minutesAgo);
    ChatEvent asked;
    asked.type = ChatEvent::Type::Request;
    asked.text = title;
    chat.events = {asked, ChatEvent::notice(said)};
    return chat;
}

// Every field set, none to its default.
StoredChat everyField()
{
    StoredChat chat = chatTitled(u"均线交叉 EA with a 14-period RSI"_s, 5);
    chat.platform = Protocol::Platform::Mt4;
    chat.type = Protocol::ProgramType::ExpertAdvisor;
    chat.programName = u"Tavrin_Cross"_s;
    chat.created = kNow.addDays(-1);
    ChatEvent answer;
    answer.type = ChatEvent::Type::Answer;
    answer.program = 1;
    answer.text = u"Here it is."_s;
    ChatEvent shown;
    shown.type = ChatEvent::Type::Shown;
    shown.shown = {ChatEntry::Kind::Warning, u"Line 3: no stop loss"_s, {}, {{u"Line 3:"_s, u"brevan:show:1:3"_s}},
                   {{u"Restore"_s, u"brevan:restore:1"_s}}, {1000.0, 1012.5}, true};
    ChatEvent compiled = ChatEvent::wait(ChatEvent::Waiting::Compile, u"Tavrin_Cross.mq4"_s);
    compiled.ending = ChatEvent::Ending::Finished;
    compiled.elapsedMs = 3200;
    ChatEvent session;
    session.type = ChatEvent::Type::Session;
    session.platform = Protocol::Platform::Mt4;
    session.programType = Protocol::ProgramType::ExpertAdvisor;
    session.reason = ChatEvent::SessionReason::ForgottenSeeded;
    ChatEvent chosen;
    chosen.type = ChatEvent::Type::VersionChosen;
    chosen.program = 1;
    chosen.time = kNow;
    DeploySteps::Save save{1, Protocol::Platform::Mt4, DeploySteps::Save::Refusal::None, {}, u"/MQL4/Experts/Tavrin_Cross.mq4"_s,
                           {}, DeploySteps::Save::Replaced::OtherProgram, u"/versions/1.mq4"_s};
    chat.events << answer << ChatEvent::ofStep(save) << shown << compiled << session << chosen
                << ChatEvent::notice(u"This chat writes %1 %2. Press New Chat to start a chat for %3 %4."_s,
                                     {u"MT4"_s, u"EA %2"_s, u"MT5"_s, u"indicators"_s});
    ProgramVersion first{u"int OnInit() { return 1; }\n"_s, u"/MQL4/Experts/Tavrin_Cross.mq4"_s, kNow.addSecs(-90),
                         u"an EA"_s, ProgramVersion::Verdict::Errors, {u"Tavrin_Cross.mq4(1,1) : error 1: x"_s},
                         {{u"no-stop-loss"_s, 3}, {u"dll-import"_s, 1}}, 0, u"/versions/1.mq4"_s, std::nullopt};
    ProgramVersion second = first;
    second.source = u"int OnInit() { return 0; }\n"_s;
    second.verdict = ProgramVersion::Verdict::Compiled;
    second.errors.clear();
    second.number = 1;
    chat.programs = {{u"Tavrin_Cross"_s, {first, second}}, {u"Other"_s, {first}}};
    chat.current = {0, 1};
    chat.sessionId = u"session-42"_s;
    chat.draft = u"now with a trailing stop"_s;
    chat.requestInFlight = u"period 21"_s;
    return chat;
}

QStringList titles(const QAbstractItemModel &model)
{
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown.append(model.index(row, 0).data().toString());
    return shown;
}

} // namespace

// The chats as the client keeps them: nothing lost across a close or a kill, a damaged file
// never taking the list with it, and the list and its search as a window shows them.
class TestChatArchive final : public QObject
{
    Q_OBJECT

private slots:
    // Each case has a home of its own, so its archive starts empty.
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", QFile::encodeName(m_home->path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(u"data"_s)));
        // Windows finds the data folder through the profile, not HOME: the case names its own.
        m_folder = kOnWindows ? m_home->filePath(u"chats"_s) : ChatArchive::defaultFolder();
        QVERIFY(m_folder.startsWith(m_home->path()));
    }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("closed") << true;
        QTest::newRow("killed in flight: on disk without a close") << false;
    }

    void roundTrip()
    {
        QFETCH(bool, closed);
        const StoredChat saved = everyField();
        const QString file = m_folder + u"/"_s + saved.id + u".json"_s;
        auto first = std::make_unique<ChatArchive>(m_folder, nullptr, 10);
        first->save(saved);
        if (closed)
            first.reset();
        else
            QTRY_VERIFY(QFile::exists(file));

        ChatArchive archive(m_folder);
        ChatListModel model(&archive);
        load(archive);
        QCOMPARE(titles(model), QStringList{saved.title});
        QCOMPARE(model.index(0, 0).data(ChatListModel::PlatformRole), u"MT4"_s);
        QCOMPARE(model.index(0, 0).data(ChatListModel::TypeRole), u"ea"_s);
        QCOMPARE(model.index(0, 0).data(ChatListModel::UpdatedRole).toDateTime(), saved.updated);
        const std::optional<StoredChat> chat = archive.open(saved.id);
        QVERIFY(chat);
        QCOMPARE(chat->id, saved.id);
        QCOMPARE(chat->programName, saved.programName);
        QCOMPARE(chat->created, saved.created);
        QCOMPARE(chat->sessionId, saved.sessionId);
        QCOMPARE(chat->draft, saved.draft);
        QCOMPARE(chat->requestInFlight, saved.requestInFlight);
        // Kept as events, shown the same: nothing worded is kept, everything shown is.
        const QJsonArray events = QJsonDocument::fromJson(TestEnvironment::readFile(file))[u"events"_s].toArray();
        QCOMPARE(events.size(), saved.events.size());
        QVERIFY(!QJsonDocument(events).toJson().contains("Compile finished"));
        const QList<ChatEntry> was = StoredChats::entriesOf(saved);
        const QList<ChatEntry> is = StoredChats::entriesOf(*chat);
        QCOMPARE(is.size(), was.size());
        for (qsizetype i = 0; i < was.size(); ++i) {
            QCOMPARE(int(is.at(i).kind), int(was.at(i).kind));
            QCOMPARE(is.at(i).text + is.at(i).code, was.at(i).text + was.at(i).code);
            QCOMPARE(hrefs(is.at(i).textLinks), hrefs(was.at(i).textLinks));
            QCOMPARE(hrefs(is.at(i).links), hrefs(was.at(i).links));
            QCOMPARE(is.at(i).curve, was.at(i).curve);
        }
        QCOMPARE(is.constLast().text, u"This chat writes MT4 EA %2. Press New Chat to start a chat for MT5 indicators."_s);
        QCOMPARE(chat->events.at(2).program, 1);
        QCOMPARE(chat->events.at(3).step.index(), saved.events.at(3).step.index());
        QCOMPARE(chat->programs.size(), 2);
        QCOMPARE(chat->programs.at(0).name, u"Tavrin_Cross"_s);
        const ProgramVersion &wasFirst = saved.programs.at(0).versions.at(0);
        const ProgramVersion &first0 = chat->programs.at(0).versions.at(0);
        QCOMPARE(first0.source, wasFirst.source);
        QCOMPARE(first0.filePath, wasFirst.filePath);
        QCOMPARE(first0.replacedKeptAt, wasFirst.replacedKeptAt);
        QCOMPARE(first0.time, wasFirst.time);
        QCOMPARE(first0.request, wasFirst.request);
        QCOMPARE(int(first0.verdict), int(ProgramVersion::Verdict::Errors));
        QCOMPARE(first0.errors, wasFirst.errors);
        QCOMPARE(first0.risks.size(), 2);
        QCOMPARE(first0.risks.at(1).rule + QString::number(first0.risks.at(1).line), u"dll-import1"_s);
        QCOMPARE(int(chat->programs.at(0).versions.at(1).verdict), int(ProgramVersion::Verdict::Compiled));
        QCOMPARE(chat->programs.at(0).versions.at(1).number, 1);
        QCOMPARE(chat->current.program, 0);
        QCOMPARE(chat->current.version, 1);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("foundBy");
        QTest::newRow("not JSON, found by the list") << "{\"id\": "_ba << u"list"_s;
        QTest::newRow("empty, found by the list without an index") << QByteArray() << u"list without index"_s;
        QTest::newRow("not a chat, found by the list") << "[1, 2]"_ba << u"list"_s;
        QTest::newRow("no transcript, found on opening") << R"({"id":"x","platform":"MT5","type":"ea","updated":"2026-12-07T09:00:00Z"})"_ba
                                                         << u"opening"_s;
        QTest::newRow("binary, found on opening") << "\x00\xff\x01"_ba << u"opening"_s;
    }

    // A damaged file is set aside and named; the other chats stay as they were.
    void damaged()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, foundBy);
        const bool indexTrustsIt = foundBy == u"opening"_s;
        const StoredChat good = chatTitled(u"good"_s, 1);
        const StoredChat bad = chatTitled(u"soon damaged"_s, 2);
        {
            ChatArchive archive(m_folder);
            archive.save(good);
            archive.save(bad);
        }
        const QString path = m_folder + u"/"_s + bad.id + u".json"_s;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        // Trusted by the index: the same size and time, other bytes.
        QByteArray bytes = indexTrustsIt ? content.leftJustified(file.size(), ' ') : content;
        QVERIFY(file.resize(0) && file.write(bytes) == bytes.size() && file.flush());
        if (indexTrustsIt)
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        if (foundBy == u"list without index"_s)
            QVERIFY(QFile::remove(m_folder + u"/index.json"_s));

        auto archive = std::make_unique<ChatArchive>(m_folder);
        auto model = std::make_unique<ChatListModel>(archive.get());
        load(*archive);
        QVERIFY(!archive->open(bad.id));
        QVERIFY(archive->open(good.id));
        // Named by its last known title, else by its file and dated by it.
        const bool unknown = foundBy == u"list without index"_s;
        const QString name = unknown ? bad.id + u".damaged"_s : bad.title;
        QCOMPARE(titles(*model), unknown ? (QStringList{name, u"good"_s}) : (QStringList{u"good"_s, name}));
        QVERIFY(model->index(unknown ? 0 : 1, 0).data(ChatListModel::DamagedRole).toBool());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(TestEnvironment::readFile(m_folder + u"/"_s + bad.id + u".damaged"_s), bytes);

        // Still named after a restart; deleting it deletes the set-aside file.
        archive = std::make_unique<ChatArchive>(m_folder);
        model = std::make_unique<ChatListModel>(archive.get());
        load(*archive);
        QCOMPARE(titles(*model).size(), 2);
        QCOMPARE(model->index(unknown ? 0 : 1, 0).data(), name);
        archive->remove(model->index(unknown ? 0 : 1, 0).data(ChatListModel::IdRole).toString());
        archive->flush();
        QCOMPARE(QDir(m_folder).entryList({u"*.damaged"_s}), QStringList());
        QCOMPARE(titles(*model), QStringList{u"good"_s});
    }

    // A kept chat's links keep working: written and read in one place, older spellings read too.
    void links_data()
    {
        QTest::addColumn<QString>("href");
        QTest::addColumn<int>("kind"); // -1: not an action
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("written"); // as written again
        using Kind = ChatAction::Kind;
        QTest::newRow("copy") << u"brevan:copy:3"_s << int(Kind::CopyProgram) << 3 << 0 << u"brevan:copy:3"_s;
        QTest::newRow("a program's line") << u"brevan:show:2:14"_s << int(Kind::ShowProgram) << 2 << 14 << u"brevan:show:2:14"_s;
        QTest::newRow("a line, as kept before") << u"brevan:line:2:14"_s << int(Kind::ShowProgram) << 2 << 14 << u"brevan:show:2:14"_s;
        QTest::newRow("stop") << u"brevan:stop-request"_s << int(Kind::StopRequest) << -1 << 0 << u"brevan:stop-request"_s;
        QTest::newRow("errors, as kept before") << u"brevan:fix:A.mq4(1,1) : error 120: x"_s << int(Kind::FixErrors) << -1 << 0 << u"brevan:fix:-1"_s;
        QTest::newRow("a file") << u"file:///tmp/A.mq4"_s << -1 << -1 << 0 << QString();
        QTest::newRow("unknown action") << u"brevan:open:0"_s << -1 << -1 << 0 << QString();
        QTest::newRow("no number") << u"brevan:copy:x"_s << -1 << -1 << 0 << QString();
    }
    void links()
    {
        QFETCH(QString, href);
        QFETCH(int, kind);
        QFETCH(int, number);
        QFETCH(int, line);
        QFETCH(QString, written);
        const std::optional<ChatAction> action = ChatAction::fromHref(href);
        QCOMPARE(action.has_value(), kind >= 0);
        if (!action)
            return;
        QCOMPARE(int(action->kind), kind);
        QCOMPARE(action->number, number);
        QCOMPARE(action->line, line);
        QCOMPARE(action->href(), written);
    }

    void search_data()
    {
        QTest::addColumn<bool>("restarted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        const QStringList all{u"Moving average EA"_s, u"MACD, period 9"_s, u"RSI cross arrows"_s};
        for (const bool restarted : {false, true}) {
            const auto row = [restarted](const char *name) -> QTestData & {
                return QTest::newRow((name + QByteArray(restarted ? ", after a restart" : ", as saved")).constData())
                    << restarted;
            };
            row("nothing: newest first") << u"  "_s << all;
            // The MACD chat says "version": a search finds words by their start only.
            row("title, other case") << u"rsi"_s << QStringList{all.at(2)};
            row("inside a word") << u"ersion"_s << QStringList();
            row("transcript, other case") << u"STOP LOSS"_s << QStringList{all.at(0)};
            row("transcript, Chinese") << u"止损"_s << QStringList{all.at(0)};
            row("program's name") << u"breakout"_s << QStringList{all.at(1)};
            row("title or transcript") << u"Period"_s << all.sliced(1);
            row("none") << u"bollinger"_s << QStringList();
        }
    }

    void search()
    {
        QFETCH(bool, restarted);
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        auto archive = std::make_unique<ChatArchive>(m_folder);
        StoredChat macd = chatTitled(u"MACD, period 9"_s, 20, u"Done, version 2."_s);
        macd.programs = {{u"Tavrin_Breakout"_s, {}}};
        for (const StoredChat &chat : {chatTitled(u"RSI cross arrows"_s, 30, u"period 14"_s), macd,
                                       chatTitled(u"Moving average EA"_s, 10, u"Stop loss 50 pips，止损"_s)})
            archive->save(chat);
        if (restarted) {
            archive = std::make_unique<ChatArchive>(m_folder);
            load(*archive);
        }
        ChatListModel model(archive.get());
        ChatListFilter filter(archive.get());
        filter.setSourceModel(&model);
        QSignalSpy contentLoaded(archive.get(), &ChatArchive::contentLoaded);
        filter.setSearchText(text);
        if (!text.trimmed().isEmpty())
            QVERIFY(contentLoaded.wait());
        QCOMPARE(titles(filter), shown);
    }

    // A rename keeps every change saved before it; a deletion takes the chat's own file only.
    void renameAndDelete()
    {
        const QString program = m_home->filePath(u"MQL5/Experts/Tavrin_Cross.mq5"_s);
        QVERIFY(TestEnvironment::writeFile(program, "int OnInit() { return 0; }"));
        StoredChat kept = everyField();
        StoredChat gone = chatTitled(u"to delete"_s, 1);
        ProgramVersion written;
        written.filePath = program;
        gone.programs = {{u"Tavrin_Cross"_s, {written}}};
        {
            ChatArchive archive(m_folder);
            ChatListModel model(&archive);
            QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
            archive.save(kept);
            archive.save(gone);
            archive.flush();
            QCOMPARE(titles(model), (QStringList{gone.title, kept.title}));
            kept.draft = u"typed after the last write"_s;
            kept.updated = kNow;
            archive.save(kept);
            QCOMPARE(titles(model), (QStringList{kept.title, gone.title}));
            QVERIFY(archive.rename(kept.id, u"Renamed"_s));
            archive.remove(gone.id);
            QCOMPARE(titles(model), QStringList{u"Renamed"_s});
        }
        ChatArchive archive(m_folder);
        ChatListModel model(&archive);
        load(archive);
        QCOMPARE(titles(model), QStringList{u"Renamed"_s});
        QCOMPARE(archive.open(kept.id)->draft, kept.draft);
        QVERIFY(!archive.open(gone.id));
        QVERIFY(!archive.rename(gone.id, u"x"_s));
        QVERIFY(QFile::exists(program));
    }

    // A chat that cannot be written is reported, and stays listed for the window to keep.
    void writeFailure()
    {
        QVERIFY(TestEnvironment::writeFile(m_folder, "a file where the folder goes"));
        ChatArchive archive(m_folder, nullptr, 10);
        ChatListModel model(&archive);
        QSignalSpy failed(&archive, &ChatArchive::writeFailed);
        const StoredChat chat = chatTitled(u"unwritable"_s, 1);
        archive.save(chat);
        QVERIFY(failed.wait());
        QCOMPARE(failed.constFirst().constFirst().toString(), chat.id);
        QVERIFY(!failed.constFirst().constLast().toString().isEmpty());
        QCOMPARE(titles(model), QStringList{chat.title});
    }

    void index_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("shown");
        const QStringList all{u"newer"_s, u"older"_s};
        QTest::newRow("missing") << u"missing"_s << all;
        QTest::newRow("garbage") << u"garbage"_s << all;
        QTest::newRow("a chat changed behind it") << u"changed"_s << QStringList{u"older"_s, u"changed"_s};
        QTest::newRow("a chat deleted behind it") << u"deleted"_s << QStringList{u"newer"_s};
        QTest::newRow("a chat added behind it") << u"added"_s << QStringList{u"added"_s, u"newer"_s, u"older"_s};
    }

    // The list comes from the index when it is current, else from the chats, and the index is
    // written again.
    void index()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, shown);
        const QString indexPath = m_folder + u"/index.json"_s;
        StoredChat newer = chatTitled(u"newer"_s, 1);
        const StoredChat older = chatTitled(u"older"_s, 2);
        {
            ChatArchive archive(m_folder);
            archive.save(newer);
            archive.save(older);
        }
        const auto write = [this](const StoredChat &chat) {
            QVERIFY(TestEnvironment::writeFile(m_folder + u"/"_s + chat.id + u".json"_s,
                                               QJsonDocument(StoredChats::toJson(chat)).toJson()));
        };
        if (change == u"missing"_s) {
            QVERIFY(QFile::remove(indexPath));
        } else if (change == u"garbage"_s) {
            QVERIFY(TestEnvironment::writeFile(indexPath, "garbage"));
        } else if (change == u"changed"_s) {
            newer.title = u"changed"_s;
            newer.updated = kNow.addDays(-1);
            write(newer);
        } else if (change == u"deleted"_s) {
            QVERIFY(QFile::remove(m_folder + u"/"_s + older.id + u".json"_s));
        } else {
            write(chatTitled(u"added"_s, 0));
        }
        for (int start = 0; start < 2; ++start) {
            ChatArchive archive(m_folder);
            ChatListModel model(&archive);
            load(archive);
            QCOMPARE(titles(model), shown);
            const QJsonDocument written = QJsonDocument::fromJson(TestEnvironment::readFile(indexPath));
            QCOMPARE(written[u"chats"_s].toArray().size(), shown.size());
        }
    }

    // Chat files written by earlier versions open showing what they showed, links and all.
    void earlierFilesOpenUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        const QDir data(QStringLiteral(CHAT_DATA));
        for (const QString &name : data.entryList({u"*.json"_s}, QDir::Files))
            QTest::newRow(qPrintable(name)) << data.filePath(name);
    }

    void earlierFilesOpenUnchanged()
    {
        QFETCH(QString, file);
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const std::optional<StoredChat> chat = StoredChats::fromJson(QJsonDocument::fromJson(kept.readAll()).object());
        QVERIFY(chat);
        Conversation conversation(new FakeTransport, {});
        QList<ChatEntry> shown;
        connect(&conversation, &Conversation::entryAdded, this, [&shown](int, const ChatEntry &entry) { shown << entry; });
        conversation.reopen(*chat);
        // What the file's entries said, read here as they were written.
        const QJsonObject json = QJsonDocument::fromJson(TestEnvironment::readFile(file)).object();
        const QJsonArray entries = json[u"entries"_s].toArray();
        QCOMPARE(shown.size(), entries.size());
        for (qsizetype at = 0; at < shown.size(); ++at) {
            const QJsonObject was = entries.at(at).toObject();
            const ChatEntry &is = shown.at(at);
            QCOMPARE(is.text, was[u"text"_s].toString());
            QCOMPARE(is.code.isEmpty(), !was.contains(u"code"_s) && !was.contains(u"code_of"_s));
            QCOMPARE(hrefs(is.links), hrefs(was[u"links"_s].toArray()));
            QCOMPARE(hrefs(is.textLinks), hrefs(was[u"text_links"_s].toArray()));
            QCOMPARE(is.curve.size(), was[u"curve"_s].toArray().size());
        }
    }

    // A kept chat holds what happened, not its wording: opened again, it speaks the language
    // of the day, the trader's and the service's own words untouched.
    void keptChatFollowsTheLanguage()
    {
        StoredChat chat = chatTitled(u"An EA crossing two averages"_s, 1, u"MT5 EA chat ready"_s);
        ChatEvent session;
        session.type = ChatEvent::Type::Session;
        session.platform = Protocol::Platform::Mt5;
        ChatEvent waited = ChatEvent::wait(ChatEvent::Waiting::Answer);
        waited.ending = ChatEvent::Ending::Refused;
        waited.elapsedMs = 12000;
        DeploySteps::Save refused;
        refused.refusal = DeploySteps::Save::Refusal::DataFolderEmpty;
        chat.events << session << waited << ChatEvent::ofStep(refused);
        const std::optional<StoredChat> kept = StoredChats::fromJson(StoredChats::toJson(chat));
        QVERIFY(kept);
        applyLanguage(Protocol::Language::SimplifiedChinese);
        const QList<ChatEntry> chinese = StoredChats::entriesOf(*kept);
        applyLanguage(Protocol::Language::English);
        const QList<ChatEntry> english = StoredChats::entriesOf(*kept);
        QCOMPARE(chinese.size(), english.size());
        QCOMPARE(english.at(2).text, u"Creating new MT5 Indicator chat..."_s);
        QCOMPARE(english.at(3).text, u"Refused after 0:12"_s);
        QCOMPARE(chinese.at(0).text, english.at(0).text);
        QCOMPARE(chinese.at(1).text, english.at(1).text);
        for (qsizetype at = 2; at < chinese.size(); ++at)
            QVERIFY2(chinese.at(at).text.contains(QRegularExpression(u"\\p{Han}"_s)),
                     qPrintable(chinese.at(at).text));
    }

private:
    static QStringList hrefs(const QList<ChatEntry::Link> &links)
    {
        QStringList texts;
        for (const ChatEntry::Link &link : links)
            texts << link.text + u" -> "_s + link.href;
        return texts;
    }

    static QStringList hrefs(const QJsonArray &links)
    {
        QStringList texts;
        for (const QJsonValue &link : links)
            texts << link[u"text"_s].toString() + u" -> "_s + link[u"href"_s].toString();
        return texts;
    }

    static void load(ChatArchive &archive)
    {
        QSignalSpy loaded(&archive, &ChatArchive::listLoaded);
        archive.load();
        QVERIFY(loaded.wait());
    }

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_folder;
};

BREVAN_CORE_TEST_MAIN(TestChatArchive)

#include "tst_chatarchive.moc"
