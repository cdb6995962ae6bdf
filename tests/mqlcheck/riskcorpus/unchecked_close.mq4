// expect: unchecked-trade:7
void OnTick()
  {
   for(int i = OrdersTotal() - 1; i >= 0; i--)
     {
      if(OrderSelect(i, SELECT_BY_POS) && OrderProfit() > 10)
         OrderClose(OrderTicket(), OrderLots(), Bid, 3);
     }
  }
