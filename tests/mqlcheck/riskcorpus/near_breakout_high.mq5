// expect: none
// One buy stop above the recent high, not a ladder of them.
#include <Trade\Trade.mqh>
input int InpBars = 20;
input double InpOffset = 50;
CTrade trade;
void OnTick()
  {
   if(OrdersTotal() > 0 || PositionsTotal() > 0)
      return;
   double high = iHigh(_Symbol, PERIOD_CURRENT, iHighest(_Symbol, PERIOD_CURRENT, MODE_HIGH, InpBars, 1));
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   if(ask < high)
     {
      double price = high + InpOffset * _Point;
      if(!trade.BuyStop(0.1, price, _Symbol, price - 500 * _Point, price + 1000 * _Point))
         Print(trade.ResultRetcodeDescription());
     }
  }
