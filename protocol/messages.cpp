#include "protocol/messages.h"

#include "protocol/eventstream.h"
#include "protocol/requests.h"
#include "protocol/version.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The reading rules shared by every reply.
bool flag(const QJsonObject &object, const QString &key)
{
    return object.value(key).toBool(false);
}

QString text(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString();
}

const QHash<QString, ChatStreamEvent::Phase> &phasesByName()
{
    static const QHash<QString, ChatStreamEvent::Phase> phases{
        {QStringLiteral("queued"), ChatStreamEvent::Phase::Queued},
        {QStringLiteral("writing"), ChatStreamEvent::Phase::Writing},
        {QStringLiteral("checking"), ChatStreamEvent::Phase::Checking},
        {QStringLiteral("repairing"), ChatStreamEvent::Phase::Repairing}};
    return phases;
}

QList<RiskWarning> warningsOf(const QJsonArray &list)
{
    QList<RiskWarning> warnings;
    for (const QJsonValue &entry : list) {
        const QJsonObject warning = entry.toObject();
        const QString rule = text(warning, Field::Rule);
        if (!rule.isEmpty())
            warnings.append({rule, qMax(0, warning.value(Field::Line).toInt())});
    }
    return warnings;
}

} // namespace

QByteArray serviceRequestBody(const QJsonObject &body)
{
    return QJsonDocument(body).toJson(QJsonDocument::Indented);
}

QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language)
{
    return newChatBody(codeType, platform, language, {});
}

QString roleName(ChatTurn::Role role)
{
    return role == ChatTurn::Role::User ? QStringLiteral("user") : QStringLiteral("assistant");
}

std::optional<ChatTurn::Role> roleNamed(const QString &name)
{
    for (const ChatTurn::Role role : {ChatTurn::Role::User, ChatTurn::Role::Assistant}) {
        if (name == roleName(role))
            return role;
    }
    return std::nullopt;
}

// The client names platform, type and language by their wire names, so each of them parses.
QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language,
                        const ChatSeed &seed)
{
    NewChatRequest request;
    request.platform = Protocol::platformNamed(platform).value_or(request.platform);
    request.type = Protocol::programTypeNamed(codeType).value_or(request.type);
    request.language = Protocol::languageNamed(language);
    request.history = seed.history;
    request.currentProgram = seed.currentProgram;
    return request.toJson();
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language)
{
    return ChatRequest{sessionId, userMessage, Protocol::languageNamed(language), {}, {}}.toJson();
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors)
{
    return chatBody(sessionId, userMessage, language, compileErrors, {});
}

QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors, const QString &currentProgram)
{
    return ChatRequest{sessionId, userMessage, Protocol::languageNamed(language),
                       boundedCompileErrors(compileErrors), currentProgram}
        .toJson();
}

QStringList boundedCompileErrors(const QStringList &errors)
{
    QStringList bounded;
    qsizetype bytes = 0;
    for (const QString &error : errors) {
        bytes += error.toUtf8().size();
        if (bounded.size() == RequestLimit::CompileErrorLines
            || bytes > RequestLimit::CompileErrorBytes)
            break;
        bounded.append(error);
    }
    return bounded;
}

QJsonObject cancelBody(const QString &sessionId, const QString &language)
{
    return CancelRequest{sessionId, Protocol::languageNamed(language)}.toJson();
}

QJsonObject endSessionBody(const QString &sessionId, const QString &language)
{
    return EndSessionRequest{sessionId, Protocol::languageNamed(language)}.toJson();
}

QJsonObject closingSessionBody(const QString &sessionId)
{
    return EndSessionRequest{sessionId, std::nullopt}.toJson();
}

QJsonObject versionCheckBody()
{
    return VersionCheckRequest{QString::fromLatin1(kClientVersion)}.toJson();
}

QJsonObject refusalBody(const QString &message, Protocol::ErrorCode error)
{
    QJsonObject body{{Field::Success, false}, {Field::Message, message}};
    if (error != Protocol::ErrorCode::None)
        body.insert(Field::Error, Protocol::errorCodeName(error));
    return body;
}

QJsonObject outcomeBody(bool success, const QString &apiType, const QString &message,
                        Protocol::ErrorCode error)
{
    QJsonObject body{{Field::Success, success}, {Field::ApiType, apiType}, {Field::Message, message}};
    if (error != Protocol::ErrorCode::None)
        body.insert(Field::Error, Protocol::errorCodeName(error));
    return body;
}

ServiceReply parseServiceReply(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();

    ServiceReply reply;
    reply.success = flag(object, Field::Success);
    reply.message = text(object, Field::Message);
    reply.error = Protocol::errorCodeNamed(text(object, Field::Error));

    const QString apiType = text(object, Field::ApiType);
    if (apiType == ApiType::New) {
        reply.kind = ServiceReply::Kind::NewSession;
        reply.hasSessionId = object.contains(Field::SessionId);
        reply.sessionId = text(object, Field::SessionId);
    } else if (apiType == ApiType::Chat) {
        reply.kind = ServiceReply::Kind::Chat;
        const QJsonObject data = object.value(Field::Data).toObject();
        reply.response = text(data, Field::Response);
        reply.hasWarnings = data.value(Field::Warnings).isArray();
        reply.warnings = warningsOf(data.value(Field::Warnings).toArray());
    }
    return reply;
}

ChatStreamEvent parseChatStreamEvent(const ServerSentEvent &event)
{
    ChatStreamEvent parsed;
    if (event.name == StreamEventName::Done) {
        parsed.kind = ChatStreamEvent::Kind::Done;
        parsed.reply = parseServiceReply(event.data);
        return parsed;
    }
    const QJsonObject object = QJsonDocument::fromJson(event.data).object();
    if (event.name == StreamEventName::Status) {
        parsed.kind = ChatStreamEvent::Kind::Status;
        parsed.phase = phasesByName().value(text(object, Field::Phase), ChatStreamEvent::Phase::Unknown);
        parsed.position = qMax(0, object.value(Field::Position).toInt());
    } else if (event.name == StreamEventName::Delta) {
        parsed.kind = ChatStreamEvent::Kind::Delta;
        parsed.text = text(object, Field::Text);
    }
    return parsed;
}

QByteArray ChatStreamEvent::name() const
{
    switch (kind) {
    case Kind::Status:
        return StreamEventName::Status;
    case Kind::Delta:
        return StreamEventName::Delta;
    case Kind::Done:
        return StreamEventName::Done;
    case Kind::Other:
        break;
    }
    return {};
}

QJsonObject ChatStreamEvent::toJson() const
{
    if (kind == Kind::Status)
        return {{Field::Phase, phaseName(phase)}, {Field::Position, position}};
    if (kind == Kind::Delta)
        return {{Field::Text, text}};
    return {};
}

QString phaseName(ChatStreamEvent::Phase phase)
{
    return phasesByName().key(phase);
}

VersionVerdict parseVersionVerdict(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    QStringList features;
    for (const QJsonValue &feature : object.value(Field::Features).toArray()) {
        if (feature.isString())
            features.append(feature.toString());
    }
    return {flag(object, Field::NeedUpdate), text(object, Field::Message),
            text(object, Field::MinVersion), features};
}

QJsonObject VersionVerdict::toJson() const
{
    return {{Field::NeedUpdate, needUpdate},
            {Field::MinVersion, minVersion},
            {Field::Message, message},
            {Field::Features, QJsonArray::fromStringList(features)}};
}

bool WriterNote::isNoteLine(QStringView line)
{
    return line.trimmed().startsWith(Prefix);
}
