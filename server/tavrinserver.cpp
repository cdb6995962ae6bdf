#include "tavrinserver.h"

#include "chatlease.h"
#include "codegenerator.h"
#include "programcheck.h"
#include "turnreplies.h"

#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QTcpServer>

#include <memory>
#include <optional>
#include <utility>

namespace {

using Status = ApiReply::Status;
using ApiRequest::stringKeyProblem;

constexpr qsizetype maxBodySize = 1024 * 1024;

QString methodName(QHttpServerRequest::Method method)
{
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return QString::fromLatin1(key).toUpper();
}

} // namespace

TavrinServer::TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
                           SessionStore *store, QObject *parent)
    : QObject(parent)
    , m_server(new QHttpServer(this))
    , m_listener(new QTcpServer(this))
    , m_store(store)
    , m_minVersion(minVersion)
    , m_updateMessage(updateMessage)
{
    m_store->setParent(this);
    addEndpoint(QStringLiteral("/api/new"), Method::Post, &TavrinServer::startChat);
    addEndpoint(QStringLiteral("/api/chat"), Method::Post, &TavrinServer::chat);
    addEndpoint(QStringLiteral("/api/cancel"), Method::Post, &TavrinServer::cancel);
    addEndpoint(QStringLiteral("/api/session"), Method::Delete, &TavrinServer::endSession);
    addEndpoint(QStringLiteral("/api/version_check"), Method::Post, &TavrinServer::checkVersion);
    addProbe(QStringLiteral("/healthz"), &TavrinServer::health);
    addProbe(QStringLiteral("/metrics"), &TavrinServer::metrics);
    m_server->setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            pendingAnswer(request, std::move(responder), QStringLiteral("other"))
                .send(ApiReply::error(Status::NotFound,
                                      QStringLiteral("No endpoint %1.").arg(request.url().path())));
        });
    connect(m_store, &SessionStore::controlled, this,
            [this](SessionStore::Control control, const QString &id) { stopHere(id, control); });
}

bool TavrinServer::listen(const QHostAddress &address, quint16 port, QString *errorString)
{
    // The default backlog of 50 drops the connections of a larger burst of clients, which then
    // wait a second for their connection attempt to be repeated.
    m_listener->setListenBacklogSize(1024);
    if (!m_listener->listen(address, port)) {
        *errorString = m_listener->errorString();
        return false;
    }
    m_server->bind(m_listener);
    return true;
}

QUrl TavrinServer::url() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_listener->serverAddress().toString());
    url.setPort(m_listener->serverPort());
    return url;
}

void TavrinServer::useModel(const ModelSettings &settings,
                            const std::function<void(const QString &)> &report)
{
    m_model = new ModelBackend(settings, this);
    connect(&m_model->client(), &ModelClient::completed, this, [this](ModelClient::Failure failure) {
        m_metrics.countModelRequest(ModelClient::outcomeName(failure));
    });
    m_model->client().checkServer(report);
}

void TavrinServer::trustProxies(const ApiRequest::Subnets &proxies)
{
    m_trustedProxies = proxies;
}

PendingAnswer TavrinServer::pendingAnswer(const QHttpServerRequest &request,
                                          QHttpServerResponder &&responder,
                                          const QString &endpoint)
{
    const QHostAddress client =
        ApiRequest::clientAddress(request.remoteAddress(), request.value("X-Forwarded-For"),
                                  request.value("X-Real-IP"), m_trustedProxies);
    const bool isChat = endpoint == QLatin1String("/api/chat");
    return PendingAnswer(request, std::move(responder), client,
                         [this, endpoint, isChat](int status, const QString &outcome,
                                                  qint64 elapsedNs) {
                             m_metrics.countRequest(endpoint, status, outcome);
                             if (isChat)
                                 m_metrics.observeChat(elapsedNs / 1e9);
                         });
}

void TavrinServer::addEndpoint(const QString &path, Method method, Handler handler)
{
    m_server->route(path, [this, path, method, handler](const QHttpServerRequest &request,
                                                        QHttpServerResponder &&responder) {
        answer(request, method, handler, pendingAnswer(request, std::move(responder), path));
    });
}

