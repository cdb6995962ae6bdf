// expect: no-stop-loss:8
#include <Trade\Trade.mqh>
CTrade trade;
void OnTick()
  {
   if(PositionsTotal() > 0)
      return;
   if(!trade.Buy(0.1))
      Print("Buy failed ", trade.ResultRetcode());
  }
