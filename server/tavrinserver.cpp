#include "tavrinserver.h"

#include "chatinflight.h"
#include "codegenerator.h"
#include "programcheck.h"

#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTimer>

#include <initializer_list>
#include <optional>
#include <utility>

namespace {

using Status = ApiReply::Status;

constexpr qsizetype maxBodySize = 1024 * 1024;

QString methodName(QHttpServerRequest::Method method)
{
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return QString::fromLatin1(key).toUpper();
}

// Empty when each key is there and holds a string, else what is wrong.
QString stringKeyProblem(const QJsonObject &body, std::initializer_list<QLatin1String> keys)
{
    for (const QLatin1String key : keys) {
        if (!body.contains(key))
            return QStringLiteral("Missing key \"%1\".").arg(key);
        if (!body.value(key).isString())
            return QStringLiteral("\"%1\" must be a string.").arg(key);
    }
    return {};
}

std::optional<ProgramKind::Platform> platformNamed(const QString &name)
{
    if (name.compare(QLatin1String("MT4"), Qt::CaseInsensitive) == 0)
        return ProgramKind::Platform::Mql4;
    if (name.compare(QLatin1String("MT5"), Qt::CaseInsensitive) == 0)
        return ProgramKind::Platform::Mql5;
    return std::nullopt;
}

std::optional<ProgramKind::Type> typeNamed(const QString &name)
{
    if (name.compare(QLatin1String("indicator"), Qt::CaseInsensitive) == 0)
        return ProgramKind::Type::Indicator;
    if (name.compare(QLatin1String("ea"), Qt::CaseInsensitive) == 0)
        return ProgramKind::Type::ExpertAdvisor;
    return std::nullopt;
}

// The body's "compile_errors", none when it is missing; nullopt unless it is a list of strings.
std::optional<QStringList> compileErrorsOf(const QJsonObject &body)
{
    const QJsonValue value = body.value(QLatin1String("compile_errors"));
    if (value.isUndefined())
        return QStringList();
    if (!value.isArray())
        return std::nullopt;
    QStringList errors;
    for (const QJsonValue &error : value.toArray()) {
        if (!error.isString())
            return std::nullopt;
        errors.append(error.toString());
    }
    return errors;
}

// Lines of a compiler's log, "file(l,c) : error NNN: text", as an older client puts them into
// the request itself: their numbers are never a program's values.
bool quotesCompilerMessages(const QString &message)
{
    static const QRegularExpression compilerLine(
        QStringLiteral(R"(\b(error|warning)\s+\d+\s*:|\(\d+\s*,\s*\d+\)\s*:)"),
        QRegularExpression::CaseInsensitiveOption);
    return message.contains(compilerLine);
}

// The body's "lang", else the first choice of the Accept-Language header.
ReplyTexts::Language languageOf(const QJsonObject &body, const QHttpServerRequest &request)
{
    const QLatin1String lang("lang");
    const QString code = body.contains(lang) ? body.value(lang).toString()
                                             : QString::fromLatin1(request.value("Accept-Language"))
                                                   .section(u',', 0, 0)
                                                   .section(u';', 0, 0)
                                                   .trimmed();
    return ReplyTexts::languageOf(code);
}

} // namespace

TavrinServer::TavrinServer(const QVersionNumber &minVersion, const QString &updateMessage,
                           QObject *parent)
    : QObject(parent)
    , m_server(new QHttpServer(this))
    , m_listener(new QTcpServer(this))
    , m_minVersion(minVersion)
    , m_updateMessage(updateMessage)
{
    addEndpoint(QStringLiteral("/api/new"), Method::Post, &TavrinServer::startChat);
    addEndpoint(QStringLiteral("/api/chat"), Method::Post, &TavrinServer::chat);
    addEndpoint(QStringLiteral("/api/cancel"), Method::Post, &TavrinServer::cancel);
    addEndpoint(QStringLiteral("/api/session"), Method::Delete, &TavrinServer::endSession);
    addEndpoint(QStringLiteral("/api/version_check"), Method::Post, &TavrinServer::checkVersion);
    m_server->setMissingHandler(
        [](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            PendingAnswer(request, std::move(responder))
                .send(ApiReply::error(Status::NotFound,
                                      QStringLiteral("No endpoint %1.").arg(request.url().path())));
        });
    // Expiry is also checked on each use; the sweep frees what nobody uses any more.
    auto *sweep = new QTimer(this);
    connect(sweep, &QTimer::timeout, this, [this] { m_sessions.expireIdle(); });
    sweep->start(60 * 1000);
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
    m_model->client().checkServer(report);
}

void TavrinServer::setSessionLimits(qint64 idleLimitMs, int capacity)
{
    m_sessions.setLimits(idleLimitMs, capacity);
}

