#pragma once

#include "answersink.h"
#include "codewriter.h"
#include "replytexts.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// One chat whose program is being written: the way back to its client, plain or as a stream of
// events, the writing it waits for, and every way it can end: answered, stopped by the trader
// (here or through another instance), left by its client or past its deadline. It answers
// exactly once, after the chat's end has been kept, then deletes itself.
class ChatInFlight final : public QObject
{
    Q_OBJECT

public:
    // Runs once the chat ends, with the chat to keep when it changed; the client hears of it
    // when answer is called, once the store has had the chat back, saved or not.
    using Ended = std::function<void(const std::optional<ChatRecord> &chat,
                                     const std::function<void(bool saved)> &answer)>;

    ChatInFlight(const QString &sessionId, Protocol::Language language, const Sink &answer,
                 CodeWriter &writer, QObject *parent);

    void start(const CodeWriter::Request &request, const Ended &ended);
    // Cancels the writing and answers with message.
    void stop(const QString &message, Protocol::ErrorCode error = Protocol::ErrorCode::Stopped);
    bool isRunning() const { return m_running; }
    Protocol::Language language() const { return m_language; }

private:
    void status(CodeWriter::Phase phase, int position);
    void finish(const ApiReply &reply, const std::optional<ChatRecord> &chat = {});

    const QString m_sessionId;
    const Protocol::Language m_language;
    const Sink m_answer;
    CodeWriter &m_writer;
    Ended m_ended;
    quint64 m_writing = 0;
    bool m_running = false;
    QJsonObject m_lastStatus;
    QMetaObject::Connection m_clientGone;
    QTimer m_deadline;
    QTimer m_keepAlive;
};
