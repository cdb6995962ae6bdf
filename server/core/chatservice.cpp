#include "chatservice.h"

#include "chatlease.h"
#include "replytexts.h"
#include "turnreplies.h"

#include "protocol/messages.h"
#include "protocol/requests.h"

#include <optional>
#include <utility>

namespace {

using Status = ApiReply::Status;
using Protocol::ErrorCode;

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
    // Past a stop's grace, the chats still being written end; their clients may send again.
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, [this] {
        const QList<QPointer<ChatInFlight>> chats = m_inFlight.values();
        for (const QPointer<ChatInFlight> &chat : chats) {
            if (chat) {
                chat->stop(ReplyTexts::restarting(chat->language()),
                           ErrorCode::ServiceRestarting);
            }
        }
    });
}

void ChatService::startChat(const QJsonObject &body, Protocol::Language language,
                            const Sink &answer)
{
    const Parsed<NewChatRequest> parsed = NewChatRequest::fromJson(body);
    if (!parsed.isValid())
        return answer->send(ApiReply::refused(parsed.problem()));
    const NewChatRequest &request = parsed.value();
    ChatRecord chat;
    chat.kind = {request.platform, request.type};
    chat.language = language;
    chat.history = ChatHistory::continuedFrom(request.history, request.currentProgram);
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
    const Parsed<ChatRequest> parsed = ChatRequest::fromJson(body);
    if (!parsed.isValid())
        return answer->send(ApiReply::refused(parsed.problem()));
    const ChatRequest &request = parsed.value();
    const QString id = request.sessionId;
    if (m_stopping) {
        return answer->send(ApiReply::outcome(Status::Ok, false, ApiType::Chat,
                                              ReplyTexts::restarting(language), id,
                                              ErrorCode::ServiceRestarting));
    }
    if (!request.withinLimits()) {
        return answer->send(ApiReply::outcome(Status::Ok, false, ApiType::Chat,
                                              ReplyTexts::requestTooLarge(language), id,
                                              ErrorCode::RequestTooLarge));
    }
    answer->streamIfAccepted();
    // One request per chat at a time, in all instances: the answer to a second request could
    // not refine a program that does not exist yet.
    m_store->acquire(id, [this, id, message = request.userMessage,
                          errors = request.compileErrors.value_or(QStringList()),
                          program = request.currentProgram, language,
                          answer](SessionStore::Outcome outcome, const ChatRecord &chat,
                                  std::optional<qint64> lapsesInMs) {
        if (outcome == SessionStore::Outcome::Busy && lapsesInMs && !m_inFlight.contains(id))
            return answer->send(TurnReplies::holderStopped(language, id, *lapsesInMs));
        if (outcome != SessionStore::Outcome::Done)
            return answer->send(TurnReplies::refused(outcome, language, id));
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
        return m_store->release(id, std::nullopt, [answer, reply](bool) { answer->send(reply); });
    }
    auto *inFlight = new ChatInFlight(id, request.chat.language, answer, *m_writer, this);
    m_inFlight.insert(id, inFlight);
    new ChatLease(*m_store, id, inFlight);
    inFlight->start(request,
                    [this, id](const std::optional<ChatRecord> &kept,
                               const std::function<void(bool)> &reply) {
                        m_inFlight.remove(id);
                        ++m_releasing;
                        m_store->release(id, kept, [this, reply](bool saved) {
                            reply(saved);
                            --m_releasing;
                            stopWhenIdle();
                        });
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
    const Parsed<SessionRequest> parsed = SessionRequest::fromJson(body);
    if (!parsed.isValid())
        return answer->send(ApiReply::refused(parsed.problem()));
    const QString id = parsed.value().sessionId;
    const bool stoppedHere = stopHere(id, control);
    m_store->control(id, control, [=, this](SessionStore::Outcome outcome, bool running) {
        const bool cancel = control == SessionStore::Control::Cancel;
        const QString apiType = cancel ? ApiType::Cancel : ApiType::Session;
        if (outcome == SessionStore::Outcome::Busy)
            return answer->send(TurnReplies::stopUnheard(id, m_store->leaseMs()));
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

void ChatService::stop(int graceMs, const std::function<void()> &done)
{
    m_stopping = true;
    m_stopped = done;
    m_grace.start(graceMs);
    stopWhenIdle();
}

void ChatService::stopWhenIdle()
{
    if (!m_stopping || !m_stopped || !m_inFlight.isEmpty() || m_releasing > 0)
        return;
    m_grace.stop();
    std::exchange(m_stopped, {})();
}
