// expect: no-stop-loss:9 unchecked-trade:11
#include <Trade\Trade.mqh>
CTrade trade;
input double InpStopLoss = 0.0;
void Open(const int direction)
  {
   double price = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   double sl = (InpStopLoss > 0.0) ? price - InpStopLoss * _Point : 0.0;
   bool sent = (direction > 0) ? trade.Buy(0.1, _Symbol, price, sl)
                               : trade.Sell(0.1, _Symbol, price, sl);
   trade.Buy(0.1); trade.Sell(0.1);
  }
void OnTick()
  {
   if(PositionsTotal() == 0)
      Open(1);
  }
