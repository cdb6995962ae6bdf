#include "protocol/requests.h"

#include <QJsonArray>

#include <initializer_list>

namespace {

using Protocol::ErrorCode;

RequestProblem invalid(const QString &message)
{
    return {ErrorCode::InvalidRequest, message};
}

// Each key is there and holds a string, checked in the order given.
std::optional<RequestProblem> stringKeyProblem(const QJsonObject &body,
                                               std::initializer_list<QString> keys)
{
    for (const QString &key : keys) {
        if (!body.contains(key))
            return invalid(QStringLiteral("Missing key \"%1\".").arg(key));
        if (!body.value(key).isString())
            return invalid(QStringLiteral("\"%1\" must be a string.").arg(key));
    }
    return std::nullopt;
}

std::optional<Protocol::Language> languageIn(const QJsonObject &body)
{
    if (!body.contains(Field::Language))
        return std::nullopt;
    return Protocol::languageNamed(body.value(Field::Language).toString());
}

void insertLanguage(QJsonObject &body, const std::optional<Protocol::Language> &language)
{
    if (language)
        body.insert(Field::Language, Protocol::wireName(*language));
}

void insertProgram(QJsonObject &body, const QString &program)
{
    if (!program.isEmpty())
        body.insert(Field::CurrentProgram, program);
}

// "history", none when it is missing.
Parsed<QList<ChatTurn>> historyIn(const QJsonObject &body)
{
    const QJsonValue value = body.value(Field::History);
    if (value.isUndefined())
        return QList<ChatTurn>();
    if (!value.isArray())
        return invalid(QStringLiteral("\"history\" must be a list of turns."));
    const QJsonArray entries = value.toArray();
    QList<ChatTurn> turns;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const std::optional<ChatTurn::Role> role = roleNamed(entry.value(Field::Role).toString());
        if (!role || !entry.value(Field::Content).isString()) {
            return invalid(QStringLiteral("\"history\" turn %1 must be {\"role\": \"user\" or "
                                          "\"assistant\", \"content\": text}.")
                               .arg(i + 1));
        }
        turns.append({*role, entry.value(Field::Content).toString()});
    }
    return turns;
}

// "current_program", empty when it is missing.
Parsed<QString> currentProgramIn(const QJsonObject &body)
{
    const QJsonValue value = body.value(Field::CurrentProgram);
    if (value.isUndefined())
        return QString();
    if (!value.isString())
        return invalid(QStringLiteral("\"current_program\" must be a string."));
    if (value.toString().toUtf8().size() > RequestLimit::CurrentProgramBytes) {
        return RequestProblem{ErrorCode::RequestTooLarge,
                              QStringLiteral("\"current_program\" is larger than %1 KiB.")
                                  .arg(RequestLimit::CurrentProgramBytes / 1024)};
    }
    return value.toString();
}

// "compile_errors", nullopt when it is missing.
Parsed<std::optional<QStringList>> compileErrorsIn(const QJsonObject &body)
{
    const QJsonValue value = body.value(Field::CompileErrors);
    if (value.isUndefined())
        return std::optional<QStringList>();
    const RequestProblem problem =
        invalid(QStringLiteral("\"compile_errors\" must be a list of strings."));
    if (!value.isArray())
        return problem;
    QStringList errors;
    for (const QJsonValue &error : value.toArray()) {
        if (!error.isString())
            return problem;
        errors.append(error.toString());
    }
    return std::optional<QStringList>(errors);
}

// What every body of a chat's request is checked for first: its language, then its keys.
std::optional<RequestProblem> chatBodyProblem(const QJsonObject &body,
                                              std::initializer_list<QString> keys)
{
    if (const auto problem = languageFieldProblem(body))
        return problem;
    return stringKeyProblem(body, keys);
}

} // namespace

std::optional<RequestProblem> languageFieldProblem(const QJsonObject &body)
{
    if (body.contains(Field::Language) && !body.value(Field::Language).isString())
        return invalid(QStringLiteral("\"lang\" must be a string."));
    return std::nullopt;
}

// --- NewChatRequest ------------------------------------------------------------------------

QJsonObject NewChatRequest::toJson() const
{
    QJsonObject body{{Field::CodeType, Protocol::wireName(type)},
                     {Field::Platform, Protocol::wireName(platform)}};
    insertLanguage(body, language);
    if (!history.isEmpty()) {
        QJsonArray turns;
        for (const ChatTurn &turn : history)
            turns.append(QJsonObject{{Field::Role, roleName(turn.role)}, {Field::Content, turn.content}});
        body.insert(Field::History, turns);
    }
    insertProgram(body, currentProgram);
    return body;
}