void TavrinServer::addProbe(const QString &path, void (TavrinServer::*probe)(const PendingAnswer &))
{
    m_server->route(path, [this, path, probe](const QHttpServerRequest &request,
                                              QHttpServerResponder &&responder) {
        const PendingAnswer answer = pendingAnswer(request, std::move(responder), path);
        if (request.method() != Method::Get) {
            return answer.send(ApiReply::error(Status::MethodNotAllowed,
                                               QStringLiteral("%1 takes GET requests only.")
                                                   .arg(path)),
                               "GET");
        }
        (this->*probe)(answer);
    });
}

// What every endpoint checks before its own handler: method, size and a JSON object body.
void TavrinServer::answer(const QHttpServerRequest &request, Method method, Handler handler,
                          const PendingAnswer &answer)
{
    if (request.method() != method) {
        return answer.send(ApiReply::error(Status::MethodNotAllowed,
                                           QStringLiteral("%1 takes %2 requests only.")
                                               .arg(request.url().path(), methodName(method))),
                           methodName(method).toLatin1());
    }
    const QByteArray body = request.body();
    if (body.size() > maxBodySize) {
        return answer.send(ApiReply::error(
            Status::PayloadTooLarge, QStringLiteral("The request body is larger than 1 MiB.")));
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return answer.send(ApiReply::error(
            Status::BadRequest,
            QStringLiteral("The request body is not valid JSON: %1 at offset %2.")
                .arg(parseError.errorString(), QString::number(parseError.offset))));
    }
    if (!document.isObject()) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("The request body must be a JSON object.")));
    }
    const QJsonObject object = document.object();
    if (object.contains(QLatin1String("lang")) && !object.value(QLatin1String("lang")).isString())
        return answer.send(
            ApiReply::error(Status::BadRequest, QStringLiteral("\"lang\" must be a string.")));
    (this->*handler)(object, ApiRequest::languageOf(object, request.value("Accept-Language")),
                     answer);
}

void TavrinServer::startChat(const QJsonObject &body, ReplyTexts::Language language,
                             const PendingAnswer &answer)
{
    const QString problem =
        stringKeyProblem(body, {QLatin1String("platform"), QLatin1String("code_type")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const std::optional<ProgramKind::Platform> platform =
        ApiRequest::platformNamed(body.value(QLatin1String("platform")).toString());
    if (!platform) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"platform\" must be \"MT4\" or \"MT5\".")));
    }
    const std::optional<ProgramKind::Type> type =
        ApiRequest::typeNamed(body.value(QLatin1String("code_type")).toString());
    if (!type) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"code_type\" must be \"indicator\" or \"ea\".")));
    }
    ChatRecord chat;
    chat.kind = {*platform, *type};
    chat.language = language;
    m_store->open(chat, [answer, chat](SessionStore::Outcome outcome, const QString &id) {
        const QString apiType = QStringLiteral("new");
        if (outcome != SessionStore::Outcome::Done) {
            return answer.send(ApiReply::outcome(Status::Ok, false, apiType,
                                                 ReplyTexts::chatsUnavailable(chat.language), {}));
        }
        ApiReply reply = ApiReply::outcome(Status::Ok, true, apiType,
                                           ReplyTexts::greeting(chat.language, chat.kind), id);
        reply.body.insert(QStringLiteral("session_id"), id);
        answer.send(reply);
    });
}

// Failures the user should read come with status 200: the client shows a chat reply's
// message, but only a transport error for a 4xx.
void TavrinServer::chat(const QJsonObject &body, ReplyTexts::Language language,
                        const PendingAnswer &answer)
{
    const QString problem =
        stringKeyProblem(body, {QLatin1String("session_id"), QLatin1String("user_message")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const std::optional<QStringList> compileErrors = ApiRequest::compileErrorsOf(body);
    if (!compileErrors) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"compile_errors\" must be a list of strings.")));
    }
    answer.streamIfAccepted();
    const QString id = body.value(QLatin1String("session_id")).toString();
    const QString message = body.value(QLatin1String("user_message")).toString();
    // One request per chat at a time, in all instances: the answer to a second request could
    // not refine a program that does not exist yet.
    m_store->acquire(id, [this, id, message, errors = *compileErrors, language, answer](
                             SessionStore::Outcome outcome, const ChatRecord &chat) {
        if (outcome == SessionStore::Outcome::Done)
            return answerChat(id, chat, message, errors, language, answer);
        answer.send(TurnReplies::refused(outcome, language, id));
    });
}

