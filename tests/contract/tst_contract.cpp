// The client's conversation against the real service in one process: the service's chat road
// and HTTP layer on a loopback port, the offline generator writing, the stand-in compiler compiling.
#include "memorysessionstore.h"
#include "programcheck.h"
#include "service/conversation.h"
#include "service/riskwarnings.h"
#include "support/testenvironment.h"
#include "tavrinserver.h"
#include "templatewriter.h"

#include <QDirIterator>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

const QString kStopped = u"Stopped. Your request is back in the request field."_s;
// The stand-in compiler finds no OnCalculate in this indicator.
const QString kBroken = u"int OnInit() { return 0; }\n"_s;

// The offline generator, with what a case asks of it besides: a program of its own first, or a
// program that is still being written when the trader stops it.
class ContractWriter final : public CodeWriter
{
public:
    QString firstProgram;
    bool hold = false;
    QList<QStringList> compileErrors; // of each request
    int cancelled = 0;

    quint64 write(const Request &request, const Progress &progress, Done done) override
    {
        compileErrors.append(request.compileErrors);
        if (hold) {
            progress.phase(Phase::Writing, 0);
            progress.delta(u"// writing\n"_s);
            return 0;
        }
        if (!firstProgram.isEmpty()) {
            done({true, u"Written."_s, Protocol::ErrorCode::None, std::exchange(firstProgram, {}), request.chat});
            return 0;
        }
        return m_templates.write(request, progress, std::move(done));
    }
    void cancel(quint64) override { ++cancelled; }
    qint64 deadlineMs() const override { return m_templates.deadlineMs(); }
    void probe(const std::function<void(Reach)> &done) override { m_templates.probe(done); }
    int queueLength() const override { return 0; }

private:
    TemplateWriter m_templates;
};

QStringList found(const QList<RiskWarning> &warnings)
{
    QStringList result;
    for (const RiskWarning &warning : warnings)
        result << warning.rule + u':' + QString::number(warning.line);
    return result;
}

} // namespace

