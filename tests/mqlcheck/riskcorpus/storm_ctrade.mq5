// expect: order-storm:7
#include <Trade\Trade.mqh>
CTrade trade;
void OpenTrade(double sl, double tp)
  {
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   if(!trade.Buy(0.1, _Symbol, ask, sl, tp))
      Print(trade.ResultRetcodeDescription());
  }
void OnTick()
  {
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   if(iClose(_Symbol, _Period, 1) > iOpen(_Symbol, _Period, 1))
      OpenTrade(ask - 0.0020, ask + 0.0040);
  }
