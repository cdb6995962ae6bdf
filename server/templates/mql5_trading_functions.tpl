//+------------------------------------------------------------------+
//| Checks the trading inputs every strategy shares, sets up CTrade  |
//+------------------------------------------------------------------+
bool InitTrading()
  {
   if(InpLots <= 0.0 || InpStopLoss < 0 || InpTakeProfit < 0 || InpSlippage < 0)
     {
      Print("Lots must be positive; stop loss, take profit and slippage not negative");
      return(false);
     }
   ExtTrade.SetExpertMagicNumber(InpMagicNumber);
   ExtTrade.SetDeviationInPoints((ulong)InpSlippage);
   ExtTrade.SetTypeFillingBySymbol(_Symbol);
   return(true);
  }
//+------------------------------------------------------------------+
//| Holds one position in the signal's direction                     |
//+------------------------------------------------------------------+
void FollowSignal(const ENUM_SIGNAL signal)
  {
   if(signal == SIGNAL_NONE)
      return;
   ENUM_POSITION_TYPE wanted   = (signal == SIGNAL_BUY) ? POSITION_TYPE_BUY : POSITION_TYPE_SELL;
   ENUM_POSITION_TYPE opposite = (signal == SIGNAL_BUY) ? POSITION_TYPE_SELL : POSITION_TYPE_BUY;
   ClosePositions(opposite);
   if(!HasPosition(wanted))
      OpenPosition(wanted);
  }
//+------------------------------------------------------------------+
//| Selects the position at index: true if it is this EA's, on this  |
//| symbol, of this type                                             |
//+------------------------------------------------------------------+
bool SelectOurs(const int index, const ENUM_POSITION_TYPE type)
  {
   return(PositionGetTicket(index) != 0
          && PositionGetString(POSITION_SYMBOL) == _Symbol
          && (ulong)PositionGetInteger(POSITION_MAGIC) == InpMagicNumber
          && (ENUM_POSITION_TYPE)PositionGetInteger(POSITION_TYPE) == type);
  }
//+------------------------------------------------------------------+
bool HasPosition(const ENUM_POSITION_TYPE type)
  {
   for(int i = PositionsTotal() - 1; i >= 0; i--)
      if(SelectOurs(i, type))
         return(true);
   return(false);
  }
//+------------------------------------------------------------------+
void ClosePositions(const ENUM_POSITION_TYPE type)
  {
   for(int i = PositionsTotal() - 1; i >= 0; i--)
     {
      if(!SelectOurs(i, type))
         continue;
      ulong ticket = (ulong)PositionGetInteger(POSITION_TICKET);
      if(!ExtTrade.PositionClose(ticket))
         PrintFormat("Closing position %I64u failed: %s", ticket, ExtTrade.ResultRetcodeDescription());
     }
  }
//+------------------------------------------------------------------+
void OpenPosition(const ENUM_POSITION_TYPE type)
  {
   bool   buy   = (type == POSITION_TYPE_BUY);
   double price = buy ? SymbolInfoDouble(_Symbol, SYMBOL_ASK) : SymbolInfoDouble(_Symbol, SYMBOL_BID);
   double sign  = buy ? 1.0 : -1.0;
   double sl    = (InpStopLoss > 0) ? NormalizeDouble(price - sign * InpStopLoss * _Point, _Digits) : 0.0;
   double tp    = (InpTakeProfit > 0) ? NormalizeDouble(price + sign * InpTakeProfit * _Point, _Digits) : 0.0;
   bool   sent  = buy ? ExtTrade.Buy(NormalizedLots(), _Symbol, price, sl, tp, "TavrinAI")
                      : ExtTrade.Sell(NormalizedLots(), _Symbol, price, sl, tp, "TavrinAI");
   if(!sent)
      PrintFormat("Opening the position failed: %s", ExtTrade.ResultRetcodeDescription());
  }
//+------------------------------------------------------------------+
//| InpLots rounded down to the symbol's volume step, within limits  |
//+------------------------------------------------------------------+
double NormalizedLots()
  {
   double step = SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_STEP);
   double lots = MathFloor(InpLots / step) * step;
   return(MathMax(SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_MIN),
                  MathMin(lots, SymbolInfoDouble(_Symbol, SYMBOL_VOLUME_MAX))));
  }
