// expect: martingale:11
input double BaseLots = 0.1;
input double Multiplier = 2.0;
double lots = BaseLots;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   if(OrderSelect(OrdersHistoryTotal() - 1, SELECT_BY_POS, MODE_HISTORY))
     {
      if(OrderProfit() < 0) lots = OrderLots() * Multiplier;
      else lots = BaseLots;
     }
   lots = MathMin(lots, MarketInfo(Symbol(), MODE_MAXLOT));
   if(OrderSend(Symbol(), OP_BUY, lots, Ask, 3, Ask - 300 * Point, Ask + 300 * Point) < 0)
      Print(GetLastError());
  }
