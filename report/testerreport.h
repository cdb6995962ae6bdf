#pragma once

// What a single test in MetaTrader's Strategy Tester came to, read from the report the tester
// saves: MT4's HTML in the terminal's code page, or MT5's in UTF-16. Labels are in the
// terminal's language, so the figures are found by where they sit in the summary; English
// labels, where the report has them, confirm the places.

#include "protocol/domain.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

struct TesterReport final {
    Protocol::Platform platform = Protocol::Platform::Mt4;
    QString expert, symbol;
    QString period; // "M1".."MN1" where recognisable, otherwise as the report writes it
    double initialDeposit = 0, netProfit = 0, grossProfit = 0, grossLoss = 0;
    double profitFactor = 0, expectedPayoff = 0;
    double maxDrawdown = 0, maxDrawdownPercent = 0; // MT4 "Maximal drawdown"; MT5 "Balance Drawdown Maximal"
    double relativeDrawdownPercent = 0, relativeDrawdown = 0;
    int totalTrades = 0;
    double winRatePercent = 0;
    std::optional<double> sharpeRatio; // MT5 only
    QList<double> balance; // the deposit first, then the balance after each closing deal
    bool demo = false; // written by the project's demo stand-in tester, not by MetaTrader
};

struct TesterReportRead final {
    std::optional<TesterReport> report;
    QString problem; // why not, in English, one line
};

TesterReportRead readTesterReport(const QByteArray &file);
TesterReportRead readTesterReportFile(const QString &path);

// platform, expert, symbol, period, initial_deposit, net_profit, gross_profit, gross_loss,
// profit_factor, max_drawdown, max_drawdown_percent, total_trades, balance, demo.
QJsonObject testerReportJson(const TesterReport &report);

// Every figure of report, for keeping (testerReportJson's fields and the rest), and back;
// nullopt when json holds no report.
QJsonObject testerReportRecord(const TesterReport &report);
std::optional<TesterReport> testerReportFromRecord(const QJsonObject &json);

// The phrase the demo stand-in writes into its reports.
inline constexpr QLatin1StringView demoTesterMark{"demo stand-in, not the MetaTrader tester"};
