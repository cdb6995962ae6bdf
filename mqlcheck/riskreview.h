#pragma once

// A review of an MQL4/MQL5 program for what may cost the trader who runs it money or
// privacy: the things a compiler accepts without a word. Plain standard C++, like the checks.
//
// The review reads the source as text, outside comments and strings, and knows no types and
// no values; where a rule has to guess, it guesses towards silence, and its explanation says
// "heuristic". A program split over include files is reviewed one file at a time.
//
// The rules (the ids are stable: services send them, clients key their texts on them):
//
// dll-import       A '#import "NAME"' whose NAME does not end in ".ex4" or ".ex5" (those are
//                  compiled MQL libraries; anything else is a DLL).
// network          A call of WebRequest, SendFTP, SendMail or a function whose name starts with
//                  "Socket" (SocketCreate, SocketSend, ...), unless the program defines a
//                  function of that name itself. SendNotification (a push to the trader's own
//                  phone) is not one.
// account-data-out A call of a function whose name starts with "Account" (AccountInfoDouble,
//                  AccountBalance, AccountNumber, ...) or a use of CAccountInfo, in a program
//                  with a network finding. Heuristic: the data's way is not traced.
// common-files     FILE_COMMON anywhere in the code: files in the folder all terminals share.
// no-stop-loss     An order opened with a stop loss of zero (0, 0.0, NULL, a value computed
//                  from inputs that all default to zero, or a variable only ever assigned such
//                  values) or none: the MQL4 OrderSend's sixth argument, the
//                  ".sl" of an MQL5 OrderSend's request that opens (".action" set to
//                  TRADE_ACTION_DEAL or TRADE_ACTION_PENDING, no ".position"; the fields set in
//                  the function of the call, or anywhere when it sets none) never set to
//                  non-zero, or the stop argument of CTrade's Buy, Sell, BuyLimit, BuyStop,
//                  SellLimit, SellStop, PositionOpen or OrderOpen left out or zero; and nowhere
//                  a stop set later: an OrderModify or PositionModify with a non-zero stop, or
//                  TRADE_ACTION_SLTP. Heuristic.
// martingale       A lot (a name containing "lot" or "volume", OrderLots()) multiplied by a
//                  factor (a number above 1 or any name or call), multiplied in place, or added
//                  to itself, either in the branch of an if or a ?: taken after a loss (a name
//                  containing "profit" compared below zero, or a name containing "loss" or
//                  "losing" other than a stop loss; or the else of a profit compared above
//                  zero) or in a statement that names such a loss. Heuristic.
// grid             An order opened (as no-stop-loss finds them) where the program adds positions
//                  at price steps: the opening, or a call of a function of the program that
//                  reaches one, in the branch of an if whose condition compares a current price
//                  (Ask, Bid, SYMBOL_ASK, SYMBOL_BID, Close[...], iClose, a tick's .ask or .bid)
//                  with an open price (OrderOpenPrice, POSITION_PRICE_OPEN, ORDER_PRICE_OPEN,
//                  PriceOpen, a name holding "lastprice", "last_price" or "lastopen") offset by a
//                  distance (a + or - in the condition, or an open price name assigned one), or
//                  after such an if whose branch returns or continues; an order whose price is
//                  such an offset open price; or an order in a for loop whose price is a multiple
//                  of the loop's variable ("i * step"). Names and functions assigned or returning
//                  those prices count as them. Stops moved from the open price open nothing, a
//                  single order above a high names no open price. Heuristic.
// unbounded-lot    The volume of an order (as no-stop-loss finds them) computed at run time: its
//                  expression, or what the names and functions in it are assigned or return,
//                  with *, / or + in it; and never bounded: the program does not read
//                  SYMBOL_VOLUME_MAX or MODE_MAXLOT, and no MathMin or fmin takes the volume or
//                  one of those names, nor is one compared with "name > bound". Heuristic.
// order-storm      An order opened in a function reached from OnTick (or an MQL4 start()),
//                  where none of the functions reached from there looks at open positions or
//                  orders (OrdersTotal, PositionsTotal, PositionSelect, OrderSelect, ...), the
//                  bar (iTime, Bars, Time[...], CopyTime, CopyRates, ...) or the clock
//                  (TimeCurrent, GetTickCount, ...), and no name assigned after the order in its function is
//                  tested by an if or a while there (a flag or a counter). Heuristic.
// unchecked-trade  A call of an order function (OrderSend, OrderSendAsync, OrderClose,
//                  OrderCloseBy, OrderModify, OrderDelete; CTrade's trading methods) as a
//                  statement of its own, whose next statement neither calls GetLastError nor
//                  reads ResultRetcode, ResultDeal, ResultOrder or a result's retcode.
// endless-loop     A while(true), while(1), do ... while(true) or for(;;) whose body has no
//                  break, no return and no IsStopped().
//
// One finding per rule and subject (the DLL, the function, the lot), at its first place; one
// network finding, at the first call, and one account-data-out.

#include "mqlcheck.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace mqlcheck {

namespace risk {
constexpr std::string_view DllImport = "dll-import";
constexpr std::string_view Network = "network";
constexpr std::string_view AccountDataOut = "account-data-out";
constexpr std::string_view CommonFiles = "common-files";
constexpr std::string_view NoStopLoss = "no-stop-loss";
constexpr std::string_view Martingale = "martingale";
constexpr std::string_view Grid = "grid";
constexpr std::string_view UnboundedLot = "unbounded-lot";
constexpr std::string_view OrderStorm = "order-storm";
constexpr std::string_view UncheckedTrade = "unchecked-trade";
constexpr std::string_view EndlessLoop = "endless-loop";

constexpr std::array<std::string_view, 11> rules = {DllImport,    Network,        AccountDataOut,
                                                    CommonFiles,  NoStopLoss,     Martingale,
                                                    Grid,         UnboundedLot,   OrderStorm,
                                                    UncheckedTrade, EndlessLoop};
} // namespace risk

struct RiskFinding {
    std::string rule;        // one of risk::rules
    int line = 0;            // 1-based
    std::string subject;     // what it is about: the DLL's name, the function, the lot, the loop
    std::string explanation; // UTF-8, English, one sentence naming the subject, no line number
};

// Reviews one program's UTF-8 text; a leading byte-order mark is ignored. Findings come in the
// order of their lines, then of risk::rules.
std::vector<RiskFinding> reviewRisks(std::string_view utf8Source, Language language);

// The rule's explanation with "%1" where the subject goes, as reviewRisks fills it in; empty
// for an unknown rule. For those who word the explanation in another language.
std::string_view riskExplanationFormat(std::string_view rule);

} // namespace mqlcheck
