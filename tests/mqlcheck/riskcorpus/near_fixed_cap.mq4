// expect: none
// A fixed cap on the computed lot.
input double MaxLots = 2.0;
void OnTick()
  {
   if(OrdersTotal() > 0) return;
   double lots = AccountEquity() / 5000;
   if(lots > MaxLots) lots = MaxLots;
   if(OrderSend(Symbol(), OP_SELL, lots, Bid, 3, Bid + 300 * Point, 0) < 0)
      Print(GetLastError());
  }
