// The kept chats at the sizes a trader reaches: the list ready at start with 1,000 chats of 20
// turns, one long chat opened and shown, a search through every chat, and a change reaching the disk,
// with the time a save takes from the window's thread.

#include "benchsupport.h"
#include "storedchats.h"

#include "client/archive/chatarchive.h"
#include "client/archive/chatkeeper.h"
#include "client/archive/chatlistmodel.h"
#include "client/conversation/conversation.h"
#include "widgets/chattextedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr int kLongTurns = 200;
constexpr int kLongPrograms = 50;

template <typename Signal>
void waitFor(const ChatArchive &archive, Signal signal)
{
    QEventLoop loop;
    QObject::connect(&archive, signal, &loop, &QEventLoop::quit);
    loop.exec();
}

// A folder of chats, written once for every benchmark that reads it.
struct Store final
{
    explicit Store(int chats, int turns, int programs)
    {
        ChatArchive archive(folder.path());
        for (int i = 0; i < chats; ++i) {
            chat = StoredChatsFixture::makeChat(i, turns, programs);
            archive.save(chat);
        }
        archive.flush();
    }
    QString indexPath() const { return folder.filePath(QStringLiteral("index.json")); }

    QTemporaryDir folder;
    StoredChat chat; // the last one written
};

Store &manyChats()
{
    static Store store(StoredChatsFixture::Chats, StoredChatsFixture::Turns, 3);
    return store;
}

Store &longChat()
{
    static Store store(1, kLongTurns, kLongPrograms);
    return store;
}

// From load() to the list model holding every row, on a fresh archive as at a start; with the
// index removed, as after a crash before it was written.
void listReady(benchmark::State &state)
{
    Store &store = manyChats();
    const bool rebuilt = state.range(0) == 1;
    double fillMs = 0;
    for (auto _ : state) {
        if (rebuilt)
            QFile::remove(store.indexPath());
        QElapsedTimer timer;
        timer.start();
        ChatArchive archive(store.folder.path());
        ChatListModel model(&archive);
        archive.load();
        waitFor(archive, &ChatArchive::listLoaded);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (model.rowCount() != StoredChatsFixture::Chats)
            state.SkipWithError("the list is not complete");
        timer.restart();
        ChatListModel filled(&archive); // what the window's thread spends on the rows
        fillMs += double(timer.nsecsElapsed()) / 1e6;
    }
    state.counters["rows filled on the window's thread [ms]"] = fillMs / double(state.iterations());
    state.counters["index size [KiB]"] = double(QFileInfo(store.indexPath()).size()) / 1024.0;
    qint64 folderBytes = 0;
    for (const QFileInfo &file : QDir(store.folder.path()).entryInfoList(QDir::Files))
        folderBytes += file.size();
    state.counters["the chats' folder [MiB]"] = double(folderBytes) / (1024.0 * 1024.0);
}

void openLongChat(benchmark::State &state)
{
    Store &store = longChat();
    ChatArchive archive(store.folder.path());
    for (auto _ : state) {
        const std::optional<StoredChat> chat = archive.open(store.chat.id);
        if (!chat || chat->events.size() != store.chat.events.size())
            state.SkipWithError("the chat did not open whole");
    }
    state.counters["file size [KiB]"] =
        double(QFileInfo(store.folder.filePath(store.chat.id + QStringLiteral(".json"))).size()) / 1024.0;
}

// From choosing the chat in the list to its transcript laid out in the window's view: read,
// handed to the conversation, every bubble shown. A short chat is opened in between, untimed.
void showLongChat(benchmark::State &state)
{
    Store &store = longChat();
    ChatArchive archive(store.folder.path());
    const StoredChat shortChat = StoredChatsFixture::makeChat(1, 1, 1);
    archive.save(shortChat);
    Conversation conversation;
    ChatKeeper keeper(&archive, &conversation);
    ChatTextEdit transcript;
    transcript.resize(760, 520);
    QObject::connect(&conversation, &Conversation::transcriptCleared, &transcript, &QTextEdit::clear);
    QObject::connect(&conversation, &Conversation::entryAdded, &transcript, &ChatTextEdit::showEntry);
    transcript.show();
    const auto settle = [] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    };
    for (auto _ : state) {
        state.PauseTiming();
        keeper.open(shortChat.id, {});
        settle();
        state.ResumeTiming();
        if (!keeper.open(store.chat.id, {}))
            state.SkipWithError("the chat did not open");
        settle();
    }
    if (transcript.messages().size() != StoredChats::entriesOf(store.chat).size())
        state.SkipWithError("not every bubble was shown");
}

void loadContent(benchmark::State &state)
{
    for (auto _ : state) {
        ChatArchive archive(manyChats().folder.path());
        archive.load();
        waitFor(archive, &ChatArchive::listLoaded);
        archive.loadContent();
        waitFor(archive, &ChatArchive::contentLoaded);
    }
}

// The filter over every chat, its content loaded: a text found in one chat, and one in none.
void search(benchmark::State &state)
{
    ChatArchive archive(manyChats().folder.path());
    ChatListModel model(&archive);
    ChatListFilter filter(&archive);
    filter.setSourceModel(&model);
    archive.load();
    waitFor(archive, &ChatArchive::listLoaded);
    archive.loadContent();
    waitFor(archive, &ChatArchive::contentLoaded);
    int found = 0;
    int round = 0;
    for (auto _ : state) {
        filter.setSearchText(++round % 2 ? QStringLiteral("Period 537 ") : QStringLiteral("bollinger"));
        found = std::max(found, filter.rowCount());
    }
    state.counters["chats found [chats]"] = found;
}

// save() as the window calls it at each change of a 200-turn chat, then the time until the
// file has it; and flush() with that change pending, as at a close.
void saveLongChat(benchmark::State &state)
{
    Store &store = longChat();
    const QString path = store.folder.filePath(store.chat.id + QStringLiteral(".json"));
    ChatArchive archive(store.folder.path());
    StoredChat chat = store.chat;
    double onDiskMs = 0;
    double flushMs = 0;
    for (auto _ : state) {
        chat.draft = QStringLiteral("draft %1").arg(state.iterations());
        const QDateTime written = QFileInfo(path).lastModified();
        QElapsedTimer timer;
        timer.start();
        archive.save(chat);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        while (QFileInfo(path).lastModified() == written) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        onDiskMs += double(timer.nsecsElapsed()) / 1e6;

        chat.draft += QLatin1Char('!');
        archive.save(chat);
        timer.restart();
        archive.flush();
        flushMs += double(timer.nsecsElapsed()) / 1e6;
    }
    state.counters["on disk after save [ms]"] = onDiskMs / double(state.iterations());
    state.counters["flush at close, one chat pending [ms]"] = flushMs / double(state.iterations());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("chats: list ready, 1,000 chats of 20 turns", listReady)
        ->Arg(0)->Iterations(10)->Unit(benchmark::kMillisecond)->UseManualTime();
    benchmark::RegisterBenchmark("chats: list ready, index rebuilt from 1,000 chats", listReady)
        ->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond)->UseManualTime();
    benchmark::RegisterBenchmark("chats: open a 200-turn chat with 50 programs", openLongChat)
        ->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("chats: a 200-turn chat with 50 programs shown in the transcript", showLongChat)
        ->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("chats: every chat's content read for search", loadContent)
        ->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("chats: search 1,000 chats", search)
        ->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("chats: save a 200-turn chat, window's thread", saveLongChat)
        ->Iterations(5)->Unit(benchmark::kMicrosecond)->UseManualTime();
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
