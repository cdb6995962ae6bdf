#include "client/archive/storedchat.h"
#include "client/conversation/conversation.h"
#include "support/faketransport.h"
#include "support/testenvironment.h"

using namespace Qt::StringLiterals;

namespace {

const QString kExpert = u"int OnInit() { return 0; }\nvoid OnTick() {}\n"_s;

// The href of the last link whose href starts with prefix, in any entry.
QString linkOf(const QList<ChatEntry> &entries, const QString &prefix)
{
    for (qsizetype at = entries.size() - 1; at >= 0; --at) {
        for (const ChatEntry::Link &link : entries.at(at).links) {
            if (link.href.startsWith(prefix))
                return link.href;
        }
    }
    return {};
}

bool anyTextStarts(const QList<ChatEntry> &entries, const QString &start)
{
    return std::any_of(entries.cbegin(), entries.cend(), [&start](const ChatEntry &entry) { return entry.text.startsWith(start); });
}

} // namespace

// An Expert Advisor that compiles cleanly is tested from the chat in the terminal's tester (the
// stand-in here), and the chat keeps the card with the version it tested.
class TestConversationBacktest final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    int m_terminals = 0;

    // An MT5 terminal with the stand-in compiler and tester, and a live chat writing into it.
    void layOut(Conversation &chat, QList<ChatEntry> &entries)
    {
        const QString base = m_root.filePath(QString::number(++m_terminals));
        QVERIFY(QDir().mkpath(base + u"/data/MQL5/Experts"_s));
        QVERIFY(QDir().mkpath(base + u"/install"_s));
        QVERIFY(QFile::copy(QString::fromUtf8(FAKE_METAEDITOR_PATH), base + u"/install/metaeditor64.exe"_s));
        QVERIFY(QFile::copy(QString::fromUtf8(FAKE_TERMINAL_PATH), base + u"/install/terminal64.exe"_s));
        connect(&chat, &Conversation::entryAdded, this, [&entries](int, const ChatEntry &entry) { entries << entry; });
        connect(&chat, &Conversation::entryChanged, this,
                [&entries](int id, const ChatEntry &entry) { entries[id] = entry; });
        chat.setChoice({Protocol::Platform::Mt5, Protocol::ProgramType::ExpertAdvisor});
        chat.setFolders(Protocol::Platform::Mt5, base + u"/install"_s, base + u"/data"_s);
        chat.setProgramName(u"Cross"_s);
        chat.start(u"http://127.0.0.1:1"_s);
        QTRY_VERIFY(chat.isLive());
    }

private Q_SLOTS:
    void cleanup() { qunsetenv("TAVRIN_FAKE_TERMINAL_SECONDS"); }

    void testsFromTheChat_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("terminalSeconds"); // how long the stand-in takes; 0 at once
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("ending");

        QTest::newRow("asked") << false << 0 << false << u"Backtest finished after"_s;
        QTest::newRow("after every clean compile") << true << 0 << false << u"Backtest finished after"_s;
        QTest::newRow("stopped") << false << 60 << true << u"Backtest stopped after"_s;
        QTest::newRow("bound") << false << 60 << false << u"Backtest failed after"_s;
    }
    void testsFromTheChat()
    {
        QFETCH(bool, automatic);
        QFETCH(int, terminalSeconds);
        QFETCH(bool, stop);
        QFETCH(QString, ending);
        if (terminalSeconds > 0)
            qputenv("TAVRIN_FAKE_TERMINAL_SECONDS", QByteArray::number(terminalSeconds));

        auto *transport = new FakeTransport;
        Conversation chat(transport, {20000, 1500});
        QList<ChatEntry> entries;
        layOut(chat, entries);
        chat.setAutoBacktest(automatic);
        QCOMPARE(chat.send(u"An EA"_s), Conversation::SendOutcome::Sent);
        transport->answer(kExpert);
        QTRY_VERIFY_WITH_TIMEOUT(!linkOf(entries, u"brevan:backtest:"_s).isEmpty(), 20000);

        if (!automatic) {
            QSignalSpy asked(&chat, &Conversation::backtestAsked);
            QVERIFY(chat.activate(linkOf(entries, u"brevan:backtest:"_s)));
            QCOMPARE(asked.size(), 1);
            const auto choice = asked.constFirst().at(2).value<BacktestChoice>();
            QCOMPARE(choice.period, u"H1"_s);
            QCOMPARE(choice.to, QDate::currentDate());
            QCOMPARE(choice.from, QDate::currentDate().addYears(-1));
            BacktestChoice mine = choice;
            mine.symbol = u"GBPUSD"_s;
            chat.backtest(asked.constFirst().at(0).toInt(), mine);
        }
        QTRY_VERIFY(chat.isBacktesting() || anyTextStarts(entries, ending));
        if (stop)
            chat.stop();
        QTRY_VERIFY_WITH_TIMEOUT(anyTextStarts(entries, ending), 20000);
        const auto card = std::find_if(entries.cbegin(), entries.cend(),
                                       [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::Backtest; });
        QCOMPARE(card != entries.cend(), terminalSeconds == 0);

        StoredChat kept;
        kept.id = StoredChats::newId();
        kept.title = u"An EA"_s;
        kept.created = kept.updated = QDateTime::currentDateTime();
        chat.keepInto(kept);
        const std::optional<StoredChat> read = StoredChats::fromJson(StoredChats::toJson(kept));
        QVERIFY(read);
        const ProgramVersion &version = read->programs.constFirst().versions.constFirst();
        QCOMPARE(version.backtest.has_value(), terminalSeconds == 0);
        QVERIFY(read->backtestChoice);
        QCOMPARE(read->backtestChoice->symbol, automatic ? u"EURUSD"_s : u"GBPUSD"_s);
        if (card == entries.cend())
            return;
        QVERIFY(card->demo);
        QVERIFY(card->curve.size() > 1);
        QCOMPARE(card->curve.constFirst(), version.backtest->initialDeposit);
        QVERIFY(card->links.constFirst().href.startsWith(u"file:"_s));
        const QList<ChatEntry> shown = StoredChats::entriesOf(*read);
        const auto readCard = std::find_if(shown.cbegin(), shown.cend(),
                                           [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::Backtest; });
        QVERIFY(readCard != shown.cend());
        QCOMPARE(readCard->curve, card->curve);
        QVERIFY(readCard->demo);
        QCOMPARE(version.backtest->balance, card->curve);
    }
};

BREVAN_CORE_TEST_MAIN(TestConversationBacktest)
#include "tst_conversationbacktest.moc"
