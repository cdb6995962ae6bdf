#pragma once

#include "codewriter.h"

// Programs from the templates built into the service, at once and offline: the first request
// chooses the strategy, later ones refine its program, and the reply says what changed. They
// cannot repair compile errors.
class TemplateWriter final : public CodeWriter
{
    Q_OBJECT

public:
    using CodeWriter::CodeWriter;

    quint64 write(const Request &request, const Progress &progress, Done done) override;
    // A program is written before anyone could stop it.
    void cancel(quint64) override { }
    qint64 deadlineMs() const override;
    void probe(const std::function<void(std::optional<bool> up)> &done) override;
    int queueLength() const override { return 0; }

private:
    quint64 m_lastId = 0;
};
