// expect: none
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   int ticket = OrderSend(Symbol(), OP_BUY, 0.1, Ask, 3, 0, 0);
   if(ticket < 0 || !OrderSelect(ticket, SELECT_BY_TICKET))
      return;
   if(!OrderModify(ticket, OrderOpenPrice(), OrderOpenPrice() - 200 * Point, 0, 0))
      Print("OrderModify failed ", GetLastError());
  }
