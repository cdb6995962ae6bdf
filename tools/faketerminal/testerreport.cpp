#include "testerreport.h"

#include "unicodetext.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace TesterReport {

namespace {

std::string money(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string percent(double part, double whole)
{
    return money(whole > 0 ? part / whole * 100 : 0) + "%";
}

// "N (W%)": N trades of which W% won.
std::string countWithWon(int count, int won)
{
    return std::to_string(count) + " (" + percent(won, count) + ")";
}

std::string countWithShare(int count, int whole)
{
    return std::to_string(count) + " (" + percent(count, whole) + ")";
}

bool writeBytes(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return file.write(bytes.data(), std::streamsize(bytes.size())) && (file.close(), bool(file));
}

std::string mt4Row(const std::string &a, const std::string &av, const std::string &b = {},
                   const std::string &bv = {}, const std::string &c = {}, const std::string &cv = {})
{
    return "<tr align=left><td>" + a + "</td><td align=right>" + av + "</td><td>" + b + "</td><td align=right>" + bv
           + "</td><td>" + c + "</td><td align=right>" + cv + "</td></tr>\n";
}

std::string mt5Cell(const std::string &label, const std::string &value)
{
    return "<td nowrap colspan=3 align=right>" + label + "</td>\n<td nowrap align=right><b>" + value + "</b></td>\n";
}

std::string mt5Setting(const std::string &label, const std::string &value)
{
    return "<tr align=left>\n<td nowrap colspan=3 align=right>" + label
           + "</td>\n<td nowrap colspan=10 align=left><b>" + value + "</b></td>\n</tr>\n";
}

std::string mt5Row(const std::string &cells)
{
    return "<tr align=right>\n" + cells + "</tr>\n";
}

const std::string kMt5Spacer = "<tr><td colspan=13 style=\"height: 10px\"></td></tr>\n";

} // namespace

std::string utf16Bytes(const std::string &utf8)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : UnicodeText::toUtf16(utf8)) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return bytes;
}

std::string spacedMoney(double value)
{
    std::string digits = money(value < 0 ? -value : value);
    for (long i = long(digits.find('.')) - 3; i > 0; i -= 3)
        digits.insert(size_t(i), " ");
    return value < 0 ? "-" + digits : digits;
}

