// expect: none
// The same stop from an input with a default of its own.
input double StopLossPoints = 300;
input double Lots = 0.1;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   double sl = (StopLossPoints > 0) ? Ask - StopLossPoints * Point : 0.0;
   if(OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, sl, 0) < 0)
      Print(GetLastError());
  }
