#include "client/conversation/backtestchoice.h"

#include "protocol/messages.h"

#include <QJsonDocument>
#include <QStringList>

namespace {

const QStringList &periods()
{
    static const QStringList list{QStringLiteral("M1"),  QStringLiteral("M5"),  QStringLiteral("M15"),
                                  QStringLiteral("M30"), QStringLiteral("H1"),  QStringLiteral("H4"),
                                  QStringLiteral("D1"),  QStringLiteral("W1"),  QStringLiteral("MN1")};
    return list;
}

const QLatin1StringView kSymbol("symbol");
const QLatin1StringView kPeriod("period");
const QLatin1StringView kFrom("from");
const QLatin1StringView kTo("to");
const QLatin1StringView kDeposit("deposit");
const QLatin1StringView kModel("model");

} // namespace

BacktestChoice BacktestChoice::defaults(Protocol::Platform platform, const QString &timeframe, const QDate &today)
{
    Q_UNUSED(platform) // model 1 is the quick one of both testers
    BacktestChoice choice;
    choice.symbol = QStringLiteral("EURUSD");
    const QString period = timeframe.toUpper();
    choice.period = periods().contains(period) ? period : QStringLiteral("H1");
    choice.to = today;
    choice.from = today.addYears(-1);
    return choice;
}

QString BacktestChoice::notedTimeframe(const QString &program)
{
    const qsizetype at = program.indexOf(WriterNote::Prefix);
    if (at < 0)
        return {};
    const qsizetype start = at + WriterNote::Prefix.size();
    const qsizetype end = program.indexOf(u'\n', start);
    const QString line = program.mid(start, end < 0 ? -1 : end - start).trimmed();
    return QJsonDocument::fromJson(line.toUtf8()).object().value(QLatin1StringView("tf")).toString();
}

QJsonObject BacktestChoice::toJson() const
{
    return {{kSymbol, symbol},
            {kPeriod, period},
            {kFrom, from.toString(Qt::ISODate)},
            {kTo, to.toString(Qt::ISODate)},
            {kDeposit, deposit},
            {kModel, model}};
}

std::optional<BacktestChoice> BacktestChoice::fromJson(const QJsonObject &json)
{
    BacktestChoice choice;
    choice.symbol = json.value(kSymbol).toString();
    choice.period = json.value(kPeriod).toString();
    choice.from = QDate::fromString(json.value(kFrom).toString(), Qt::ISODate);
    choice.to = QDate::fromString(json.value(kTo).toString(), Qt::ISODate);
    choice.deposit = json.value(kDeposit).toDouble(-1);
    choice.model = json.value(kModel).toInt(-1);
    if (choice.symbol.isEmpty() || !periods().contains(choice.period) || !choice.from.isValid()
        || !choice.to.isValid() || choice.deposit <= 0 || choice.model < 0)
        return std::nullopt;
    return choice;
}

const QStringList &BacktestChoice::periods()
{
    return ::periods();
}
