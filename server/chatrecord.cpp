#include "chatrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QStringList languageCodes{QStringLiteral("en"), QStringLiteral("zh-CN"),
                                QStringLiteral("zh-TW")};

} // namespace

QByteArray ChatRecord::toJson() const
{
    const QJsonObject object{
        {QStringLiteral("platform"),
         kind.platform == ProgramKind::Platform::Mql4 ? QStringLiteral("MT4") : QStringLiteral("MT5")},
        {QStringLiteral("code_type"),
         kind.type == ProgramKind::Type::Indicator ? QStringLiteral("indicator")
                                                   : QStringLiteral("ea")},
        {QStringLiteral("lang"), languageCodes.at(int(language))},
        {QStringLiteral("strategy"), strategy.toJson()},
        {QStringLiteral("requests"), QJsonArray::fromStringList(history.requests)},
        {QStringLiteral("program"), history.program},
        {QStringLiteral("last_use"), lastUseMs}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ChatRecord> ChatRecord::fromJson(const QByteArray &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const QString platform = object.value(QLatin1String("platform")).toString();
    const QString type = object.value(QLatin1String("code_type")).toString();
    if ((platform != QLatin1String("MT4") && platform != QLatin1String("MT5"))
        || (type != QLatin1String("indicator") && type != QLatin1String("ea")))
        return std::nullopt;
    ChatRecord record;
    record.kind = {platform == QLatin1String("MT4") ? ProgramKind::Platform::Mql4
                                                    : ProgramKind::Platform::Mql5,
                   type == QLatin1String("indicator") ? ProgramKind::Type::Indicator
                                                      : ProgramKind::Type::ExpertAdvisor};
    record.language = ReplyTexts::languageOf(object.value(QLatin1String("lang")).toString());
    // A record of an older service, or a strategy it cannot read, starts the strategy afresh.
    record.strategy = offline::Strategy::fromJson(object.value(QLatin1String("strategy")).toObject())
                          .value_or(offline::Strategy());
    for (const QJsonValue &request : object.value(QLatin1String("requests")).toArray())
        record.history.requests.append(request.toString());
    record.history.program = object.value(QLatin1String("program")).toString();
    record.lastUseMs = qint64(object.value(QLatin1String("last_use")).toDouble());
    return record;
}
