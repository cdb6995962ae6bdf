#pragma once

#include "chathistory.h"
#include "modelclient.h"
#include "programextraction.h"
#include "programkind.h"
#include "replytexts.h"

#include "protocol/errorcode.h"
#include "protocol/messages.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

// Writes programs with a language model: the prompt for the session's terminal and program
// type, the chat so far, the program taken out of the answer and checked, one repair round
// when the checks refuse it, and every failure told to the trader in their language. The
// answer's text is reported as it comes, reasoning left out.
class ModelBackend final : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        ProgramKind kind;
        Protocol::Language language = Protocol::Language::English;
        ChatHistory history;
        QString message;
        // The terminal compiler's errors for the latest program, to be fixed.
        QStringList compileErrors;
    };
    using Phase = ChatStreamEvent::Phase;
    struct Progress
    {
        // position: the place in the model's queue while queued, else 0.
        std::function<void(Phase phase, int position)> phase;
        std::function<void(const QString &text)> delta;
    };
    struct Result
    {
        bool success = false;
        // The model's explanation, or what went wrong.
        QString message;
        Protocol::ErrorCode error = Protocol::ErrorCode::None;
        QString program;
        // The chat so far with this request and its program, for the next request.
        ChatHistory history;
    };
    using Done = std::function<void(const Result &result)>;

    explicit ModelBackend(const ModelSettings &settings, QObject *parent = nullptr);

    // done runs once, unless the generation is cancelled first.
    quint64 generate(const Request &request, const Progress &progress, Done done);
    void cancel(quint64 id);

    ModelClient &client() { return m_client; }
    const ModelClient &client() const { return m_client; }

private:
    struct Generation
    {
        Request request;
        Progress progress;
        Done done;
        QJsonArray messages;
        quint64 clientJob = 0;
        bool trimmed = false;
        bool repaired = false;
        // The program that passed the checks but had risks corrected.
        std::optional<ExtractedAnswer> passedChecks = std::nullopt;
    };

    void ask(quint64 id);
    void answered(quint64 id, const ModelClient::Answer &answer);
    void succeed(Generation done, const ExtractedAnswer &answer);
    void fail(quint64 id, const QString &message, Protocol::ErrorCode error);

    ModelClient m_client;
    QHash<quint64, Generation> m_generations;
    quint64 m_lastId = 0;
};
