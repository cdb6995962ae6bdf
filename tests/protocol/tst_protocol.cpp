#include "protocol/eventstream.h"
#include "protocol/requests.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What a body reads as: its own JSON written back, or the problem it was refused with.
struct Reading final
{
    QJsonObject body;
    RequestProblem problem;
};

template <typename Request>
Reading read(const QJsonObject &body)
{
    const Parsed<Request> parsed = Request::fromJson(body);
    if (!parsed.isValid())
        return {{}, parsed.problem()};
    // A value read back from its own JSON is the same value.
    const Parsed<Request> again = Request::fromJson(parsed.value().toJson());
    const bool same = again.isValid() && again.value() == parsed.value();
    return {same ? parsed.value().toJson() : QJsonObject(), {Protocol::ErrorCode::None, {}}};
}

Reading readAt(const QString &endpoint, const QJsonObject &body)
{
    if (endpoint == "new"_L1)
        return read<NewChatRequest>(body);
    if (endpoint == "chat"_L1)
        return read<ChatRequest>(body);
    if (endpoint == "session"_L1)
        return read<SessionRequest>(body);
    return read<VersionCheckRequest>(body);
}

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

QJsonObject with(QJsonObject body, const QString &key, const QString &value)
{
    body.insert(key, value);
    return body;
}

} // namespace

// The requests as both sides write and read them: what today's client sends reads back the
// same, and each malformed body is refused with the code and the words the service sends.
class TestProtocol final : public QObject
{
    Q_OBJECT

private slots:
    // A valid body (no error) reads back the same; a malformed one is refused.
    void read_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("message");
        const QJsonObject newChat = json(R"({"platform":"MT5","code_type":"ea"})");
        const QJsonObject chat = json(R"({"session_id":"s","user_message":"RSI"})");
        const QString invalid = u"invalid_request"_s, tooLarge = u"request_too_large"_s;
        const ChatSeed seed{{{ChatTurn::Role::User, u"RSI"_s}, {ChatTurn::Role::Assistant, u"```x```"_s}}, u"int x;"_s};
        QTest::newRow("new, plain") << u"new"_s << newChatBody(u"indicator"_s, u"MT4"_s, u"zh-TW"_s) << QString() << QString();
        QTest::newRow("new, seeded") << u"new"_s << newChatBody(u"ea"_s, u"MT5"_s, u"en"_s, seed) << QString() << QString();
        QTest::newRow("new, no lang, program at 256 KiB") << u"new"_s << with(newChat, u"current_program"_s, QString(RequestLimit::CurrentProgramBytes, u'x')) << QString() << QString();
        QTest::newRow("chat, plain") << u"chat"_s << chatBody(u"s"_s, u"RSI 14"_s, u"zh-CN"_s) << QString() << QString();
        QTest::newRow("chat, no errors yet") << u"chat"_s << chatBody(u"s"_s, u""_s, u"en"_s, {}) << QString() << QString();
        QTest::newRow("chat, errors and program") << u"chat"_s << chatBody(u"s"_s, u"fix"_s, u"en"_s, {u"a.mq5(1,2) : error 1: x"_s}, u"int x;"_s) << QString() << QString();
        QTest::newRow("cancel") << u"session"_s << cancelBody(u"s"_s, u"zh-CN"_s) << QString() << QString();
        QTest::newRow("closing") << u"session"_s << closingSessionBody(u"s"_s) << QString() << QString();
        QTest::newRow("version check") << u"version"_s << versionCheckBody() << QString() << QString();

