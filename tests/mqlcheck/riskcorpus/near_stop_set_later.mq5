// expect: none
// The stop is set by PositionModify right after the open.
#include <Trade\Trade.mqh>
CTrade trade;
void OnTick()
  {
   if(PositionsTotal() > 0)
      return;
   if(!trade.Buy(0.1))
      return;
   double sl = SymbolInfoDouble(_Symbol, SYMBOL_BID) - 300 * _Point;
   if(!trade.PositionModify(_Symbol, sl, 0.0))
      Print("PositionModify failed ", trade.ResultRetcode());
  }
