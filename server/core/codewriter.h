#pragma once

#include "chatrecord.h"

#include "protocol/errorcode.h"
#include "protocol/messages.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What writes a chat's programs: the offline templates or a language model, chosen when the
// service starts. The chat service asks it for one program at a time per chat.
class CodeWriter : public QObject
{
    Q_OBJECT

public:
    using Phase = ChatStreamEvent::Phase;
    struct Request
    {
        // The chat so far, in the language of this request.
        ChatRecord chat;
        QString message;
        // The terminal compiler's errors for the current program, to be fixed.
        QStringList compileErrors;

        // What the writer continues from: the chat's latest program, or the one the trader
        // chose ("current_program"); empty for a chat that has none yet.
        const QString &currentProgram() const { return chat.history.program; }
    };
    struct Progress
    {
        // position: the place in a queue while queued, else 0.
        std::function<void(Phase phase, int position)> phase;
        // The next piece of the program's text as it is written.
        std::function<void(const QString &text)> delta;
    };
    struct Result
    {
        bool success = false;
        // What was written, or what went wrong, for the trader.
        QString message;
        Protocol::ErrorCode error = Protocol::ErrorCode::None;
        QString program;
        // The chat to keep for its next request; nullopt keeps it as it was.
        std::optional<ChatRecord> chat;
    };
    using Done = std::function<void(const Result &result)>;
    // What a health check says of the model server a writer relies on.
    enum class Reach { NotUsed, Reachable, Unreachable, KeyRefused };

    using QObject::QObject;

    // done runs once, at once or later, unless the writing is cancelled first.
    virtual quint64 write(const Request &request, const Progress &progress, Done done) = 0;
    virtual void cancel(quint64 id) = 0;
    // The longest one program may take, its queue and repair round included.
    virtual qint64 deadlineMs() const = 0;
    // Whether what it relies on answers now.
    virtual void probe(const std::function<void(Reach reach)> &done) = 0;
    // Programs waiting for their turn.
    virtual int queueLength() const = 0;

signals:
    // Each request to a model server that ends, by its outcome ("ok", "unreachable" and so on).
    void modelRequestEnded(const QString &outcome);
};
