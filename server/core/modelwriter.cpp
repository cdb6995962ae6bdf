#include "modelwriter.h"

#include "programcheck.h"
#include "programextraction.h"
#include "prompts.h"

#include <QJsonObject>

#include <memory>

namespace {

QJsonObject message(const QString &role, const QString &content)
{
    return {{QStringLiteral("role"), role}, {QStringLiteral("content"), content}};
}

QString fenced(const QString &program, const ProgramKind &kind)
{
    const QLatin1String tag(kind.platform == Protocol::Platform::Mt4 ? "mql4" : "mql5");
    return QStringLiteral("```%1\n%2```").arg(tag, program);
}

// The system prompt, the earlier requests and the current program as the model's own last
// answer, then the new request (with the compiler's errors for that program, when there are);
// roles alternate, as some chat templates insist.
QJsonArray messagesFor(const CodeWriter::Request &request)
{
    QJsonArray messages{
        message(QStringLiteral("system"), Prompts::system(request.chat.kind, request.chat.language))};
    const QStringList &requests = request.chat.history.requests;
    if (!request.currentProgram().isEmpty()) {
        messages.append(message(QStringLiteral("user"),
                                requests.isEmpty() ? Prompts::programToContinue()
                                                   : Prompts::earlierRequests(requests)));
        messages.append(
            message(QStringLiteral("assistant"), fenced(request.currentProgram(), request.chat.kind)));
    }
    QString asked = request.compileErrors.isEmpty()
        ? request.message
        : Prompts::compileErrors(request.compileErrors, request.message);
    // A chat seeded with requests whose answers had no program.
    if (request.currentProgram().isEmpty() && !requests.isEmpty())
        asked = Prompts::earlierRequests(requests) + QStringLiteral("\n\n") + asked;
    messages.append(message(QStringLiteral("user"), asked));
    return messages;
}

Protocol::ErrorCode errorOf(ModelClient::Failure failure)
{
    switch (failure) {
    case ModelClient::Failure::Unreachable:
        return Protocol::ErrorCode::ModelUnreachable;
    case ModelClient::Failure::KeyRejected:
        return Protocol::ErrorCode::ModelRefusedKey;
    default:
        return Protocol::ErrorCode::ModelFailed;
    }
}

} // namespace

ModelWriter::ModelWriter(const ModelSettings &settings, QObject *parent)
    : CodeWriter(parent)
    , m_client(settings)
{
    connect(&m_client, &ModelClient::completed, this, [this](ModelClient::Failure failure) {
        emit modelRequestEnded(ModelClient::outcomeName(failure));
    });
}

quint64 ModelWriter::write(const Request &request, const Progress &progress, Done done)
{
    const quint64 id = ++m_lastId;
    m_generations.insert(id, {request, progress, std::move(done), messagesFor(request)});
    ask(id);
    return id;
}

void ModelWriter::cancel(quint64 id)
{
    const auto it = m_generations.find(id);
    if (it == m_generations.end())
        return;
    m_client.cancel(it->clientJob);
    m_generations.erase(it);
}

void ModelWriter::ask(quint64 id)
{
    Generation &generation = m_generations[id];
    const Progress &progress = generation.progress;
    const Phase writing = generation.repaired ? Phase::Repairing : Phase::Writing;
    auto reasoning = std::make_shared<ReasoningFilter>();
    ModelClient::Progress reports;
    reports.queued = [progress](int position) { progress.phase(Phase::Queued, position); };
    reports.started = [progress, writing] { progress.phase(writing, 0); };
    reports.delta = [progress, reasoning](const QString &text) {
        const QString visible = reasoning->visible(text);
        if (!visible.isEmpty())
            progress.delta(visible);
    };
    generation.clientJob =
        m_client.complete(generation.messages, reports,
                          [this, id](const ModelClient::Answer &answer) { answered(id, answer); });
}

