// expect: none
// After a loss the lot is halved, never grown; the risk-sized lot stays within the symbol's limit.
double lots = 0.1;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   double lastProfit = OrderSelect(OrdersHistoryTotal() - 1, SELECT_BY_POS, MODE_HISTORY) ? OrderProfit() : 0;
   if(lastProfit < 0) lots = lots * 0.5;
   else lots = AccountBalance() * 0.01 / 1000;
   lots = MathMin(lots, MarketInfo(Symbol(), MODE_MAXLOT));
   if(OrderSend(Symbol(), OP_BUY, lots, Ask, 3, Ask - 300 * Point, 0) < 0)
      Print(GetLastError());
  }
