#include "client/conversation/backtesttexts.h"

#include <QCoreApplication>
#include <QLocale>

namespace BacktestTexts {

QString headline(const TesterReport &report)
{
    return QCoreApplication::translate("BacktestTexts", "%1 · %2 %3").arg(report.expert, report.symbol, report.period);
}

QString figures(const TesterReport &report)
{
    const QLocale locale;
    return QCoreApplication::translate("BacktestTexts", "Net profit: %1 (deposit %2)")
        .arg(locale.toString(report.netProfit, 'f', 2), locale.toString(report.initialDeposit, 'f', 2));
}

} // namespace BacktestTexts
