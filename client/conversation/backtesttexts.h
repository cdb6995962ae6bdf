#pragma once

#include "report/testerreport.h"

#include <QString>

// What a test in the terminal's tester came to, worded in the interface language for the chat
// and the list of a program's versions; numbers in the default locale's way.
namespace BacktestTexts {

// "Expert · Symbol Period", leaving out what the report does not name.
QString headline(const TesterReport &report);

// The figures a trader weighs a test by, one to a line: net profit against the deposit, profit
// factor, maximal drawdown, trades and how many were won, and the Sharpe ratio where the
// tester gives one (MT5).
QString figures(const TesterReport &report);

} // namespace BacktestTexts
