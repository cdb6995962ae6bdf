#include "codegenerator.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

using Values = QHash<QString, QString>;

QString templateText(const QString &name)
{
    QFile file(QStringLiteral(":/templates/%1.tpl").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("The template %s is not built in", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

// Replaces each {{Name}} in one pass, so that text put in, like the user's request, is never
// read for placeholders itself.
QString filled(const QString &text, const Values &values)
{
    static const QRegularExpression placeholder(QStringLiteral(R"(\{\{(\w+)\}\})"));
    QString result;
    qsizetype copied = 0;
    for (QRegularExpressionMatchIterator it = placeholder.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(text).mid(copied, match.capturedStart() - copied);
        result += values.value(match.captured(1), match.captured());
        copied = match.capturedEnd();
    }
    result += QStringView(text).mid(copied);
    return result;
}

bool isInputLine(const QString &line)
{
    return line.startsWith(QLatin1String("input "));
}

QString codePart(const QString &line)
{
    return line.section(QLatin1String("//"), 0, 0).trimmed();
}

// Lines up the comments of each run of input lines, which filled-in values leave ragged.
QString withAlignedInputComments(const QString &text)
{
    QStringList lines = text.split(u'\n');
    for (qsizetype start = 0; start < lines.size(); ++start) {
        qsizetype end = start;
        qsizetype width = 0;
        for (; end < lines.size() && isInputLine(lines.at(end)); ++end)
            width = qMax(width, codePart(lines.at(end)).size());
        for (; start < end; ++start) {
            QString &line = lines[start];
            const qsizetype comment = line.indexOf(QLatin1String("//"));
            if (comment > 0)
                line = codePart(line).leftJustified(width + 3) + line.mid(comment);
        }
    }
    return lines.join(u'\n');
}

QString commentLine(const QString &request)
{
    QString line = request.simplified();
    line.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    while (line.contains(QLatin1String("*/")))
        line.remove(QLatin1String("*/"));
    return line;
}

QString strategyName(TradingIdea::Strategy strategy)
{
    switch (strategy) {
    case TradingIdea::Strategy::MovingAverage:
        return QStringLiteral("ma");
    case TradingIdea::Strategy::Crossover:
        return QStringLiteral("crossover");
    case TradingIdea::Strategy::Rsi:
        return QStringLiteral("rsi");
    }
    return {};
}

Values valuesOf(const TradingIdea &idea, const QString &request)
{
    return {
        {QStringLiteral("Request"), commentLine(request)},
        {QStringLiteral("Summary"), idea.summary()},
        {QStringLiteral("MaMethod"), QStringLiteral("MODE_") + idea.maMethodName()},
        {QStringLiteral("MaPeriod"), QString::number(idea.maPeriod)},
        {QStringLiteral("FastPeriod"), QString::number(idea.fastPeriod)},
        {QStringLiteral("SlowPeriod"), QString::number(idea.slowPeriod)},
        {QStringLiteral("RsiPeriod"), QString::number(idea.rsiPeriod)},
        {QStringLiteral("Overbought"), QString::number(idea.overbought, 'f', 2)},
        {QStringLiteral("Oversold"), QString::number(idea.oversold, 'f', 2)},
        {QStringLiteral("Lots"), QString::number(idea.lots, 'f', 2)},
        {QStringLiteral("StopLoss"), QString::number(idea.stopLossPoints)},
        {QStringLiteral("TakeProfit"), QString::number(idea.takeProfitPoints)},
    };
}

} // namespace

QString CodeGenerator::program(const ProgramKind &kind, const TradingIdea &idea,
                               const QString &request)
{
    const QString platform = kind.platform == Protocol::Platform::Mt4 ? QStringLiteral("mql4_")
                                                                          : QStringLiteral("mql5_");
    Values values = valuesOf(idea, request);
    const QString strategy = strategyName(idea.strategy);
    if (kind.type == Protocol::ProgramType::Indicator) {
        return withAlignedInputComments(
            filled(templateText(platform + QStringLiteral("indicator_") + strategy), values));
    }
    // The order handling that every Expert Advisor of a platform shares.
    for (const QString &part : {QStringLiteral("Declarations"), QStringLiteral("Functions")}) {
        values.insert(
            QStringLiteral("Trading") + part,
            filled(templateText(platform + QStringLiteral("trading_") + part.toLower()), values));
    }
    return withAlignedInputComments(
        filled(templateText(platform + QStringLiteral("expert_") + strategy), values));
}
