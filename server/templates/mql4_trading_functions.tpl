//+------------------------------------------------------------------+
//| Checks the trading inputs every strategy shares                  |
//+------------------------------------------------------------------+
bool InitTrading()
  {
   if(InpLots <= 0.0 || InpStopLoss < 0 || InpTakeProfit < 0 || InpSlippage < 0)
     {
      Print("Lots must be positive; stop loss, take profit and slippage not negative");
      return(false);
     }
   return(true);
  }
//+------------------------------------------------------------------+
//| True on the first tick of each bar                               |
//+------------------------------------------------------------------+
bool IsNewBar()
  {
   datetime bar_time = iTime(_Symbol, _Period, 0);
   if(bar_time == ExtLastBarTime)
      return(false);
   ExtLastBarTime = bar_time;
   return(true);
  }
//+------------------------------------------------------------------+
//| Holds one position in the signal's direction                     |
//+------------------------------------------------------------------+
void FollowSignal(const ENUM_SIGNAL signal)
  {
   if(signal == SIGNAL_NONE)
      return;
   int wanted   = (signal == SIGNAL_BUY) ? OP_BUY : OP_SELL;
   int opposite = (signal == SIGNAL_BUY) ? OP_SELL : OP_BUY;
   ClosePositions(opposite);
   if(!HasPosition(wanted))
      OpenPosition(wanted);
  }
//+------------------------------------------------------------------+
//| The selected order is this EA's, on this symbol, of this type    |
//+------------------------------------------------------------------+
bool IsOurs(const int type)
  {
   return(OrderSymbol() == _Symbol && OrderMagicNumber() == InpMagicNumber && OrderType() == type);
  }
//+------------------------------------------------------------------+
bool HasPosition(const int type)
  {
   for(int i = OrdersTotal() - 1; i >= 0; i--)
      if(OrderSelect(i, SELECT_BY_POS, MODE_TRADES) && IsOurs(type))
         return(true);
   return(false);
  }
//+------------------------------------------------------------------+
void ClosePositions(const int type)
  {
   for(int i = OrdersTotal() - 1; i >= 0; i--)
     {
      if(!OrderSelect(i, SELECT_BY_POS, MODE_TRADES) || !IsOurs(type))
         continue;
      RefreshRates();
      double price = (type == OP_BUY) ? Bid : Ask;
      if(!OrderClose(OrderTicket(), OrderLots(), price, InpSlippage, clrNONE))
         PrintFormat("OrderClose failed for ticket %d, error %d", OrderTicket(), GetLastError());
     }
  }
//+------------------------------------------------------------------+
void OpenPosition(const int type)
  {
   RefreshRates();
   double price = (type == OP_BUY) ? Ask : Bid;
   double sign  = (type == OP_BUY) ? 1.0 : -1.0;
   double sl    = (InpStopLoss > 0) ? NormalizeDouble(price - sign * InpStopLoss * _Point, _Digits) : 0.0;
   double tp    = (InpTakeProfit > 0) ? NormalizeDouble(price + sign * InpTakeProfit * _Point, _Digits) : 0.0;
   int ticket = OrderSend(_Symbol, type, NormalizedLots(), price, InpSlippage, sl, tp,
                          "TavrinAI", InpMagicNumber, 0, (type == OP_BUY) ? clrDodgerBlue : clrOrangeRed);
   if(ticket < 0)
      PrintFormat("OrderSend failed, error %d", GetLastError());
  }
//+------------------------------------------------------------------+
//| InpLots rounded down to the symbol's lot step, within its limits |
//+------------------------------------------------------------------+
double NormalizedLots()
  {
   double step = MarketInfo(_Symbol, MODE_LOTSTEP);
   double lots = MathFloor(InpLots / step) * step;
   return(MathMax(MarketInfo(_Symbol, MODE_MINLOT), MathMin(lots, MarketInfo(_Symbol, MODE_MAXLOT))));
  }
