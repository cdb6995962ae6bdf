#pragma once

#include "codewriter.h"

// Programs from the offline generator, at once and without a model: the first request describes
// the strategy, later ones refine it, and the reply says what was built, what changed and what
// was not built. It cannot repair compile errors.
class TemplateWriter final : public CodeWriter
{
    Q_OBJECT

public:
    using CodeWriter::CodeWriter;

    quint64 write(const Request &request, const Progress &progress, Done done) override;
    // A program is written before anyone could stop it.
    void cancel(quint64) override { }
    qint64 deadlineMs() const override;
    void probe(const std::function<void(Reach reach)> &done) override;
    int queueLength() const override { return 0; }

private:
    quint64 m_lastId = 0;
};
