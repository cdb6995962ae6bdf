// expect: no-stop-loss:10
// The stop comes from an input, but the input's default is 0: as it comes, no stop at all.
input double StopLossPoints = 0;
input double Lots = 0.1;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   double sl = (StopLossPoints > 0) ? Ask - StopLossPoints * Point : 0.0;
   if(OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, sl, 0) < 0)
      Print(GetLastError());
  }
