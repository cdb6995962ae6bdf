input double             InpLots         = {{Lots}};         // Lot size
input int                InpStopLoss     = {{StopLoss}};     // Stop loss, points (0 = none)
input int                InpTakeProfit   = {{TakeProfit}};   // Take profit, points (0 = none)
input int                InpSlippage     = 10;             // Maximum slippage, points
input ulong              InpMagicNumber  = 250101;          // Marks this EA's positions

enum ENUM_SIGNAL
  {
   SIGNAL_NONE,
   SIGNAL_BUY,
   SIGNAL_SELL
  };

CTrade   ExtTrade;
datetime ExtLastBarTime = 0;