class TestContract final : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_root;
    QScopedPointer<TavrinServer> m_server;
    ContractWriter *m_writer = nullptr;
    QScopedPointer<Conversation> m_chat;
    QList<ChatEntry> m_entries;
    QStringList m_returned;

    QStringList texts() const
    {
        QStringList result;
        for (const ChatEntry &entry : m_entries)
            result << entry.text + entry.code;
        return result;
    }
    bool shows(const QString &part, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return !texts().filter(part).isEmpty(); }, ms);
    }
    bool settled()
    {
        return QTest::qWaitFor([&] { return !m_chat->isRequestInFlight() && !m_chat->isCompiling(); }, 20000);
    }
    QString source() const { return m_root->filePath(u"data/MQL4/Indicators/Swing.mq4"_s); }

    // The service, forgetting chats left alone for idleLimitMs, and a conversation with it about
    // an MT4 indicator, for a terminal whose compiler is the stand-in.
    bool start(qint64 idleLimitMs = 60000)
    {
        m_writer = new ContractWriter;
        m_server.reset(new TavrinServer({1, 0, 0}, {}, new MemorySessionStore(idleLimitMs, 100), m_writer));
        QString error;
        if (!m_server->listen(QHostAddress::LocalHost, 0, &error))
            return false;
        const QString install = m_root->filePath(u"install"_s);
        if (!QDir().mkpath(QFileInfo(source()).path()) || !QDir().mkpath(install)
            || !QFile::copy(FAKE_METAEDITOR_PATH, install + "/metaeditor.exe"))
            return false;
        m_chat.reset(new Conversation);
        connect(m_chat.data(), &Conversation::entryAdded, this, [this](int, const ChatEntry &entry) { m_entries << entry; });
        connect(m_chat.data(), &Conversation::entryChanged, this, [this](int id, const ChatEntry &entry) { m_entries[id] = entry; });
        connect(m_chat.data(), &Conversation::requestReturned, this, [this](const QString &request) { m_returned << request; });
        m_chat->setChoice({Protocol::Platform::Mt4, Protocol::ProgramType::Indicator});
        m_chat->setProgramName(u"Swing"_s);
        m_chat->setFolders(Protocol::Platform::Mt4, install, m_root->filePath(u"data"_s));
        m_chat->start(m_server->url().toString());
        return shows(u"New MT4 indicator chat ready."_s);
    }

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
        m_root.reset(new QTemporaryDir);
        m_entries.clear();
        m_returned.clear();
    }
    void cleanup()
    {
        m_chat.reset();
        m_server.reset();
    }

    // Written, saved and compiled; the next request refines the same program.
    void conversation()
    {
        QVERIFY(start());
        m_chat->send(u"RSI 14"_s);
        QVERIFY(shows(u"Here is your MQL4 indicator: RSI(14)"_s));
        QVERIFY(settled());
        QVERIFY(!texts().filter(u"compiling 'Swing.mq4'"_s).isEmpty());
        QVERIFY(TestEnvironment::readFile(source()).contains("iRSI("));
        m_chat->send(u"make the period 21"_s);
        QVERIFY(shows(u"RSI(14) 70/30 → RSI(21) 70/30"_s));
        QVERIFY(settled());
        QVERIFY(TestEnvironment::readFile(source()).simplified().contains("InpRsiPeriod = 21;"));
    }

    // The program shows as it is written; Stop frees the service and gives the request back.
    void streamedAnswerStopped()
    {
        QVERIFY(start());
        m_writer->hold = true;
        m_chat->send(u"Draw it"_s);
        QVERIFY(QTest::qWaitFor([&] { return !m_entries.isEmpty() && m_entries.constLast().code == u"// writing\n"_s; }, 10000));
        m_chat->stop();
        QVERIFY(shows(kStopped));
        QCOMPARE(m_returned, QStringList{u"Draw it"_s});
        QTRY_COMPARE(m_writer->cancelled, 1);
        m_writer->hold = false;
        m_chat->send(u"RSI 14"_s);
        QVERIFY(shows(u"Here is your MQL4 indicator"_s));
    }

    // The compiler's errors go back as data; the offline generator answers that it cannot fix them.
    void compileErrorRound()
    {
        QVERIFY(start());
        m_writer->firstProgram = kBroken;
        m_chat->setAutoFix(true);
        m_chat->send(u"Draw it"_s);
        QVERIFY(shows(u"The offline generator cannot fix compile errors"_s, 20000));
        QVERIFY(settled());
        QCOMPARE(m_writer->compileErrors.size(), 2);
        const QStringList errors = m_writer->compileErrors.constLast();
        QVERIFY2(!errors.isEmpty() && errors.constFirst().startsWith(u"Swing.mq4("_s), qPrintable(errors.join(u'\n')));
    }

    // A chat the service forgot is opened once more by its error code, and takes the request.
    void forgottenChatReopened()
    {
        QVERIFY(start(1000));
        QTest::qWait(1300);
        m_chat->send(u"RSI 14"_s);
        QVERIFY(shows(u"The code generator no longer knew this chat"_s));
        QVERIFY(shows(u"Here is your MQL4 indicator: RSI(14)"_s));
        QCOMPARE(texts().filter(u"Unknown session"_s), QStringList());
    }

    // What the service warns of, as the client reads it off the wire, is what the client's own
    // review finds, on every program of the risk corpus.
    void riskFindingsAgree()
    {
        int programs = 0;
        for (QDirIterator it(RISK_CORPUS, {u"*.mq4"_s, u"*.mq5"_s}); it.hasNext(); ++programs) {
            const QString path = it.next();
            const QString code = QString::fromUtf8(TestEnvironment::readFile(path));
            const bool mql4 = path.endsWith(u".mq4"_s);
            QJsonObject body = outcomeBody(true, ApiType::Chat, {});
            body.insert(Field::Data, programData(code, {mql4 ? Protocol::Platform::Mt4 : Protocol::Platform::Mt5,
                                                        Protocol::ProgramType::ExpertAdvisor}));
            QStringList client;
            for (const RiskWarnings::Warning &warning : RiskWarnings::review(code, mql4 ? Protocol::Platform::Mt4 : Protocol::Platform::Mt5))
                client << warning.rule + u':' + QString::number(warning.line);
            QCOMPARE(found(parseServiceReply(QJsonDocument(body).toJson()).warnings), client);
        }
        QVERIFY(programs > 30);
    }
};

BREVAN_CORE_TEST_MAIN(TestContract)
#include "tst_contract.moc"
