// expect: none
// The result is read right after the call.
#include <Trade\Trade.mqh>
CTrade trade;
void OnTick()
  {
   if(PositionsTotal() > 0) return;
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   trade.Buy(0.1, _Symbol, ask, ask - 0.0030, ask + 0.0030);
   if(trade.ResultRetcode() != TRADE_RETCODE_DONE)
      Print("Buy failed: ", trade.ResultRetcodeDescription());
  }
