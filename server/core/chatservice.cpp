#include "chatservice.h"

#include "apirequest.h"
#include "replytexts.h"

#include "protocol/messages.h"

#include <optional>

namespace {

using Status = ApiReply::Status;
using Protocol::ErrorCode;
using ApiRequest::stringKeyProblem;

// Why a chat request cannot be taken now.
ApiReply refusal(SessionStore::Outcome outcome, Protocol::Language language, const QString &id)
{
    const auto refused = [&id](const QString &message, ErrorCode error) {
        return ApiReply::outcome(Status::Ok, false, ApiType::Chat, message, id, error);
    };
    switch (outcome) {
    case SessionStore::Outcome::Busy:
        return refused(ReplyTexts::stillWorking(language), ErrorCode::ChatBusy);
    case SessionStore::Outcome::Unavailable:
        return refused(ReplyTexts::chatsUnavailable(language), ErrorCode::StoreUnavailable);
    case SessionStore::Outcome::Unknown:
    case SessionStore::Outcome::Done:
        break;
    }
    return refused(QStringLiteral("Unknown session: please start a new chat."),
                   ErrorCode::UnknownSession);
}

// The request's "current_program", empty when it has none; nullopt when it cannot be taken,
// the refusal sent.
std::optional<QString> currentProgramOf(const QJsonObject &body, const Sink &answer)
{
    const std::optional<QString> program = ApiRequest::currentProgramOf(body);
    if (!program) {
        answer->send(ApiReply::invalid(QStringLiteral("\"current_program\" must be a string.")));
        return std::nullopt;
    }
    if (program->toUtf8().size() > ApiRequest::maxProgramBytes) {
        answer->send(ApiReply::error(Status::PayloadTooLarge,
                                     QStringLiteral("\"current_program\" is larger than %1 KiB.")
                                         .arg(ApiRequest::maxProgramBytes / 1024),
                                     ErrorCode::RequestTooLarge));
        return std::nullopt;
    }
    return program;
}

} // namespace

