// expect: no-stop-loss:9
double StopPrice = 0.0;
void OnTick()
  {
   static datetime last = 0;
   if(Time[0] == last)
      return;
   last = Time[0];
   if(OrderSend(Symbol(), OP_SELL, 0.1, Bid, 3, StopPrice, Bid - 100 * Point) < 0)
      Print(GetLastError());
  }
