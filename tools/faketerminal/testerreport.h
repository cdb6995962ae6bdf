#pragma once

#include "backtest.h"

#include <filesystem>
#include <string>

// The stand-in's reports, laid out as the terminals' own: MT4 in HTML of one byte per
// character without a charset, MT5 in UTF-16LE with a byte-order mark. Both say in their own
// title and company lines that they come from a stand-in.
namespace TesterReport {

inline const std::string StandIn = "demo stand-in, not the MetaTrader tester";

struct Header final
{
    std::string expert;
    std::string symbol;
    std::string period;
    std::string fromDate;
    std::string toDate;
    std::string currency = "USD";
    std::string leverage = "1:100";
    double deposit = 10000;
};

bool writeMt4(const std::filesystem::path &path, const Header &header, const Backtest::Result &result);
bool writeMt5(const std::filesystem::path &path, const Header &header, const Backtest::Result &result);

// UTF-16LE with a byte-order mark, as MT5 writes its reports and journals.
std::string utf16Bytes(const std::string &utf8);

// 1234567.5 as "1 234 567.50", the MT5 report's way.
std::string spacedMoney(double value);

} // namespace TesterReport
