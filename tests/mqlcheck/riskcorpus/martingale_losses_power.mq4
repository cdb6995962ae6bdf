// expect: martingale:9 unbounded-lot:10
input double InpLots = 0.1;
int consecutiveLosses = 0;
void OnTick()
  {
   static datetime bar = 0;
   if(Time[0] == bar) return;
   bar = Time[0];
   double lot = NormalizeDouble(InpLots * MathPow(2, consecutiveLosses), 2);
   if(OrderSend(Symbol(), OP_BUY, lot, Ask, 3, Ask - 200 * Point, 0) < 0)
      Print(GetLastError());
  }
