#pragma once

#include "codewriter.h"
#include "modelclient.h"
#include "programextraction.h"

#include <QHash>

#include <optional>

// Writes programs with a language model: the prompt for the session's terminal and program
// type, the chat so far, the program taken out of the answer and checked, one repair round
// when the checks refuse it, and every failure told to the trader in their language. The
// answer's text is reported as it comes, reasoning left out.
class ModelWriter final : public CodeWriter
{
    Q_OBJECT

public:
    explicit ModelWriter(const ModelSettings &settings, QObject *parent = nullptr);

    quint64 write(const Request &request, const Progress &progress, Done done) override;
    void cancel(quint64 id) override;
    qint64 deadlineMs() const override;
    void probe(const std::function<void(Reach reach)> &done) override;
    int queueLength() const override;

    // Asks the server which models it has and reports one line for the log.
    void checkServer(const std::function<void(const QString &line)> &report);

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
