// expect: none
// The stop follows the price once it moved beyond the open price: no order is opened there.
input int TrailingPoints = 200;
void OnTick()
  {
   for(int i = OrdersTotal() - 1; i >= 0; i--)
     {
      if(!OrderSelect(i, SELECT_BY_POS, MODE_TRADES) || OrderType() != OP_BUY)
         continue;
      if(Bid - OrderOpenPrice() > TrailingPoints * Point && OrderStopLoss() < Bid - TrailingPoints * Point)
        {
         if(!OrderModify(OrderTicket(), OrderOpenPrice(), Bid - TrailingPoints * Point, OrderTakeProfit(), 0))
            Print(GetLastError());
        }
     }
   if(OrdersTotal() == 0 && OrderSend(Symbol(), OP_BUY, 0.1, Ask, 3, Ask - 300 * Point, 0) < 0)
      Print(GetLastError());
  }