bool writeMt4(const std::filesystem::path &path, const Header &header, const Backtest::Result &result)
{
    std::ostringstream html;
    html << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n"
         << "<html>\n  <head>\n    <title>Strategy Tester: " << header.expert << "</title>\n"
         << "    <meta name=\"generator\" content=\"" << StandIn << "\">\n"
         << "    <meta name=\"server\" content=\"" << StandIn << "\">\n"
         << "    <style type=\"text/css\" media=\"screen\">\n    <!--\n    td { font: 8pt Tahoma,Arial; }\n    //-->\n"
         << "    </style>\n  </head>\n<body topmargin=1 marginheight=1>\n<div align=center>\n"
         << "<div style=\"font: 20pt Times New Roman\"><b>Strategy Tester Report</b></div>\n"
         << "<div style=\"font: 16pt Times New Roman\"><b>" << header.expert << "</b></div>\n"
         << "<div style=\"font: 10pt Times New Roman\"><b>" << StandIn << "</b></div><br>\n\n"
         << "<table width=820 cellspacing=1 cellpadding=3 border=0>\n"
         << "<tr align=left><td colspan=2>Symbol</td><td colspan=4>" << header.symbol << "</td></tr>\n"
         << "<tr align=left><td colspan=2>Period</td><td colspan=4>(" << header.period << ")  " << header.fromDate
         << " 00:00 - " << header.toDate << " 23:59    (" << header.fromDate << " - " << header.toDate
         << ")</td></tr>\n"
         << "<tr align=left><td colspan=2>Model</td><td colspan=4>Open prices only (a 10/30 moving-average cross of "
         << "the " << StandIn << ")</td></tr>\n"
         << mt4Row("Bars in test", std::to_string(result.bars), "Ticks modelled", std::to_string(result.bars),
                   "Modelling quality", "n/a")
         << "<tr height=8><td colspan=6></td></tr>\n"
         << mt4Row("Initial deposit", money(header.deposit), "", "", "Spread", "0")
         << mt4Row("Total net profit", money(result.netProfit()), "Gross profit", money(result.grossProfit), "Gross loss",
                   money(result.grossLoss))
         << mt4Row("Profit factor", money(result.profitFactor()),
                   "Expected payoff", money(result.expectedPayoff()))
         << mt4Row("Absolute drawdown", money(0), "Maximal drawdown",
                   money(result.maxDrawdown) + " (" + money(result.maxDrawdownPercent) + "%)", "Relative drawdown",
                   money(result.maxDrawdownPercent) + "% (" + money(result.maxDrawdown) + ")")
         << "<tr height=8><td colspan=6></td></tr>\n"
         << mt4Row("Total trades", std::to_string(result.trades), "Short positions (won %)",
                   countWithWon(result.shortTrades, result.shortWins), "Long positions (won %)",
                   countWithWon(result.longTrades(), result.wins - result.shortWins))
         << "<tr align=left><td colspan=2 align=right></td><td>Profit trades (% of total)</td><td align=right>"
         << countWithShare(result.wins, result.trades) << "</td><td>Loss trades (% of total)</td><td align=right>"
         << countWithShare(result.losses(), result.trades) << "</td></tr>\n"
         << "</table>\n<br>\n<table width=820 cellspacing=1 cellpadding=3 border=0>\n"
         << "<tr bgcolor=\"#C0C0C0\" align=right><td>#</td><td>Time</td><td>Type</td><td>Order</td><td>Size</td>"
         << "<td>Price</td><td>S / L</td><td>T / P</td><td>Profit</td><td>Balance</td></tr>\n";
    int row = 0;
    int order = 0;
    for (const Backtest::Deal &deal : result.deals) {
        ++row;
        order += deal.entry ? 1 : 0;
        char price[32];
        std::snprintf(price, sizeof price, "%.5f", deal.price);
        html << "<tr" << (row % 2 == 0 ? " bgcolor=\"#E0E0E0\"" : "") << " align=right><td>" << row
             << "</td><td class=msdate>" << Backtest::timeText(deal.time) << "</td><td>"
             << (deal.entry ? (deal.buy ? "buy" : "sell") : "close") << "</td><td>" << order
             << "</td><td class=mspt>" << money(Backtest::Lot) << "</td><td>" << price
             << "</td><td>0.00000</td><td>0.00000</td>";
        if (deal.entry)
            html << "<td colspan=2></td></tr>\n";
        else
            html << "<td class=mspt>" << money(deal.profit) << "</td><td class=mspt>" << money(deal.balance)
                 << "</td></tr>\n";
    }
    html << "</table>\n</div></body></html>\n";
    return writeBytes(path, html.str());
}

