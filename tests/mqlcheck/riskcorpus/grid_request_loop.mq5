// expect: grid:20
input double InpVolume = 0.1;
input int InpOrders = 4;
input double InpStep = 100;
void OnInit()
  {
   MqlTradeRequest request = {};
   MqlTradeResult result = {};
   double ask = SymbolInfoDouble(_Symbol, SYMBOL_ASK);
   for(int k = 0; k < InpOrders; k++)
     {
      request.action = TRADE_ACTION_PENDING;
      request.symbol = _Symbol;
      request.type = ORDER_TYPE_BUY_LIMIT;
      request.volume = InpVolume;
      request.price = NormalizeDouble(ask - (k + 1) * InpStep * _Point, _Digits);
      request.sl = request.price - 500 * _Point;
      request.tp = 0;
      ZeroMemory(result);
      if(!OrderSend(request, result))
         Print(result.retcode);
     }
  }
