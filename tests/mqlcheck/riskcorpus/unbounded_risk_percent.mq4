// expect: unbounded-lot:8
input double RiskPercent = 2.0;
void OnTick()
  {
   if(OrdersTotal() > 0)
      return;
   double lots = NormalizeDouble(AccountBalance() * RiskPercent / 100000, 2);
   int ticket = OrderSend(Symbol(), OP_BUY, lots, Ask, 3, Ask - 300 * Point, Ask + 600 * Point);
   if(ticket < 0)
      Print(GetLastError());
  }
