// expect: unchecked-trade:10 unchecked-trade:12
#include <Trade\Trade.mqh>
CTrade trade;
void OnTick()
  {
   if(!PositionSelect(_Symbol))
      return;
   double profit = PositionGetDouble(POSITION_PROFIT);
   if(profit > 100)
      trade.PositionClose(_Symbol);
   else if(profit > 50)
      trade.PositionModify(_Symbol, PositionGetDouble(POSITION_PRICE_OPEN), 0);
  }