ChatService::ChatService(SessionStore *store, CodeWriter *writer, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_writer(writer)
{
    m_store->setParent(this);
    m_writer->setParent(this);
    connect(m_store, &SessionStore::controlled, this,
            [this](SessionStore::Control control, const QString &id) { stopHere(id, control); });
}

void ChatService::startChat(const QJsonObject &body, Protocol::Language language,
                            const Sink &answer)
{
    const QString problem = stringKeyProblem(body, {Field::Platform, Field::CodeType});
    if (!problem.isEmpty())
        return answer->send(ApiReply::invalid(problem));
    const std::optional<Protocol::Platform> platform =
        Protocol::platformNamed(body.value(Field::Platform).toString());
    if (!platform)
        return answer->send(ApiReply::invalid(QStringLiteral("\"platform\" must be \"MT4\" or \"MT5\".")));
    const std::optional<Protocol::ProgramType> type =
        Protocol::programTypeNamed(body.value(Field::CodeType).toString());
    if (!type)
        return answer->send(ApiReply::invalid(QStringLiteral("\"code_type\" must be \"indicator\" or \"ea\".")));
    QString historyProblem;
    const std::optional<QList<ChatTurn>> history = ApiRequest::historyOf(body, &historyProblem);
    if (!history)
        return answer->send(ApiReply::invalid(historyProblem));
    const std::optional<QString> currentProgram = currentProgramOf(body, answer);
    if (!currentProgram)
        return;
    ChatRecord chat;
    chat.kind = {*platform, *type};
    chat.language = language;
    chat.history = ChatHistory::continuedFrom(*history, *currentProgram);
    m_store->open(chat, [answer, chat](SessionStore::Outcome outcome, const QString &id) {
        if (outcome != SessionStore::Outcome::Done) {
            return answer->send(ApiReply::outcome(Status::Ok, false, ApiType::New,
                                                  ReplyTexts::chatsUnavailable(chat.language), {},
                                                  ErrorCode::StoreUnavailable));
        }
        ApiReply reply = ApiReply::outcome(Status::Ok, true, ApiType::New,
                                           ReplyTexts::greeting(chat.language, chat.kind), id);
        reply.body.insert(Field::SessionId, id);
        answer->send(reply);
    });
}

// Failures the user should read come with status 200: the client shows a chat reply's
// message, but only a transport error for a 4xx.
void ChatService::chat(const QJsonObject &body, Protocol::Language language, const Sink &answer)
{
    const QString problem = stringKeyProblem(body, {Field::SessionId, Field::UserMessage});
    if (!problem.isEmpty())
        return answer->send(ApiReply::invalid(problem));
    const std::optional<QStringList> compileErrors = ApiRequest::compileErrorsOf(body);
    if (!compileErrors)
        return answer->send(ApiReply::invalid(QStringLiteral("\"compile_errors\" must be a list of strings.")));
    const std::optional<QString> currentProgram = currentProgramOf(body, answer);
    if (!currentProgram)
        return;
    answer->streamIfAccepted();
    const QString id = body.value(Field::SessionId).toString();
    const QString message = body.value(Field::UserMessage).toString();
    // One request per chat at a time, in all instances: the answer to a second request could
    // not refine a program that does not exist yet.
    m_store->acquire(id, lockMs(),
                     [this, id, message, errors = *compileErrors, program = *currentProgram,
                      language, answer](SessionStore::Outcome outcome, const ChatRecord &chat) {
                         if (outcome != SessionStore::Outcome::Done)
                             return answer->send(refusal(outcome, language, id));
                         ChatRecord asked = chat;
                         asked.language = language;
                         if (!program.isEmpty())
                             asked.continueFrom(program);
                         answerChat(id, {asked, message, errors}, answer);
                     });
}

// The chat's lock is held from here until the writing ends. The answer waits until the store
// has the chat back, so that the client's next request, wherever it goes, finds it free and up
// to date. A request that fails keeps the chat as it was, its current program included.
void ChatService::answerChat(const QString &id, const CodeWriter::Request &request,
                             const Sink &answer)
{
    if (request.message.trimmed().isEmpty() && request.compileErrors.isEmpty()) {
        const ApiReply reply = ApiReply::outcome(
            Status::Ok, false, ApiType::Chat,
            QStringLiteral("The message is empty: describe the program you want."), id,
            ErrorCode::InvalidRequest);
        return m_store->release(id, std::nullopt, [answer, reply] { answer->send(reply); });
    }
    auto *inFlight = new ChatInFlight(id, request.chat.language, answer, *m_writer, this);
    m_inFlight.insert(id, inFlight);
    inFlight->start(request,
                    [this, id](const std::optional<ChatRecord> &kept,
                               const std::function<void()> &reply) {
                        m_inFlight.remove(id);
                        m_store->release(id, kept, reply);
                    });
}

void ChatService::cancel(const QJsonObject &body, Protocol::Language language, const Sink &answer)
{
    controlChat(body, language, answer, SessionStore::Control::Cancel);
}

void ChatService::endSession(const QJsonObject &body, Protocol::Language language,
                             const Sink &answer)
{
    controlChat(body, language, answer, SessionStore::Control::End);
}

// Stops the chat's writing where it runs, here or in another instance, and for End forgets
// the chat.
void ChatService::controlChat(const QJsonObject &body, Protocol::Language language,
                              const Sink &answer, SessionStore::Control control)
{
    const QString problem = stringKeyProblem(body, {Field::SessionId});
    if (!problem.isEmpty())
        return answer->send(ApiReply::invalid(problem));
    const QString id = body.value(Field::SessionId).toString();
    const bool stoppedHere = stopHere(id, control);
    m_store->control(id, control, [=](SessionStore::Outcome outcome, bool running) {
        const bool cancel = control == SessionStore::Control::Cancel;
        const QString apiType = cancel ? ApiType::Cancel : ApiType::Session;
        // A chat stopped here existed, whatever the store says now.
        if (outcome != SessionStore::Outcome::Done && !(cancel && stoppedHere)) {
            if (outcome == SessionStore::Outcome::Unavailable) {
                return answer->send(ApiReply::outcome(Status::Ok, false, apiType,
                                                      ReplyTexts::chatsUnavailable(language), id,
                                                      ErrorCode::StoreUnavailable));
            }
            return answer->send(ApiReply::outcome(Status::NotFound, false, apiType,
                                                  QStringLiteral("Unknown session"), id,
                                                  ErrorCode::UnknownSession));
        }
        QString message = QStringLiteral("Session ended.");
        if (cancel) {
            message = stoppedHere || running ? QStringLiteral("Stopped.")
                                             : QStringLiteral("Nothing was running.");
        }
        answer->send(ApiReply::outcome(Status::Ok, true, apiType, message, id));
    });
}

bool ChatService::stopHere(const QString &id, SessionStore::Control control)
{
    ChatInFlight *chat = m_inFlight.value(id);
    if (!chat || !chat->isRunning())
        return false;
    chat->stop(control == SessionStore::Control::End ? ReplyTexts::chatEnded(chat->language())
                                                      : ReplyTexts::stopped(chat->language()));
    return true;
}

// A writing ends by its deadline; the margin covers a repair round's last answer.
qint64 ChatService::lockMs() const
{
    return m_writer->deadlineMs() + 60 * 1000;
}
