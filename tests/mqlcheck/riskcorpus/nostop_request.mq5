// expect: no-stop-loss:14
void OnTick()
  {
   if(PositionSelect(_Symbol))
      return;
   MqlTradeRequest request = {};
   MqlTradeResult result = {};
   request.action = TRADE_ACTION_DEAL;
   request.symbol = _Symbol;
   request.volume = 0.1;
   request.type = ORDER_TYPE_SELL;
   request.price = SymbolInfoDouble(_Symbol, SYMBOL_BID);
   request.tp = request.price - 500 * _Point;
   if(!OrderSend(request, result))
      Print("failed ", result.retcode);
  }
