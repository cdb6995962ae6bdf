// expect: grid:24
// Adds a buy each time the price fell GridPoints below the newest buy.
input double Lots = 0.01;
input int GridPoints = 150;
input int MaxOrders = 6;
void OnTick()
  {
   double lastOpen = 0;
   int count = 0;
   for(int i = OrdersTotal() - 1; i >= 0; i--)
     {
      if(!OrderSelect(i, SELECT_BY_POS, MODE_TRADES) || OrderSymbol() != Symbol())
         continue;
      count++;
      if(lastOpen == 0 || OrderOpenPrice() < lastOpen)
         lastOpen = OrderOpenPrice();
     }
   if(count == 0 || count >= MaxOrders)
      return;
   if(Ask <= lastOpen - GridPoints * Point)
     {
      RefreshRates();
      int ticket =
         OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, Ask - 1000 * Point, 0, "add-on");
      if(ticket < 0)
         Print(GetLastError());
     }
  }
