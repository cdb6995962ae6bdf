input double             InpLots         = {{Lots}};         // Lot size
input int                InpStopLoss     = {{StopLoss}};     // Stop loss, points (0 = none)
input int                InpTakeProfit   = {{TakeProfit}};   // Take profit, points (0 = none)
input int                InpSlippage     = 10;             // Maximum slippage, points
input int                InpMagicNumber  = 250101;          // Marks this EA's orders

enum ENUM_SIGNAL
  {
   SIGNAL_NONE,
   SIGNAL_BUY,
   SIGNAL_SELL
  };

datetime ExtLastBarTime = 0;
