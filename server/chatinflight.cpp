#include "chatinflight.h"

#include "programcheck.h"
#include "turnreplies.h"

#include <QJsonObject>

namespace {

// Well within the idle limits of proxies and of the client.
constexpr int keepAliveMs = 15 * 1000;

QString phaseName(ModelBackend::Phase phase)
{
    switch (phase) {
    case ModelBackend::Phase::Queued:
        return QStringLiteral("queued");
    case ModelBackend::Phase::Writing:
        return QStringLiteral("writing");
    case ModelBackend::Phase::Checking:
        return QStringLiteral("checking");
    case ModelBackend::Phase::Repairing:
        return QStringLiteral("repairing");
    }
    return {};
}

} // namespace

ChatInFlight::ChatInFlight(const QString &sessionId, ReplyTexts::Language language,
                           const PendingAnswer &answer, ModelBackend &model, QObject *parent)
    : QObject(parent)
    , m_sessionId(sessionId)
    , m_language(language)
    , m_answer(answer)
    , m_model(model)
{ }

void ChatInFlight::start(const ModelBackend::Request &request, const Ended &ended)
{
    m_running = true;
    m_ended = ended;
    // Nobody would read the answer: free the model for others.
    m_clientGone =
        m_answer.whenClientGone(this, [this] { stop(ReplyTexts::chatEnded(m_language)); });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        qWarning().noquote() << "model server: a chat passed its deadline";
        stop(ReplyTexts::modelFailure(m_language, ModelClient::Failure::TimedOut, {}));
    });
    m_deadline.start(m_model.client().settings().deadlineMs);
    if (m_answer.isStreamed()) {
        connect(&m_keepAlive, &QTimer::timeout, this, [this] { m_answer.sendKeepAlive(); });
        m_keepAlive.start(keepAliveMs);
    }
    ModelBackend::Progress progress;
    progress.phase = [this](ModelBackend::Phase phase, int position) { status(phase, position); };
    progress.delta = [this](const QString &text) { delta(text); };
    const auto done = [this, kind = request.kind](const ModelBackend::Result &result) {
        ApiReply reply = ApiReply::outcome(ApiReply::Status::Ok, result.success,
                                           QStringLiteral("chat"), result.message, m_sessionId);
        if (!result.success)
            return finish(reply);
        reply.body.insert(QStringLiteral("data"), programData(result.program, kind, m_language));
        finish(reply, result.history);
    };
    m_generation = m_model.generate(request, progress, done);
}

void ChatInFlight::stop(const QString &message)
{
    if (!m_running)
        return;
    m_model.cancel(m_generation);
    finish(ApiReply::outcome(ApiReply::Status::Ok, false, QStringLiteral("chat"), message,
                             m_sessionId));
}

void ChatInFlight::status(ModelBackend::Phase phase, int position)
{
    const QJsonObject data{{QStringLiteral("phase"), phaseName(phase)},
                           {QStringLiteral("position"), position}};
    if (data == m_lastStatus)
        return;
    m_lastStatus = data;
    m_answer.sendEvent("status", data);
}

void ChatInFlight::delta(const QString &text)
{
    m_answer.sendEvent("delta", {{QStringLiteral("text"), text}});
}

void ChatInFlight::finish(const ApiReply &reply, const std::optional<ChatHistory> &history)
{
    m_running = false;
    // The connection may serve later requests, which are not this chat's to stop.
    disconnect(m_clientGone);
    m_deadline.stop();
    m_keepAlive.stop();
    m_ended(history, [answer = m_answer, reply, language = m_language](bool saved) {
        answer.send(TurnReplies::afterSave(reply, saved, language));
    });
    deleteLater();
}