void ModelWriter::answered(quint64 id, const ModelClient::Answer &answer)
{
    Generation &generation = m_generations[id];
    const ProgramKind kind = generation.request.chat.kind;
    const Protocol::Language language = generation.request.chat.language;
    if (answer.failure == ModelClient::Failure::ContextOverflow && !generation.trimmed
        && generation.request.chat.history.trim()) {
        generation.trimmed = true;
        generation.messages = messagesFor(generation.request);
        return ask(id);
    }
    if (answer.failure != ModelClient::Failure::None) {
        qWarning().noquote() << "model server:" << answer.detail;
        const QString detail = answer.failure == ModelClient::Failure::Unreachable
            ? m_client.settings().shownRoot()
            : answer.detail;
        return fail(id, ReplyTexts::modelFailure(language, answer.failure, detail),
                    errorOf(answer.failure));
    }
    generation.progress.phase(Phase::Checking, 0);
    const ExtractedAnswer extracted = ExtractedAnswer::from(answer.text, answer.cutOffByLimit);
    if (extracted.outcome == ExtractedAnswer::Outcome::CutOff)
        return fail(id, ReplyTexts::modelFailure(language, ModelClient::Failure::CutOff, {}),
                    Protocol::ErrorCode::ModelFailed);
    if (extracted.outcome == ExtractedAnswer::Outcome::NoProgram)
        return fail(id, ReplyTexts::noProgram(language), Protocol::ErrorCode::ModelFailed);
    const QStringList errors = programErrors(extracted.program, kind);
    // Risks nobody asked for are corrected once too; those left are only warned of.
    const QStringList risks = generation.repaired
        ? QStringList()
        : unaskedRisks(extracted.program, kind,
                       generation.request.chat.history.requests + QStringList{generation.request.message});
    if (!(errors.isEmpty() && risks.isEmpty()) && !generation.repaired) {
        generation.repaired = true;
        if (errors.isEmpty())
            generation.passedChecks = extracted;
        generation.messages.append(
            message(QStringLiteral("assistant"), fenced(extracted.program, kind)));
        generation.messages.append(message(QStringLiteral("user"), Prompts::repair(errors + risks)));
        generation.progress.phase(Phase::Repairing, 0);
        return ask(id);
    }
    if (!errors.isEmpty())
        return fail(id, ReplyTexts::checkFailed(language, errors),
                    Protocol::ErrorCode::ProgramCheckFailed);
    succeed(m_generations.take(id), extracted);
}

void ModelWriter::succeed(Generation done, const ExtractedAnswer &answer)
{
    // Trimmed after an overflow, the history stays trimmed: the next request would overflow too.
    ChatRecord &chat = done.request.chat;
    chat.history.remember(done.request.message, answer.program);
    done.done({true,
               answer.explanation.isEmpty() ? ReplyTexts::programWritten(chat.language, chat.kind)
                                            : answer.explanation,
               Protocol::ErrorCode::None, answer.program, chat});
}

// A correction asked for risks alone that fails gives way to the program before it, which
// passed the checks.
void ModelWriter::fail(quint64 id, const QString &message, Protocol::ErrorCode error)
{
    const Generation done = m_generations.take(id);
    if (done.passedChecks)
        return succeed(done, *done.passedChecks);
    done.done({false, message, error, {}, std::nullopt});
}

qint64 ModelWriter::deadlineMs() const
{
    return m_client.settings().deadlineMs;
}

void ModelWriter::probe(const std::function<void(Reach reach)> &done)
{
    m_client.probe([done](ModelClient::Failure failure) {
        switch (failure) {
        case ModelClient::Failure::None:
            return done(Reach::Reachable);
        case ModelClient::Failure::KeyRejected:
            return done(Reach::KeyRefused);
        default:
            return done(Reach::Unreachable);
        }
    });
}

int ModelWriter::queueLength() const
{
    return m_client.queueLength();
}

void ModelWriter::checkServer(const std::function<void(const QString &line)> &report)
{
    m_client.checkServer(report);
}