// The chat's lock is held from here until endTurn().
void TavrinServer::answerChat(const QString &id, const ChatRecord &chat, const QString &message,
                              const QStringList &compileErrors, ReplyTexts::Language language,
                              const PendingAnswer &answer)
{
    const QString apiType = QStringLiteral("chat");
    if (message.trimmed().isEmpty() && compileErrors.isEmpty()) {
        return endTurn(id, std::nullopt, answer,
                       ApiReply::outcome(
                           Status::Ok, false, apiType,
                           QStringLiteral("The message is empty: describe the program you want."),
                           id));
    }
    ChatRecord updated = chat;
    updated.language = language;
    if (m_model) {
        return generate(updated, id, {chat.kind, language, chat.history, message, compileErrors},
                        answer);
    }
    if (!compileErrors.isEmpty() || ApiRequest::quotesCompilerMessages(message)) {
        return endTurn(id, std::nullopt, answer,
                       ApiReply::outcome(Status::Ok, false, apiType,
                                         ReplyTexts::templatesCannotRepair(language), id));
    }
    writeFromTemplates(updated, id, message, language, answer);
}

// The first request chooses the strategy; later ones refine its program, and the reply says
// what changed.
void TavrinServer::writeFromTemplates(ChatRecord chat, const QString &id, const QString &message,
                                      ReplyTexts::Language language, const PendingAnswer &answer)
{
    const TradingIdea before = chat.idea;
    QString text;
    if (chat.hasProgram) {
        chat.idea = before.changedBy(message);
        const std::optional<TradingIdea::Strategy> named = TradingIdea::strategyNamedIn(message);
        text = ReplyTexts::programChanged(language, chat.kind, chat.idea,
                                          chat.idea.changesFrom(before),
                                          named != chat.idea.strategy ? named : std::nullopt);
    } else {
        chat.idea = before.refinedBy(message);
        text = ReplyTexts::programReady(language, chat.kind, chat.idea.summary());
    }
    chat.hasProgram = true;
    const QString program = CodeGenerator::program(chat.kind, chat.idea, message);
    answer.sendEvent("delta", {{QStringLiteral("text"), program}});
    ApiReply reply = ApiReply::outcome(Status::Ok, true, QStringLiteral("chat"), text, id);
    reply.body.insert(QStringLiteral("data"),
                      programData(program, chat.kind, language));
    endTurn(id, chat, answer, reply);
}

void TavrinServer::generate(const ChatRecord &chat, const QString &id,
                            const ModelBackend::Request &request, const PendingAnswer &answer)
{
    auto *inFlight = new ChatInFlight(id, request.language, answer, *m_model, this);
    m_inFlight.insert(id, inFlight);
    new ChatLease(*m_store, id, inFlight);
    inFlight->start(request, [this, id, chat](const std::optional<ChatHistory> &history,
                                              const std::function<void(bool)> &answer) {
        m_inFlight.remove(id);
        std::optional<ChatRecord> kept;
        if (history) {
            kept = chat;
            kept->history = *history;
        }
        m_store->release(id, kept, answer);
    });
}

void TavrinServer::endTurn(const QString &id, const std::optional<ChatRecord> &chat,
                           const PendingAnswer &answer, const ApiReply &reply)
{
    // The answer waits until the store has the chat back, so that the client's next request,
    // wherever it goes, finds it free and up to date.
    m_store->release(id, chat, [answer, reply, chat](bool saved) {
        const auto language = chat ? chat->language : ReplyTexts::Language::English;
        answer.send(TurnReplies::afterSave(reply, saved, language));
    });
}

void TavrinServer::cancel(const QJsonObject &body, ReplyTexts::Language language,
                          const PendingAnswer &answer)
{
    controlChat(body, language, answer, SessionStore::Control::Cancel);
}

void TavrinServer::endSession(const QJsonObject &body, ReplyTexts::Language language,
                              const PendingAnswer &answer)
{
    controlChat(body, language, answer, SessionStore::Control::End);
}

