// expect: unbounded-lot:15
input double Risk = 0.02;
void OnTick()
  {
   if(PositionSelect(_Symbol)) return;
   MqlTradeRequest req = {};
   MqlTradeResult res = {};
   double free = AccountInfoDouble(ACCOUNT_MARGIN_FREE);
   req.action = TRADE_ACTION_DEAL;
   req.symbol = _Symbol;
   req.type = ORDER_TYPE_BUY;
   req.price = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   req.sl = req.price - 400 * _Point;
   req.volume = NormalizeDouble(free * Risk / 1000, 2);
   if(!OrderSend(req, res) || res.retcode != TRADE_RETCODE_DONE)
      Print("failed ", res.retcode);
  }
