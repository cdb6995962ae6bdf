// expect: none
// The take profit is a fixed distance from the open price; reaching it closes, never adds.
input int TakeProfitPoints = 400;
void OnTick()
  {
   if(OrdersTotal() == 0)
     {
      if(OrderSend(Symbol(), OP_BUY, 0.1, Ask, 3, Ask - 300 * Point, 0) < 0)
         Print(GetLastError());
      return;
     }
   if(!OrderSelect(0, SELECT_BY_POS, MODE_TRADES))
      return;
   double target = OrderOpenPrice() + TakeProfitPoints * Point;
   if(Bid >= target)
     {
      if(!OrderClose(OrderTicket(), OrderLots(), Bid, 3))
         Print(GetLastError());
     }
  }
