#include "client/conversation/backtesttexts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

namespace {

QString twoDecimals(double value)
{
    return QLocale().toString(value, 'f', 2);
}

// Shares of the deposit and of the trades: a tenth of a percent is as fine as a trader reads them.
QString percent(double value)
{
    return QLocale().toString(value, 'f', 1);
}

QString tradesLine(const TesterReport &report)
{
    if (report.totalTrades == 0)
        return QCoreApplication::translate("BacktestTexts", "Trades: none");
    return QCoreApplication::translate("BacktestTexts", "Trades: %1, won %2 %")
        .arg(QLocale().toString(report.totalTrades), percent(report.winRatePercent));
}

} // namespace

QString BacktestTexts::headline(const TesterReport &report)
{
    const QString chart = QStringList{report.symbol, report.period}.join(QLatin1Char(' ')).trimmed();
    QStringList parts{report.expert.trimmed(), chart};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" · "));
}

QString BacktestTexts::figures(const TesterReport &report)
{
    QStringList lines{
        QCoreApplication::translate("BacktestTexts", "Net profit: %1 (deposit %2)")
            .arg(twoDecimals(report.netProfit), twoDecimals(report.initialDeposit)),
        QCoreApplication::translate("BacktestTexts", "Profit factor: %1").arg(twoDecimals(report.profitFactor)),
        QCoreApplication::translate("BacktestTexts", "Maximal drawdown: %1 (%2 %)")
            .arg(twoDecimals(report.maxDrawdown), percent(report.maxDrawdownPercent)),
        tradesLine(report),
    };
    if (report.sharpeRatio)
        lines.append(QCoreApplication::translate("BacktestTexts", "Sharpe ratio: %1").arg(twoDecimals(*report.sharpeRatio)));
    return lines.join(QLatin1Char('\n'));
}
