// expect: unchecked-trade:13
void OnTick()
  {
   if(PositionsTotal() > 0) return;
   MqlTradeRequest request = {};
   MqlTradeResult result = {};
   request.action = TRADE_ACTION_DEAL;
   request.symbol = _Symbol;
   request.volume = 0.1;
   request.type = ORDER_TYPE_BUY;
   request.price = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   request.sl = request.price - 300 * _Point;
   OrderSend(request, result);
   Print("sent");
  }
