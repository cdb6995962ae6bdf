// expect: grid:15
input double Lots = 0.1;
input int Levels = 5;
input int StepPoints = 200;
input int StopPoints = 400;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   double base = Ask;
   for(int i = 1; i <= Levels; i++)
     {
      double price = base + i * StepPoints * Point;
      int ticket =
         OrderSend(Symbol(), OP_BUYSTOP, Lots, price, 3, price - StopPoints * Point, 0, "ladder");
      if(ticket < 0)
         Print("OrderSend failed: ", GetLastError());
     }
  }
