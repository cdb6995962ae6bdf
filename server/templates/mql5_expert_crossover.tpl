/*
   Moving average crossover Expert Advisor for MetaTrader 5, written by the TavrinAI
   development service: buys when the fast average crosses above the slow one, sells when
   it crosses below.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#include <Trade\Trade.mqh>

input int                InpFastPeriod   = {{FastPeriod}};   // Fast MA period
input int                InpSlowPeriod   = {{SlowPeriod}};   // Slow MA period
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};     // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
{{TradingDeclarations}}
int ExtFastHandle = INVALID_HANDLE;
int ExtSlowHandle = INVALID_HANDLE;

//+------------------------------------------------------------------+
//| Expert initialization function                                   |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpFastPeriod < 1 || InpSlowPeriod <= InpFastPeriod)
     {
      Print("The fast period must be at least 1 and shorter than the slow period");
      return(INIT_PARAMETERS_INCORRECT);
     }
   if(!InitTrading())
      return(INIT_PARAMETERS_INCORRECT);
   ExtFastHandle = iMA(_Symbol, _Period, InpFastPeriod, 0, InpMaMethod, InpAppliedPrice);
   ExtSlowHandle = iMA(_Symbol, _Period, InpSlowPeriod, 0, InpMaMethod, InpAppliedPrice);
   if(ExtFastHandle == INVALID_HANDLE || ExtSlowHandle == INVALID_HANDLE)
     {
      PrintFormat("Cannot create the MA handles, error %d", GetLastError());
      return(INIT_FAILED);
     }
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Expert deinitialization function                                 |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtFastHandle);
   IndicatorRelease(ExtSlowHandle);
  }
//+------------------------------------------------------------------+
//| Expert tick function                                             |
//+------------------------------------------------------------------+
void OnTick()
  {
//--- signals come from closed bars, so one look per bar is enough
   datetime bar_time = iTime(_Symbol, _Period, 0);
   if(bar_time == ExtLastBarTime)
      return;
   ENUM_SIGNAL signal = SIGNAL_NONE;
   if(!ReadSignal(signal))
      return; // the indicators are not ready yet: look again on the next tick
   ExtLastBarTime = bar_time;
   FollowSignal(signal);
  }
//+------------------------------------------------------------------+
//| The fast average crossing the slow one on the last closed bar    |
//+------------------------------------------------------------------+
bool ReadSignal(ENUM_SIGNAL &signal)
  {
   double fast[2];
   double slow[2];
//--- [1] is the last closed bar, [0] the bar before it
   if(CopyBuffer(ExtFastHandle, 0, 1, 2, fast) != 2 || CopyBuffer(ExtSlowHandle, 0, 1, 2, slow) != 2)
      return(false);
   signal = SIGNAL_NONE;
   if(fast[0] <= slow[0] && fast[1] > slow[1])
      signal = SIGNAL_BUY;
   else
      if(fast[0] >= slow[0] && fast[1] < slow[1])
         signal = SIGNAL_SELL;
   return(true);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}