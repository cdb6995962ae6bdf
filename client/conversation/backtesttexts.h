#pragma once

#include "report/testerreport.h"

#include <QString>

// A test's figures in the interface's language, for its card in the chat and the Versions list.
namespace BacktestTexts {
QString headline(const TesterReport &report);
QString figures(const TesterReport &report);
} // namespace BacktestTexts
