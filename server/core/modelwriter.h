#pragma once

#include "codewriter.h"
#include "modelbackend.h"

// Programs written by a language model behind an OpenAI-compatible server.
class ModelWriter final : public CodeWriter
{
    Q_OBJECT

public:
    explicit ModelWriter(const ModelSettings &settings, QObject *parent = nullptr);

    quint64 write(const Request &request, const Progress &progress, Done done) override;
    void cancel(quint64 id) override;
    qint64 deadlineMs() const override;
    void probe(const std::function<void(std::optional<bool> up)> &done) override;
    int queueLength() const override;

    // Asks the server which models it has and reports one line for the log.
    void checkServer(const std::function<void(const QString &line)> &report);

private:
    ModelBackend m_backend;
};
