// expect: unbounded-lot:13
#include <Trade\Trade.mqh>
CTrade trade;
double CalcLots()
  {
   double equity = AccountInfoDouble(ACCOUNT_EQUITY);
   return(NormalizeDouble(equity / 10000.0, 2));
  }
void OnTick()
  {
   if(PositionsTotal() > 0) return;
   double bid = SymbolInfoDouble(_Symbol, SYMBOL_BID);
   if(!trade.Sell(CalcLots(), _Symbol, bid, bid + 0.0040, bid - 0.0080))
      Print(trade.ResultRetcode());
  }
