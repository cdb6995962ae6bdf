// expect: martingale:12
#include <Trade\Trade.mqh>
CTrade trade;
double currentLot = 0.01;
void OnTick()
  {
   if(PositionsTotal() > 0 || !HistorySelect(0, TimeCurrent()))
      return;
   ulong deal = HistoryDealGetTicket(HistoryDealsTotal() - 1);
   if(deal > 0 && HistoryDealGetDouble(deal, DEAL_PROFIT) < 0)
     {
      currentLot *= 2.0;
     }
   currentLot = MathMin(currentLot, 5.0);
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   if(!trade.Buy(currentLot, _Symbol, ask, ask - 0.0050, ask + 0.0050))
      Print(trade.ResultRetcodeDescription());
  }
