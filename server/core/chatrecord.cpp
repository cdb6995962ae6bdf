#include "chatrecord.h"

#include "protocol/messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void ChatRecord::continueFrom(const QString &program)
{
    if (program == history.program)
        return;
    history.program = program;
    writerState = {};
}

QByteArray ChatRecord::toJson() const
{
    const QJsonObject object{
        {Field::Platform, Protocol::wireName(kind.platform)},
        {Field::CodeType, Protocol::wireName(kind.type)},
        {Field::Language, Protocol::wireName(language)},
        // Under the key it had when only the offline generator kept anything.
        {QStringLiteral("strategy"), writerState},
        {QStringLiteral("requests"), QJsonArray::fromStringList(history.requests)},
        {QStringLiteral("program"), history.program},
        {QStringLiteral("last_use"), lastUseMs}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ChatRecord> ChatRecord::fromJson(const QByteArray &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const std::optional<Protocol::Platform> platform =
        Protocol::platformNamed(object.value(Field::Platform).toString());
    const std::optional<Protocol::ProgramType> type =
        Protocol::programTypeNamed(object.value(Field::CodeType).toString());
    if (!platform || !type)
        return std::nullopt;
    ChatRecord record;
    record.kind = {*platform, *type};
    record.language = ReplyTexts::languageOf(object.value(Field::Language).toString());
    // The writer judges its own state: one it cannot read starts afresh.
    record.writerState = object.value(QLatin1String("strategy")).toObject();
    for (const QJsonValue &request : object.value(QLatin1String("requests")).toArray())
        record.history.requests.append(request.toString());
    record.history.program = object.value(QLatin1String("program")).toString();
    record.lastUseMs = qint64(object.value(QLatin1String("last_use")).toDouble());
    return record;
}
