// expect: order-storm:7
int init() { return(0); }
int start()
  {
   double ma = iMA(NULL, 0, 20, 0, MODE_SMA, PRICE_CLOSE, 0);
   if(Bid < ma)
      if(OrderSend(Symbol(), OP_SELL, 0.1, Bid, 3, Bid + 200 * Point, Bid - 200 * Point) < 0)
         Print(GetLastError());
   return(0);
  }
