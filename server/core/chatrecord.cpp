#include "chatrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QStringList languageCodes{QStringLiteral("en"), QStringLiteral("zh-CN"),
                                QStringLiteral("zh-TW")};

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

QByteArray ChatRecord::toJson() const
{
    const QJsonObject object{
        {QStringLiteral("platform"),
         kind.platform == ProgramKind::Platform::Mql4 ? QStringLiteral("MT4") : QStringLiteral("MT5")},
        {QStringLiteral("code_type"),
         kind.type == ProgramKind::Type::Indicator ? QStringLiteral("indicator")
                                                   : QStringLiteral("ea")},
        {QStringLiteral("lang"), languageCodes.at(int(language))},
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
    record.idea = ideaFrom(object.value(QLatin1String("idea")).toObject());
    record.hasProgram = object.value(QLatin1String("has_program")).toBool();
    for (const QJsonValue &request : object.value(QLatin1String("requests")).toArray())
        record.history.requests.append(request.toString());
    record.history.program = object.value(QLatin1String("program")).toString();
    record.lastUseMs = qint64(object.value(QLatin1String("last_use")).toDouble());
    return record;
}
