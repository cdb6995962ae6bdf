// expect: none
// The risk-sized lot is bounded by the symbol's SYMBOL_VOLUME_MAX.
#include <Trade\Trade.mqh>
CTrade trade;
void OnTick()
  {
   if(PositionsTotal() > 0) return;
   double lots = AccountInfoDouble(ACCOUNT_BALANCE) * 0.01 / 1000;
   lots = MathMin(lots, SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_MAX));
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   if(!trade.Buy(lots, _Symbol, ask, ask - 0.0030, ask + 0.0060))
      Print(trade.ResultRetcode());
  }