void TavrinServer::addEndpoint(const QString &path, Method method, Handler handler)
{
    m_server->route(path, [this, method, handler](const QHttpServerRequest &request,
                                                  QHttpServerResponder &&responder) {
        answer(request, method, handler, PendingAnswer(request, std::move(responder)));
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
    (this->*handler)(object, languageOf(object, request), answer);
}

void TavrinServer::startChat(const QJsonObject &body, ReplyTexts::Language language,
                             const PendingAnswer &answer)
{
    const QString problem =
        stringKeyProblem(body, {QLatin1String("platform"), QLatin1String("code_type")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const std::optional<ProgramKind::Platform> platform =
        platformNamed(body.value(QLatin1String("platform")).toString());
    if (!platform) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"platform\" must be \"MT4\" or \"MT5\".")));
    }
    const std::optional<ProgramKind::Type> type =
        typeNamed(body.value(QLatin1String("code_type")).toString());
    if (!type) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"code_type\" must be \"indicator\" or \"ea\".")));
    }
    const ProgramKind kind{*platform, *type};
    const QString id = m_sessions.open(kind);
    ApiReply reply = ApiReply::outcome(Status::Ok, true, QStringLiteral("new"),
                                       ReplyTexts::greeting(language, kind), id);
    reply.body.insert(QStringLiteral("session_id"), id);
    answer.send(reply);
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
    const std::optional<QStringList> compileErrors = compileErrorsOf(body);
    if (!compileErrors) {
        return answer.send(ApiReply::error(
            Status::BadRequest, QStringLiteral("\"compile_errors\" must be a list of strings.")));
    }
    answer.streamIfAccepted();
    const QString id = body.value(QLatin1String("session_id")).toString();
    const QString message = body.value(QLatin1String("user_message")).toString();
    const QString apiType = QStringLiteral("chat");
    SessionStore::Session *session = m_sessions.find(id);
    if (!session) {
        return answer.send(
            ApiReply::outcome(Status::Ok, false, apiType,
                              QStringLiteral("Unknown session: please start a new chat."), id));
    }
    if (message.trimmed().isEmpty() && compileErrors->isEmpty()) {
        return answer.send(ApiReply::outcome(
            Status::Ok, false, apiType,
            QStringLiteral("The message is empty: describe the program you want."), id));
    }
    if (m_model) {
        return generate(*session, id,
                        {session->kind, language, session->history, message, *compileErrors},
                        answer);
    }
    if (!compileErrors->isEmpty() || quotesCompilerMessages(message)) {
        return answer.send(ApiReply::outcome(Status::Ok, false, apiType,
                                             ReplyTexts::templatesCannotRepair(language), id));
    }
    writeFromTemplates(*session, id, message, language, answer);
}

// The first request chooses the strategy; later ones refine its program, and the reply says
// what changed.
void TavrinServer::writeFromTemplates(SessionStore::Session &session, const QString &id,
                                      const QString &message, ReplyTexts::Language language,
                                      const PendingAnswer &answer)
{
    const TradingIdea before = session.idea;
    QString text;
    if (session.hasProgram) {
        session.idea = before.changedBy(message);
        const std::optional<TradingIdea::Strategy> named = TradingIdea::strategyNamedIn(message);
        text = ReplyTexts::programChanged(language, session.kind, session.idea,
                                          session.idea.changesFrom(before),
                                          named != session.idea.strategy ? named : std::nullopt);
    } else {
        session.idea = before.refinedBy(message);
        text = ReplyTexts::programReady(language, session.kind, session.idea.summary());
    }
    session.hasProgram = true;
    const QString program = CodeGenerator::program(session.kind, session.idea, message);
    answer.sendEvent("delta", {{QStringLiteral("text"), program}});
    ApiReply reply = ApiReply::outcome(Status::Ok, true, QStringLiteral("chat"), text, id);
    reply.body.insert(QStringLiteral("data"),
                      programData(program, session.kind, language));
    answer.send(reply);
}

// One generation per session at a time: the answer to a second request could not refine a
// program that does not exist yet.
void TavrinServer::generate(SessionStore::Session &session, const QString &id,
                            const ModelBackend::Request &request, const PendingAnswer &answer)
{
    if (session.busy()) {
        return answer.send(ApiReply::outcome(Status::Ok, false, QStringLiteral("chat"),
                                             ReplyTexts::stillWorking(request.language), id));
    }
    session.chat = new ChatInFlight(id, request.language, answer, *m_model, this);
    session.chat->start(request, [this, id](const ModelBackend::Result &result) {
        if (SessionStore::Session *session = m_sessions.find(id))
            session->history = result.history;
    });
}

void TavrinServer::cancel(const QJsonObject &body, ReplyTexts::Language,
                          const PendingAnswer &answer)
{
    const QString problem = stringKeyProblem(body, {QLatin1String("session_id")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const QString id = body.value(QLatin1String("session_id")).toString();
    const QString apiType = QStringLiteral("cancel");
    SessionStore::Session *session = m_sessions.find(id);
    if (!session) {
        return answer.send(ApiReply::outcome(Status::NotFound, false, apiType,
                                             QStringLiteral("Unknown session"), id));
    }
    const bool running = session->busy();
    if (running)
        session->chat->stop(ReplyTexts::stopped(session->chat->language()));
    answer.send(ApiReply::outcome(
        Status::Ok, true, apiType,
        running ? QStringLiteral("Stopped.") : QStringLiteral("Nothing was running."), id));
}

void TavrinServer::endSession(const QJsonObject &body, ReplyTexts::Language,
                              const PendingAnswer &answer)
{
    const QString problem = stringKeyProblem(body, {QLatin1String("session_id")});
    if (!problem.isEmpty())
        return answer.send(ApiReply::error(Status::BadRequest, problem));
    const QString id = body.value(QLatin1String("session_id")).toString();
    const QString apiType = QStringLiteral("session");
    std::optional<SessionStore::Session> session = m_sessions.take(id);
    if (!session) {
        return answer.send(ApiReply::outcome(Status::NotFound, false, apiType,
                                             QStringLiteral("Unknown session"), id));
    }
    if (session->busy())
        session->chat->stop(ReplyTexts::chatEnded(session->chat->language()));
    answer.send(ApiReply::outcome(Status::Ok, true, apiType, QStringLiteral("Session ended."), id));
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
