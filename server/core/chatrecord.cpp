#include "chatrecord.h"

#include "protocol/messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject ideaObject(const TradingIdea &idea)
{
    return {{QStringLiteral("strategy"), int(idea.strategy)},
            {QStringLiteral("ma_method"), int(idea.maMethod)},
            {QStringLiteral("ma_period"), idea.maPeriod},
            {QStringLiteral("fast_period"), idea.fastPeriod},
            {QStringLiteral("slow_period"), idea.slowPeriod},
            {QStringLiteral("rsi_period"), idea.rsiPeriod},
            {QStringLiteral("overbought"), idea.overbought},
            {QStringLiteral("oversold"), idea.oversold},
            {QStringLiteral("lots"), idea.lots},
            {QStringLiteral("sl"), idea.stopLossPoints},
            {QStringLiteral("tp"), idea.takeProfitPoints}};
}

// Each value keeps its default when missing, so that records of an older service still load.
TradingIdea ideaFrom(const QJsonObject &object)
{
    TradingIdea idea;
    const auto number = [&object](const char *key, double fallback) {
        return object.value(QLatin1String(key)).toDouble(fallback);
    };
    const auto whole = [&object](const char *key, int fallback) {
        return object.value(QLatin1String(key)).toInt(fallback);
    };
    idea.strategy = TradingIdea::Strategy(qBound(0, whole("strategy", int(idea.strategy)), 2));
    idea.maMethod = TradingIdea::MaMethod(qBound(0, whole("ma_method", int(idea.maMethod)), 3));
    idea.maPeriod = whole("ma_period", idea.maPeriod);
    idea.fastPeriod = whole("fast_period", idea.fastPeriod);
    idea.slowPeriod = whole("slow_period", idea.slowPeriod);
    idea.rsiPeriod = whole("rsi_period", idea.rsiPeriod);
    idea.overbought = number("overbought", idea.overbought);
    idea.oversold = number("oversold", idea.oversold);
    idea.lots = number("lots", idea.lots);
    idea.stopLossPoints = whole("sl", idea.stopLossPoints);
    idea.takeProfitPoints = whole("tp", idea.takeProfitPoints);
    return idea;
}

} // namespace

void ChatRecord::continueFrom(const QString &program)
{
    if (program == history.program)
        return;
    history.program = program;
    hasProgram = false;
}

QByteArray ChatRecord::toJson() const
{
    const QJsonObject object{
        {Field::Platform, Protocol::wireName(kind.platform)},
        {Field::CodeType, Protocol::wireName(kind.type)},
        {Field::Language, Protocol::wireName(language)},
        {QStringLiteral("idea"), ideaObject(idea)},
        {QStringLiteral("has_program"), hasProgram},
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
    record.idea = ideaFrom(object.value(QLatin1String("idea")).toObject());
    record.hasProgram = object.value(QLatin1String("has_program")).toBool();
    for (const QJsonValue &request : object.value(QLatin1String("requests")).toArray())
        record.history.requests.append(request.toString());
    record.history.program = object.value(QLatin1String("program")).toString();
    record.lastUseMs = qint64(object.value(QLatin1String("last_use")).toDouble());
    return record;
}
