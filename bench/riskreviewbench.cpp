// The risk review of a 5,000-line Expert Advisor, the size of a large generated program: a
// hundred strategies, each with its lot sizing, its signal, its order at a price step and its
// retry loop, so that every rule has work to do.

#include "benchsupport.h"

#include <riskreview.h>

#include <algorithm>
#include <ctime>
#include <string>

namespace {

constexpr int kLines = 5000;

// One strategy, "#" standing for its number.
constexpr const char *kStrategy = R"(input double InpLots_# = 0.1; // base lot of strategy #
double LastProfit_# = 0.0;
datetime LastBar_# = 0;
//+------------------------------------------------------------------+
//| Strategy #: the lot grows with the balance, and after a loss    |
//+------------------------------------------------------------------+
double LotFor_#(const double balance)
  {
   double risk = balance * 0.01;
   double lots = NormalizeDouble(risk / 1000.0, 2);
   if(LastProfit_# < 0)
      lots = InpLots_# * 1.5;
   return(lots);
  }
//+------------------------------------------------------------------+
bool Signal_#(const int handle, bool &buy)
  {
   double fast[2];
   if(CopyBuffer(handle, 0, 1, 2, fast) != 2)
      return(false);
   buy = fast[1] > fast[0]; /* "rising" */
   return(fast[1] != fast[0]);
  }
//+------------------------------------------------------------------+
void Trade_#(const int handle)
  {
   bool buy = false;
   if(!Signal_#(handle, buy))
      return;
   MqlTradeRequest request = {};
   MqlTradeResult  result  = {};
   request.action = TRADE_ACTION_DEAL;
   request.symbol = _Symbol;
   request.volume = LotFor_#(AccountInfoDouble(ACCOUNT_BALANCE));
   request.type   = buy ? ORDER_TYPE_BUY : ORDER_TYPE_SELL;
   request.price  = SymbolInfoDouble(_Symbol, buy ? SYMBOL_ASK : SYMBOL_BID);
   request.sl     = buy ? request.price - 300 * _Point : request.price + 300 * _Point;
   if(MathAbs(SymbolInfoDouble(_Symbol, SYMBOL_BID) - PositionGetDouble(POSITION_PRICE_OPEN)) < 200 * _Point)
      return;
   int tries = 0;
   while(true)
     {
      if(OrderSend(request, result) || ++tries > 3)
         break;
      Sleep(100);
     }
   if(result.retcode != TRADE_RETCODE_DONE)
      PrintFormat("strategy #: order refused, %u", result.retcode);
  }
)";

std::string program()
{
    std::string text = "#property version \"1.00\"\nint OnInit() { return(INIT_SUCCEEDED); }\n";
    std::string onTick = "void OnTick()\n  {\n";
    for (int strategy = 0; std::count(text.begin(), text.end(), '\n') + 200 < kLines; ++strategy) {
        std::string block = kStrategy;
        const std::string number = std::to_string(strategy);
        for (std::size_t at = block.find('#'); at != std::string::npos; at = block.find('#', at + number.size()))
            block.replace(at, 1, number);
        text += block;
        onTick += "   Trade_" + number + "(" + number + ");\n";
    }
    text += onTick + "  }\n";
    while (std::count(text.begin(), text.end(), '\n') < kLines)
        text += "// end\n";
    return text;
}

void review(benchmark::State &state)
{
    const std::string source = program();
    std::size_t findings = 0;
    // The machine is shared: its CPU time tells the review's own cost when others run too.
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        const std::vector<mqlcheck::RiskFinding> found = mqlcheck::reviewRisks(source, mqlcheck::Language::Mql5);
        findings = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    if (findings == 0)
        state.SkipWithError("the review found none of the program's risks");
    state.counters["findings [count]"] = double(findings);
    state.counters["CPU time per review [ms]"] =
        double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / double(state.iterations());
}

} // namespace

int main(int argc, char *argv[])
{
    benchmark::RegisterBenchmark("risk review: a 5,000-line Expert Advisor", review)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(0.5);
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