// Stops the chat's generation where it runs, here or in another instance, and for End forgets
// the chat.
void TavrinServer::controlChat(const QJsonObject &body, ReplyTexts::Language language,
                               const PendingAnswer &answer, SessionStore::Control control)
{
    const QString problem = stringKeyProblem(body, {QLatin1String("session_id")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const QString id = body.value(QLatin1String("session_id")).toString();
    const bool stoppedHere = stopHere(id, control);
    m_store->control(id, control, [=, this](SessionStore::Outcome outcome, bool running) {
        const bool cancel = control == SessionStore::Control::Cancel;
        const QString apiType = cancel ? QStringLiteral("cancel") : QStringLiteral("session");
        if (outcome == SessionStore::Outcome::Busy)
            return answer.send(TurnReplies::stopUnheard(id, m_store->leaseMs()));
        // A chat stopped here existed, whatever the store says now.
        if (outcome != SessionStore::Outcome::Done && !(cancel && stoppedHere)) {
            if (outcome == SessionStore::Outcome::Unavailable) {
                return answer.send(ApiReply::outcome(Status::Ok, false, apiType,
                                                     ReplyTexts::chatsUnavailable(language), id));
            }
            return answer.send(ApiReply::outcome(Status::NotFound, false, apiType,
                                                 QStringLiteral("Unknown session"), id));
        }
        QString message = QStringLiteral("Session ended.");
        if (cancel) {
            message = stoppedHere || running ? QStringLiteral("Stopped.")
                                             : QStringLiteral("Nothing was running.");
        }
        answer.send(ApiReply::outcome(Status::Ok, true, apiType, message, id));
    });
}

bool TavrinServer::stopHere(const QString &id, SessionStore::Control control)
{
    ChatInFlight *chat = m_inFlight.value(id);
    if (!chat || !chat->isRunning())
        return false;
    chat->stop(control == SessionStore::Control::End ? ReplyTexts::chatEnded(chat->language())
                                                      : ReplyTexts::stopped(chat->language()));
    return true;
}

void TavrinServer::checkVersion(const QJsonObject &body, ReplyTexts::Language,
                                const PendingAnswer &answer)
{
    const QString problem = stringKeyProblem(body, {QLatin1String("client_version")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const QVersionNumber client =
        QVersionNumber::fromString(body.value(QLatin1String("client_version")).toString());
    if (client.isNull()) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"client_version\" is not a version number.")));
    }
    // Normalized, "1.0" is as new as "1.0.0".
    const bool needUpdate = client.normalized() < m_minVersion.normalized();
    answer.send({Status::Ok,
                 {{QStringLiteral("need_update"), needUpdate},
                  {QStringLiteral("min_version"), m_minVersion.toString()},
                  {QStringLiteral("message"), needUpdate ? m_updateMessage : QString()},
                  {QStringLiteral("features"),
                   QJsonArray{QStringLiteral("stream"), QStringLiteral("cancel"),
                              QStringLiteral("compile_errors")}}},
                 {}});
}

// 200 when the store and the model server (if one is used) answer, else 503; the body says
// which of them does not.
void TavrinServer::health(const PendingAnswer &answer)
{
    m_store->countChats([this, answer](std::optional<qint64> chats) {
        const auto reply = [answer, storeUp = chats.has_value()](std::optional<bool> modelUp) {
            const bool healthy = storeUp && modelUp.value_or(true);
            const auto state = [](bool up) {
                return up ? QStringLiteral("reachable") : QStringLiteral("unreachable");
            };
            answer.send({healthy ? Status::Ok : Status::ServiceUnavailable,
                         {{QStringLiteral("healthy"), healthy},
                          {QStringLiteral("store"), state(storeUp)},
                          {QStringLiteral("model"),
                           modelUp ? state(*modelUp) : QStringLiteral("not used")}},
                         {}});
        };
        if (!m_model)
            return reply(std::nullopt);
        m_model->client().probe(reply);
    });
}

void TavrinServer::metrics(const PendingAnswer &answer)
{
    m_store->countChats([this, answer](std::optional<qint64> chats) {
        Metrics::Gauges gauges;
        gauges.chatsOpen = chats.value_or(0);
        gauges.storeUp = chats.has_value();
        gauges.chatsGenerating = m_inFlight.size();
        gauges.queueLength = m_model ? m_model->client().queueLength() : 0;
        answer.sendText(Status::Ok, "text/plain; version=0.0.4; charset=utf-8",
                        m_metrics.text(gauges));
    });
}
