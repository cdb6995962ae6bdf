#pragma once

// The service's tests' model server: an OpenAI-compatible one on loopback that answers from
// a script, and what its answers are checked with.

#include <mqlcheck.h>

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

// Generous: only a hung service should ever reach it.
constexpr int waitLimitMs = 30000;
const QByteArray validProgram = "int OnInit() { return 0; }\nvoid OnTick() {}\n"
                                "int OnCalculate(const int total) { return total; }\n";

inline QByteArray completion(const QString &content, const QString &finishReason = "stop")
{
    const QJsonObject choice{{"message", QJsonObject{{"role", "assistant"}, {"content", content}}},
                             {"finish_reason", finishReason}};
    return QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson();
}

// One scripted answer of the fake model server.
struct Canned
{
    int status = 200;
    QByteArray body = completion("Done.\n```mql5\n" + validProgram + "```");
    QByteArray headers;
    int delayMs = 0;
    enum Mode { Answer, Silent, CutMidBody, Stream, StreamThenStall } mode = Answer;
    // Stream: written one per delayMs.
    QList<QByteArray> chunks = {};
};

inline Canned canned(int status, const QByteArray &body, const QByteArray &headers = {}, int delayMs = 0,
              Canned::Mode mode = Canned::Answer)
{
    return {status, body, headers, delayMs, mode};
}

// An OpenAI-style stream of the pieces, with a finish_reason and [DONE] unless finish is empty.
inline Canned streamed(const QStringList &pieces, int intervalMs, const QString &finish = "stop",
                Canned::Mode mode = Canned::Stream)
{
    Canned result = canned(200, {}, {}, intervalMs, mode);
    const auto event = [](const QJsonObject &choice) {
        return "data: " + QJsonDocument(QJsonObject{{"choices", QJsonArray{choice}}}).toJson(QJsonDocument::Compact) + "\n\n";
    };
    for (const QString &piece : pieces)
        result.chunks.append(event({{"delta", QJsonObject{{"content", piece}}}, {"finish_reason", QJsonValue::Null}}));
    if (!finish.isEmpty())
        result.chunks += {event({{"delta", QJsonObject{}}, {"finish_reason", finish}}), "data: [DONE]\n\n"};
    return result;
}

// An OpenAI-compatible model server on loopback: answers from its script in order (a valid
// program when it runs out) and records each chat request.
class FakeModel final : public QObject
{
public:
    QList<Canned> script;
    QList<QJsonObject> chats;
    QList<QByteArray> heads;
    int modelLists = 0;
    // How it answers GET /v1/models: 401 or 403 refuse the key.
    int modelListStatus = 200;
    int inFlight = 0;
    int mostInFlight = 0;
    int streamsEnded = 0;
    // Connections that the service closed before the answer was complete.
    int cutByService = 0;

    FakeModel()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QString url() const { return "http://127.0.0.1:" + QString::number(m_server.serverPort()); }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        static const QRegularExpression length("content-length:\\s*(\\d+)", QRegularExpression::CaseInsensitiveOption);
        const qsizetype size = length.match(QString::fromLatin1(buffer.left(end))).captured(1).toLongLong();
        if (end < 0 || buffer.size() < end + 4 + size)
            return;
        const QByteArray head = buffer.left(end);
        const QByteArray body = buffer.mid(end + 4, size);
        buffer.clear();
        if (head.startsWith("GET") && head.contains("/v1/models ")) {
            ++modelLists;
            answer(socket, modelListStatus == 200 ? canned(200, R"({"object": "list", "data": [{"id": "fake-model"}]})")
                                                  : canned(modelListStatus, R"({"error": {"message": "no"}})"));
            return;
        }
        chats.append(QJsonDocument::fromJson(body).object());
        heads.append(head);
        const Canned canned = script.isEmpty() ? Canned() : script.takeFirst();
        mostInFlight = qMax(mostInFlight, ++inFlight);
        QTimer::singleShot(canned.mode >= Canned::Stream ? 0 : canned.delayMs, socket, [this, socket, canned] {
            --inFlight;
            answer(socket, canned);
        });
    }

    void answer(QTcpSocket *socket, const Canned &canned)
    {
        auto complete = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::disconnected, this, [this, complete] { cutByService += !*complete; });
        if (canned.mode == Canned::Silent)
            return;
        if (canned.mode >= Canned::Stream)
            return stream(socket, canned, complete);
        *complete = true;
        const qsizetype length = canned.body.size() + (canned.mode == Canned::CutMidBody ? 100 : 0);
        socket->write("HTTP/1.1 " + QByteArray::number(canned.status) + " X\r\nContent-Type: application/json\r\n"
                      + "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n"
                      + canned.headers + "\r\n" + canned.body);
        socket->disconnectFromHost();
    }

    void stream(QTcpSocket *socket, const Canned &canned, const std::shared_ptr<bool> &complete)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n");
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [this, socket, timer, canned, complete, next = qsizetype(0)]() mutable {
            if (next < canned.chunks.size())
                return void(socket->write(canned.chunks.at(next++)));
            timer->stop();
            ++streamsEnded;
            if (canned.mode == Canned::Stream) {
                *complete = true;
                socket->disconnectFromHost();
            }
        });
        timer->start(canned.delayMs);
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

inline QStringList errorsOf(const QString &program, bool mql4, bool indicator)
{
    QStringList errors;
    for (const mqlcheck::Finding &finding :
         mqlcheck::checkProgram(program.toStdString(), mql4 ? mqlcheck::Language::Mql4 : mqlcheck::Language::Mql5,
                                indicator ? mqlcheck::Kind::Indicator : mqlcheck::Kind::ExpertAdvisor)) {
        if (finding.severity == mqlcheck::Finding::Severity::Error)
            errors.append(QString::fromStdString(finding.message));
    }
    return errors;
}

Q_DECLARE_METATYPE(Canned)
