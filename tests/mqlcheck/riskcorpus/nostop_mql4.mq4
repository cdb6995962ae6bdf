// expect: no-stop-loss:7
input double Lots = 0.1;
void OnTick()
  {
   if(OrdersTotal() > 0 || iRSI(NULL, 0, 14, PRICE_CLOSE, 1) > 30)
      return;
   int ticket = OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, 0, 0, "buy", 1, 0, clrGreen);
   if(ticket < 0)
      Print("OrderSend failed ", GetLastError());
  }
