// expect: martingale:11
#include <Trade\Trade.mqh>
CTrade trade;
double lastProfit = 0;
double lots = 0.1;
void OnTick()
  {
   if(PositionSelect(_Symbol))
      return;
   double price = SymbolInfoDouble(_Symbol, SYMBOL_BID);
   lots = lastProfit < 0 ? lots * 2 : 0.1;
   if(lots > 1.0) lots = 1.0;
   if(!trade.Sell(lots, _Symbol, price, price + 0.0030, price - 0.0030))
      Print(trade.ResultRetcode());
  }
