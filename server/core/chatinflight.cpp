#include "chatinflight.h"

#include "programcheck.h"
#include "turnreplies.h"

#include "protocol/messages.h"

#include <QJsonObject>

namespace {

// Well within the idle limits of proxies and of the client.
constexpr int keepAliveMs = 15 * 1000;

} // namespace

ChatInFlight::ChatInFlight(const QString &sessionId, Protocol::Language language,
                           const Sink &answer, CodeWriter &writer, QObject *parent)
    : QObject(parent)
    , m_sessionId(sessionId)
    , m_language(language)
    , m_answer(answer)
    , m_writer(writer)
{ }

void ChatInFlight::start(const CodeWriter::Request &request, const Ended &ended)
{
    m_running = true;
    m_ended = ended;
    // Nobody would read the answer: free the writer for others.
    m_clientGone =
        m_answer->whenClientGone(this, [this] { stop(ReplyTexts::chatEnded(m_language)); });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        qWarning().noquote() << "code writer: a chat passed its deadline";
        stop(ReplyTexts::modelFailure(m_language, ModelClient::Failure::TimedOut, {}),
             Protocol::ErrorCode::ModelFailed);
    });
    m_deadline.start(m_writer.deadlineMs());
    if (m_answer->isStreamed()) {
        connect(&m_keepAlive, &QTimer::timeout, this, [this] { m_answer->sendKeepAlive(); });
        m_keepAlive.start(keepAliveMs);
    }
    CodeWriter::Progress progress;
    progress.phase = [this](CodeWriter::Phase phase, int position) { status(phase, position); };
    progress.delta = [this](const QString &text) {
        ChatStreamEvent delta;
        delta.kind = ChatStreamEvent::Kind::Delta;
        delta.text = text;
        m_answer->sendEvent(delta.name(), delta.toJson());
    };
    const auto done = [this, kind = request.chat.kind](const CodeWriter::Result &result) {
        ApiReply reply = ApiReply::outcome(ApiReply::Status::Ok, result.success, ApiType::Chat,
                                           result.message, m_sessionId, result.error);
        if (result.success)
            reply.body.insert(Field::Data, programData(result.program, kind));
        finish(reply, result.chat);
    };
    m_writing = m_writer.write(request, progress, done);
}

void ChatInFlight::stop(const QString &message, Protocol::ErrorCode error)
{
    if (!m_running)
        return;
    m_writer.cancel(m_writing);
    finish(ApiReply::outcome(ApiReply::Status::Ok, false, ApiType::Chat, message, m_sessionId,
                             error));
}

void ChatInFlight::status(CodeWriter::Phase phase, int position)
{
    ChatStreamEvent status;
    status.kind = ChatStreamEvent::Kind::Status;
    status.phase = phase;
    status.position = position;
    const QJsonObject data = status.toJson();
    if (data == m_lastStatus)
        return;
    m_lastStatus = data;
    m_answer->sendEvent(status.name(), data);
}

void ChatInFlight::finish(const ApiReply &reply, const std::optional<ChatRecord> &chat)
{
    m_running = false;
    // The connection may serve later requests, which are not this chat's to stop.
    disconnect(m_clientGone);
    m_deadline.stop();
    m_keepAlive.stop();
    m_ended(chat, [answer = m_answer, reply, language = m_language](bool saved) {
        answer->send(TurnReplies::afterSave(reply, saved, language));
    });
    deleteLater();
}
