// How often a chat reaches the disk while an answer streams in, and what reopening a long chat
// costs until every bubble is in the window's view.

#include "benchsupport.h"
#include "storedchats.h"

#include "client/connection/chattransport.h"
#include "client/conversation/conversation.h"
#include "widgets/chattextedit.h"

#include <QApplication>
#include <QThread>

namespace {

constexpr int kTokens = 10000;
constexpr int kTurns = 200;
constexpr int kPrograms = 50;

// A code generator that streams its answer token by token, over a little more than a second so
// that the waiting bubble's clock and refresh both run meanwhile.
class StreamingTransport final : public ChatTransport
{
public:
    void setLanguage(const QString &) override {}
    void setServiceStarter(bool) override {}
    bool offers(const QString &) const override { return false; }
    bool isLive() const override { return true; }
    void check(const QString &) override {}
    void leave(bool) override {}
    void open(Protocol::Platform platform, Protocol::ProgramType type, const ChatSeed &, Greeting) override
    {
        m_chat = {platform, type, m_chat.serial + 1, false};
    }
    void resume(Protocol::Platform platform, Protocol::ProgramType type, const QString &, bool used) override
    {
        m_chat = {platform, type, m_chat.serial + 1, used};
    }
    QString sessionId() const override { return QStringLiteral("bench"); }
    const ChatSession &chat() const override { return m_chat; }
    void markUsed() override { m_chat.used = true; }
    bool sessionFailed() const override { return false; }
    void setCurrentProgram(const QString &) override {}
    void post(const QString &, const QStringList &) override { m_stream = {}; }
    bool isPosted() const override { return true; }
    const Stream &stream() const override { return m_stream; }
    void stop() override {}
    void drop() override {}

    void streamAnswer(int tokens)
    {
        m_stream.phase = ChatStreamEvent::Phase::Writing;
        m_stream.writing.start();
        for (int token = 0; token < tokens; ++token) {
            m_stream.written += token % 12 == 11 ? QStringLiteral(";\n") : QStringLiteral(" value");
            Q_EMIT streamed();
            if (token % 100 == 0)
                QThread::msleep(12);
            QCoreApplication::processEvents();
        }
        m_stream.done = true;
        ServiceReply reply;
        reply.kind = ServiceReply::Kind::Chat;
        reply.success = true;
        reply.response = m_stream.written;
        Q_EMIT answered(reply);
    }

private:
    ChatSession m_chat;
    Stream m_stream;
};

// From Send to the answer's end: the chat is kept each time the conversation reports a change.
void streamedAnswerWrites(benchmark::State &state)
{
    double writes = 0;
    double refreshes = 0;
    for (auto _ : state) {
        auto *transport = new StreamingTransport;
        Conversation conversation(transport, {});
        conversation.setProgramName(QStringLiteral("Bench"));
        Q_EMIT transport->live();
        int changes = 0;
        int shown = 0;
        QObject::connect(&conversation, &Conversation::changed, &conversation, [&changes] { ++changes; });
        QObject::connect(&conversation, &Conversation::entryChanged, &conversation, [&shown] { ++shown; });
        if (conversation.send(QStringLiteral("An RSI indicator")) != Conversation::SendOutcome::Sent)
            state.SkipWithError("the request was not sent");
        transport->streamAnswer(kTokens);
        writes = changes;
        refreshes = shown;
    }
    state.counters["chat written per streamed answer [writes]"] = writes;
    state.counters["bubbles shown anew meanwhile [changes]"] = refreshes;
}

// A 200-turn chat handed to the conversation and every bubble shown in the window's view; a
// short chat is shown in between, untimed, as when the trader comes from another chat.
void reopenLongChat(benchmark::State &state)
{
    const StoredChat chat = StoredChatsFixture::makeChat(0, kTurns, kPrograms);
    const StoredChat shortChat = StoredChatsFixture::makeChat(1, 1, 1);
    Conversation conversation(new StreamingTransport, {});
    ChatTextEdit transcript;
    transcript.resize(760, 520);
    QObject::connect(&conversation, &Conversation::transcriptCleared, &transcript, &QTextEdit::clear);
    QObject::connect(&conversation, &Conversation::entryAdded, &transcript, &ChatTextEdit::showEntry);
    transcript.show();
    for (auto _ : state) {
        state.PauseTiming();
        conversation.reopen(shortChat);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        conversation.reopen(chat);
        QCoreApplication::processEvents();
    }
    if (transcript.messages().size() != StoredChats::entriesOf(chat).size())
        state.SkipWithError("not every bubble was shown");
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("chat record: a 10,000-token answer streamed", streamedAnswerWrites)
        ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("chat record: a 200-turn chat reopened and shown", reopenLongChat)
        ->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