        QTest::newRow("lang not text") << u"session"_s << json(R"({"session_id":"s","lang":1})") << invalid << R"("lang" must be a string.)";
        QTest::newRow("no platform") << u"new"_s << json(R"({"code_type":1})") << invalid << R"(Missing key "platform".)";
        QTest::newRow("MT6") << u"new"_s << json(R"({"platform":"MT6","code_type":"ea"})") << invalid << R"("platform" must be "MT4" or "MT5".)";
        QTest::newRow("script") << u"new"_s << json(R"({"platform":"mt4","code_type":"script"})") << invalid << R"("code_type" must be "indicator" or "ea".)";
        QTest::newRow("history not a list") << u"new"_s << json(R"({"platform":"MT5","code_type":"ea","history":"x"})") << invalid << R"("history" must be a list of turns.)";
        QTest::newRow("system turn") << u"new"_s << json(R"({"platform":"MT5","code_type":"ea","history":[{"role":"user","content":""},{"role":"system","content":"x"}]})")
                                     << invalid << R"("history" turn 2 must be {"role": "user" or "assistant", "content": text}.)";
        QTest::newRow("program over 256 KiB on new") << u"new"_s << with(newChat, u"current_program"_s, QString(RequestLimit::CurrentProgramBytes + 1, u'x'))
                                                     << tooLarge << R"("current_program" is larger than 256 KiB.)";
        QTest::newRow("user_message a number") << u"chat"_s << json(R"({"session_id":"s","user_message":1})") << invalid << R"("user_message" must be a string.)";
        QTest::newRow("error not text") << u"chat"_s << json(R"({"session_id":"s","user_message":"","compile_errors":["a",1]})") << invalid << R"("compile_errors" must be a list of strings.)";
        QTest::newRow("program not text") << u"chat"_s << json(R"({"session_id":"s","user_message":"","current_program":[]})") << invalid << R"("current_program" must be a string.)";
        QTest::newRow("program over 256 KiB in UTF-8") << u"chat"_s << with(chat, u"current_program"_s, QString(RequestLimit::CurrentProgramBytes / 3 + 1, QChar(0x4e2d)))
                                                       << tooLarge << R"("current_program" is larger than 256 KiB.)";
        QTest::newRow("not a version") << u"version"_s << json(R"({"client_version":"new"})") << invalid << R"("client_version" is not a version number.)";
    }
    void read()
    {
        QFETCH(QString, endpoint);
        QFETCH(QJsonObject, body);
        QFETCH(QString, error);
        QFETCH(QString, message);
        const Reading reading = readAt(endpoint, body);
        QCOMPARE(Protocol::errorCodeName(reading.problem.code), error);
        QCOMPARE(reading.problem.message, message);
        if (error.isEmpty())
            QCOMPARE(reading.body, body);
    }

    // A chat's own bounds, which it answers in its language rather than refusing the body.
    void chatLimits()
    {
        ChatRequest request{u"s"_s, QString(RequestLimit::UserMessageBytes, u'a'), std::nullopt, std::nullopt, {}};
        QVERIFY(request.withinLimits());
        request.userMessage += u'a';
        QVERIFY(!request.withinLimits());
        request.userMessage.chop(1);
        request.compileErrors = QStringList(RequestLimit::CompileErrorLines, u"e"_s);
        QVERIFY(request.withinLimits());
        request.compileErrors->append(u"e"_s);
        QVERIFY(!request.withinLimits());
        QCOMPARE(chatBody(u"s"_s, {}, u"en"_s, *request.compileErrors).value(u"compile_errors"_s).toArray().size(),
                 RequestLimit::CompileErrorLines);
    }

    void versionVerdict()
    {
        const VersionVerdict verdict{true, u"Update"_s, u"1.2.0"_s, {u"stream"_s, u"history"_s}};
        QCOMPARE(parseVersionVerdict(QJsonDocument(verdict.toJson()).toJson()).toJson(), verdict.toJson());
        QCOMPARE(verdict.toJson().keys(), (QStringList{u"features"_s, u"message"_s, u"min_version"_s, u"need_update"_s}));
    }

    void streamEvent()
    {
        const ChatStreamEvent status{ChatStreamEvent::Kind::Status, ChatStreamEvent::Phase::Queued, 3, {}, {}};
        const ChatStreamEvent back = parseChatStreamEvent({status.name(), QJsonDocument(status.toJson()).toJson()});
        QCOMPARE(back.toJson(), status.toJson());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
