// expect: grid:27
#include <Trade\Trade.mqh>
input double InpLots = 0.1;
input double InpStepPoints = 300;
input int InpMaxPositions = 5;
CTrade trade;
double NewestOpenPrice()
  {
   double newest = 0.0;
   datetime when = 0;
   for(int i = PositionsTotal() - 1; i >= 0; i--)
     {
      if(PositionGetTicket(i) == 0 || PositionGetInteger(POSITION_TIME) < when)
         continue;
      when = (datetime)PositionGetInteger(POSITION_TIME);
      newest = PositionGetDouble(POSITION_PRICE_OPEN);
     }
   return(newest);
  }
void OnTick()
  {
   if(PositionsTotal() == 0 || PositionsTotal() >= InpMaxPositions)
      return;
   double bid = SymbolInfoDouble(_Symbol, SYMBOL_BID);
   if(NewestOpenPrice() - bid < InpStepPoints * _Point)
      return;
   if(!trade.Sell(InpLots, _Symbol, bid, bid + 1000 * _Point, 0.0))
      Print(trade.ResultRetcodeDescription());
  }
