#include "modelwriter.h"


ModelWriter::ModelWriter(const ModelSettings &settings, QObject *parent)
    : CodeWriter(parent)
    , m_backend(settings)
{
    connect(&m_backend.client(), &ModelClient::completed, this,
            [this](ModelClient::Failure failure) {
                emit modelRequestEnded(ModelClient::outcomeName(failure));
            });
}

quint64 ModelWriter::write(const Request &request, const Progress &progress, Done done)
{
    const ChatRecord &chat = request.chat;
    const ModelBackend::Request asked{chat.kind, chat.language, chat.history, request.message,
                                      request.compileErrors};
    return m_backend.generate(
        asked, {progress.phase, progress.delta},
        [chat, done = std::move(done)](const ModelBackend::Result &result) {
            std::optional<ChatRecord> kept;
            if (result.success) {
                kept = chat;
                kept->history = result.history;
            }
            done({result.success, result.message, result.error, result.program, kept});
        });
}

void ModelWriter::cancel(quint64 id)
{
    m_backend.cancel(id);
}

qint64 ModelWriter::deadlineMs() const
{
    return m_backend.client().settings().deadlineMs;
}

void ModelWriter::probe(const std::function<void(std::optional<bool> up)> &done)
{
    m_backend.client().probe([done](bool up) { done(up); });
}

int ModelWriter::queueLength() const
{
    return m_backend.client().queueLength();
}

void ModelWriter::checkServer(const std::function<void(const QString &line)> &report)
{
    m_backend.client().checkServer(report);
}
