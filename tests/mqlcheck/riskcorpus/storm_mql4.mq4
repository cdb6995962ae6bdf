// expect: order-storm:6
void OnTick()
  {
   if(Close[1] > Open[1] && Close[2] < Open[2])
     {
      int ticket = OrderSend(Symbol(), OP_BUY, 0.1, Ask, 3, Ask - 200 * Point, Ask + 400 * Point);
      if(ticket < 0)
         Print("OrderSend failed ", GetLastError());
     }
  }
