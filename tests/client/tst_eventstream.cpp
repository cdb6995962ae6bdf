#include "protocol/eventstream.h"
#include "client/connection/serviceaccess.h"
#include "support/testenvironment.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray joined(const QList<ServerSentEvent> &events)
{
    QByteArray text;
    for (const ServerSentEvent &event : events)
        text += event.name + '=' + event.data + '|';
    return text;
}

} // namespace

// The streamed chat's wire format, read as a client reads it: the events, in pieces of any size,
// and what the service offers.
class TestEventStream final : public QObject
{
    Q_OBJECT

private slots:
    void reader_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("events");
        QTest::newRow("named, then unnamed") << "event: delta\ndata: {\"text\":\"a\"}\n\ndata:x\n\n"_ba
                                              << "delta={\"text\":\"a\"}|message=x|"_ba;
        QTest::newRow("CR LF and CR") << "event: done\r\ndata: 1\r\n\r\ndata: 2\r\rdata: 3\r\n\r\n"_ba << "done=1|message=2|message=3|"_ba;
        QTest::newRow("lines joined, one space taken") << "data:  a\ndata\ndata: b\n\n"_ba << "message= a\n\nb|"_ba;
        QTest::newRow("comments and other fields") << ":\n\n: keep-alive\nid: 7\nretry: 10\nevent: status\ndata: q\n\n"_ba << "status=q|"_ba;
        QTest::newRow("no data, no event; name not kept") << "event: x\n\nevent: status\ndata: s\n\ndata: m\n\n"_ba << "status=s|message=m|"_ba;
        QTest::newRow("byte order mark, unfinished event") << "\xEF\xBB\xBF" "data: 中文\n\ndata: cut"_ba << "message=中文|"_ba;
    }

    // Split at every place, the stream reads the same.
    void reader()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, events);
        for (qsizetype split = 0; split <= stream.size(); ++split) {
            EventStreamReader reader;
            QList<ServerSentEvent> read = reader.feed(stream.first(split));
            read += reader.feed(stream.sliced(split));
            QCOMPARE(joined(read), events);
        }
        EventStreamReader bytewise;
        QList<ServerSentEvent> read;
        for (const char byte : stream)
            read += bytewise.feed(QByteArrayView(&byte, 1));
        QCOMPARE(joined(read), events);
    }

    void chatEvent_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        using Kind = ChatStreamEvent::Kind;
        using Phase = ChatStreamEvent::Phase;
        QTest::newRow("queued") << "status"_ba << R"({"phase": "queued", "position": 3})"_ba << int(Kind::Status) << int(Phase::Queued) << 3 << "";
        QTest::newRow("unknown phase") << "status"_ba << R"({"phase": "thinking", "position": "2"})"_ba << int(Kind::Status) << int(Phase::Unknown) << 0 << "";
        QTest::newRow("delta") << "delta"_ba << R"({"text": "int x;\n"})"_ba << int(Kind::Delta) << int(Phase::Unknown) << 0 << "int x;\n";
        QTest::newRow("done") << "done"_ba << R"({"api_type": "chat", "success": false, "message": "Stopped"})"_ba << int(Kind::Done)
                              << int(Phase::Unknown) << 0 << "Stopped";
        QTest::newRow("other") << "message"_ba << R"({"text": "x"})"_ba << int(Kind::Other) << int(Phase::Unknown) << 0 << "";
    }

    void chatEvent()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, data);
        QFETCH(int, kind);
        QFETCH(int, phase);
        QFETCH(int, position);
        QFETCH(QString, text);
        const ChatStreamEvent event = parseChatStreamEvent({name, data});
        QCOMPARE(int(event.kind), kind);
        QCOMPARE(int(event.phase), phase);
        QCOMPARE(event.position, position);
        QCOMPARE(event.kind == ChatStreamEvent::Kind::Done ? event.reply.message : event.text, text);
        QCOMPARE(event.reply.kind == ServiceReply::Kind::Chat, event.kind == ChatStreamEvent::Kind::Done);
    }

    void features_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("features");
        QTest::newRow("all") << R"({"features": ["stream", "cancel", "compile_errors"]})"_ba << QStringList{"stream", "cancel", "compile_errors"};
        QTest::newRow("none listed") << R"({"need_update": false})"_ba << QStringList();
        QTest::newRow("not a list") << R"({"features": "stream"})"_ba << QStringList();
        QTest::newRow("other entries skipped") << R"({"features": [1, "stream", null, {"cancel": true}]})"_ba << QStringList{"stream"};
    }

    void features()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, features);
        const VersionVerdict verdict = parseVersionVerdict(body);
        QCOMPARE(verdict.features, features);
    }

    void requests()
    {
        QCOMPARE(chatBody(u"s"_s, u"fix"_s, u"en"_s, {u"a.mq5(1,2) : error 1: x"_s}).value(u"compile_errors"_s).toArray(),
                 QJsonArray{u"a.mq5(1,2) : error 1: x"_s});
        QCOMPARE(cancelBody(u"s"_s, u"zh-CN"_s), (QJsonObject{{u"session_id"_s, u"s"_s}, {u"lang"_s, u"zh-CN"_s}}));
        QNetworkAccessManager manager;
        QNetworkReply *reply = postStreamingChatRequest(manager, TestEnvironment::refusingServiceUrl() + ServicePath::Chat,
                                                        chatBody(u"s"_s, u"x"_s, u"en"_s), u"en"_s);
        QCOMPARE(reply->request().rawHeader("Accept"), "text/event-stream");
        reply->abort();
        reply->deleteLater();
    }
};

BREVAN_CORE_TEST_MAIN(TestEventStream)
#include "tst_eventstream.moc"