Parsed<NewChatRequest> NewChatRequest::fromJson(const QJsonObject &body)
{
    if (const auto problem = chatBodyProblem(body, {Field::Platform, Field::CodeType}))
        return *problem;
    const std::optional<Protocol::Platform> platform =
        Protocol::platformNamed(body.value(Field::Platform).toString());
    if (!platform)
        return invalid(QStringLiteral("\"platform\" must be \"MT4\" or \"MT5\"."));
    const std::optional<Protocol::ProgramType> type =
        Protocol::programTypeNamed(body.value(Field::CodeType).toString());
    if (!type)
        return invalid(QStringLiteral("\"code_type\" must be \"indicator\" or \"ea\"."));
    const Parsed<QList<ChatTurn>> history = historyIn(body);
    if (!history.isValid())
        return history.problem();
    const Parsed<QString> program = currentProgramIn(body);
    if (!program.isValid())
        return program.problem();
    return NewChatRequest{*platform, *type, languageIn(body), history.value(), program.value()};
}

bool NewChatRequest::operator==(const NewChatRequest &other) const
{
    return platform == other.platform && type == other.type && language == other.language
           && history == other.history && currentProgram == other.currentProgram;
}

// --- ChatRequest ---------------------------------------------------------------------------

QJsonObject ChatRequest::toJson() const
{
    QJsonObject body{{Field::SessionId, sessionId}, {Field::UserMessage, userMessage}};
    insertLanguage(body, language);
    if (compileErrors)
        body.insert(Field::CompileErrors, QJsonArray::fromStringList(*compileErrors));
    insertProgram(body, currentProgram);
    return body;
}

Parsed<ChatRequest> ChatRequest::fromJson(const QJsonObject &body)
{
    if (const auto problem = chatBodyProblem(body, {Field::SessionId, Field::UserMessage}))
        return *problem;
    const Parsed<std::optional<QStringList>> errors = compileErrorsIn(body);
    if (!errors.isValid())
        return errors.problem();
    const Parsed<QString> program = currentProgramIn(body);
    if (!program.isValid())
        return program.problem();
    return ChatRequest{body.value(Field::SessionId).toString(),
                       body.value(Field::UserMessage).toString(), languageIn(body),
                       errors.value(), program.value()};
}

bool ChatRequest::withinLimits() const
{
    const QStringList errors = compileErrors.value_or(QStringList());
    return userMessage.toUtf8().size() <= RequestLimit::UserMessageBytes
           && boundedCompileErrors(errors).size() == errors.size();
}

bool ChatRequest::operator==(const ChatRequest &other) const
{
    return sessionId == other.sessionId && userMessage == other.userMessage
           && language == other.language && compileErrors == other.compileErrors
           && currentProgram == other.currentProgram;
}

// --- SessionRequest ------------------------------------------------------------------------

QJsonObject SessionRequest::toJson() const
{
    QJsonObject body{{Field::SessionId, sessionId}};
    insertLanguage(body, language);
    return body;
}

Parsed<SessionRequest> SessionRequest::fromJson(const QJsonObject &body)
{
    if (const auto problem = chatBodyProblem(body, {Field::SessionId}))
        return *problem;
    return SessionRequest{body.value(Field::SessionId).toString(), languageIn(body)};
}

bool SessionRequest::operator==(const SessionRequest &other) const
{
    return sessionId == other.sessionId && language == other.language;
}

// --- VersionCheckRequest -------------------------------------------------------------------

QJsonObject VersionCheckRequest::toJson() const
{
    return {{Field::ClientVersion, clientVersion}};
}

Parsed<VersionCheckRequest> VersionCheckRequest::fromJson(const QJsonObject &body)
{
    if (const auto problem = stringKeyProblem(body, {Field::ClientVersion}))
        return *problem;
    const VersionCheckRequest request{body.value(Field::ClientVersion).toString()};
    if (request.version().isNull())
        return invalid(QStringLiteral("\"client_version\" is not a version number."));
    return request;
}

bool VersionCheckRequest::operator==(const VersionCheckRequest &other) const
{
    return clientVersion == other.clientVersion;
}
