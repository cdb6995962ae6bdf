#pragma once

#include "apireply.h"
#include "modelbackend.h"
#include "pendinganswer.h"
#include "replytexts.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// One chat that the model is answering: the way back to its client, plain or as a stream of
// events, the generation it waits for, and every way it can end: answered, stopped by the
// trader (here or through another instance), left by its client or past its deadline. It
// answers exactly once, after the chat's end has been kept, then deletes itself.
class ChatInFlight final : public QObject
{
    Q_OBJECT

public:
    // Runs once the chat ends, with its new history when it was answered; the client hears of
    // it when answer is called, once the store has had the chat back, saved or not.
    using Ended = std::function<void(const std::optional<ChatHistory> &history,
                                     const std::function<void(bool saved)> &answer)>;

    ChatInFlight(const QString &sessionId, ReplyTexts::Language language,
                 const PendingAnswer &answer, ModelBackend &model, QObject *parent);

    void start(const ModelBackend::Request &request, const Ended &ended);
    // Aborts the generation and answers with message.
    void stop(const QString &message);
    bool isRunning() const { return m_running; }
    ReplyTexts::Language language() const { return m_language; }

private:
    void status(ModelBackend::Phase phase, int position);
    void delta(const QString &text);
    void finish(const ApiReply &reply, const std::optional<ChatHistory> &history = {});

    const QString m_sessionId;
    const ReplyTexts::Language m_language;
    const PendingAnswer m_answer;
    ModelBackend &m_model;
    Ended m_ended;
    quint64 m_generation = 0;
    bool m_running = false;
    QJsonObject m_lastStatus;
    QMetaObject::Connection m_clientGone;
    QTimer m_deadline;
    QTimer m_keepAlive;
};