bool writeMt5(const std::filesystem::path &path, const Header &header, const Backtest::Result &result)
{
    std::ostringstream html;
    html << "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
         << "<title>" << header.expert << ": Strategy Tester Report (" << StandIn << ")</title>\r\n"
         << "<meta name=\"generator\" content=\"" << StandIn << "\">\r\n</head>\r\n<body>\r\n<div align=center>\r\n"
         << "<div style=\"font: 20pt Tahoma\"><b>Strategy Tester Report</b><br></div>\r\n"
         << "<div style=\"font: 16pt Tahoma\"><b>" << StandIn << "</b><br></div>\r\n"
         << "<table cellspacing=1 cellpadding=3 border=0 width=1000>\r\n"
         << "<tr><th colspan=13><div style=\"font: 10pt Tahoma\"><b>Settings</b></div></th></tr>\r\n"
         << mt5Setting("Expert:", header.expert) << mt5Setting("Symbol:", header.symbol)
         << mt5Setting("Period:", header.period + " (" + header.fromDate + " - " + header.toDate + ")")
         << mt5Setting("Company:", StandIn) << mt5Setting("Currency:", header.currency)
         << mt5Setting("Initial Deposit:", spacedMoney(header.deposit)) << mt5Setting("Leverage:", header.leverage)
         << kMt5Spacer
         << "<tr><th colspan=13><div style=\"font: 10pt Tahoma\"><b>Results</b></div></th></tr>\r\n"
         << mt5Row(mt5Cell("History Quality:", "0%") + mt5Cell("Bars:", std::to_string(result.bars))
                   + mt5Cell("Ticks:", std::to_string(result.bars)))
         << mt5Row(mt5Cell("Total Net Profit:", spacedMoney(result.netProfit()))
                   + mt5Cell("Balance Drawdown Absolute:", spacedMoney(0))
                   + mt5Cell("Equity Drawdown Absolute:", spacedMoney(0)))
         << mt5Row(mt5Cell("Gross Profit:", spacedMoney(result.grossProfit))
                   + mt5Cell("Balance Drawdown Maximal:",
                             spacedMoney(result.maxDrawdown) + " (" + money(result.maxDrawdownPercent) + "%)")
                   + mt5Cell("Equity Drawdown Maximal:",
                             spacedMoney(result.maxDrawdown) + " (" + money(result.maxDrawdownPercent) + "%)"))
         << mt5Row(mt5Cell("Gross Loss:", spacedMoney(result.grossLoss))
                   + mt5Cell("Balance Drawdown Relative:",
                             money(result.maxDrawdownPercent) + "% (" + spacedMoney(result.maxDrawdown) + ")")
                   + mt5Cell("Equity Drawdown Relative:",
                             money(result.maxDrawdownPercent) + "% (" + spacedMoney(result.maxDrawdown) + ")"))
         << kMt5Spacer
         << mt5Row(mt5Cell("Profit Factor:",
                           money(result.profitFactor()))
                   + mt5Cell("Expected Payoff:", money(result.expectedPayoff()))
                   + mt5Cell("Margin Level:", ""))
         << mt5Row(mt5Cell("Recovery Factor:", money(result.maxDrawdown > 0 ? result.netProfit() / result.maxDrawdown : 0))
                   + mt5Cell("Sharpe Ratio:", result.sharpeRatio ? money(*result.sharpeRatio) : "")
                   + mt5Cell("Z-Score:", ""))
         << kMt5Spacer
         << mt5Row(mt5Cell("Total Trades:", std::to_string(result.trades))
                   + mt5Cell("Short Trades (won %):", countWithWon(result.shortTrades, result.shortWins))
                   + mt5Cell("Long Trades (won %):", countWithWon(result.longTrades(), result.wins - result.shortWins)))
         << mt5Row(mt5Cell("Total Deals:", std::to_string(result.deals.size() + 1))
                   + mt5Cell("Profit Trades (% of total):", countWithShare(result.wins, result.trades))
                   + mt5Cell("Loss Trades (% of total):", countWithShare(result.losses(), result.trades)))
         << "</table>\r\n<table cellspacing=1 cellpadding=3 border=0 width=1000>\r\n"
         << "<tr><th colspan=13><div style=\"font: 10pt Tahoma\"><b>Deals</b></div></th></tr>\r\n"
         << "<tr bgcolor=\"#E5F0FC\" align=center><td nowrap><b>Time</b></td><td nowrap><b>Deal</b></td>"
         << "<td nowrap><b>Symbol</b></td><td nowrap><b>Type</b></td><td nowrap><b>Direction</b></td>"
         << "<td nowrap><b>Volume</b></td><td nowrap><b>Price</b></td><td nowrap><b>Order</b></td>"
         << "<td nowrap><b>Commission</b></td><td nowrap><b>Swap</b></td><td nowrap><b>Profit</b></td>"
         << "<td nowrap><b>Balance</b></td><td nowrap><b>Comment</b></td></tr>\r\n";
    const std::string first = result.deals.empty() ? header.fromDate + " 00:00" : Backtest::timeText(result.deals.front().time);
    html << "<tr bgcolor=\"#FFFFFF\" align=right><td>" << first << "</td><td>1</td><td></td><td>balance</td>"
         << "<td></td><td></td><td></td><td></td><td>0.00</td><td>0.00</td><td>" << spacedMoney(header.deposit)
         << "</td><td>" << spacedMoney(header.deposit) << "</td><td></td></tr>\r\n";
    int deal = 1;
    for (const Backtest::Deal &d : result.deals) {
        ++deal;
        char price[32];
        std::snprintf(price, sizeof price, "%.5f", d.price);
        html << "<tr bgcolor=\"" << (deal % 2 == 0 ? "#F7F7F7" : "#FFFFFF") << "\" align=right><td>"
             << Backtest::timeText(d.time) << "</td><td>" << deal << "</td><td>" << header.symbol << "</td><td>"
             << (d.buy ? "buy" : "sell") << "</td><td>" << (d.entry ? "in" : "out") << "</td><td>"
             << money(Backtest::Lot) << "</td><td>" << price << "</td><td>" << deal << "</td><td>0.00</td><td>0.00</td><td>"
             << (d.entry ? "" : spacedMoney(d.profit)) << "</td><td>" << spacedMoney(d.balance)
             << "</td><td></td></tr>\r\n";
    }
    html << "</table>\r\n</div>\r\n</body>\r\n</html>\r\n";
    return writeBytes(path, utf16Bytes(html.str()));
}

} // namespace TesterReport
