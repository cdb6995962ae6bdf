/*
   Moving average Expert Advisor for MetaTrader 5, written by the TavrinAI development
   service: buys when a bar closes above the average, sells when one closes below it.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#include <Trade\Trade.mqh>

input int                InpMaPeriod     = {{MaPeriod}};   // MA period
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};   // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;    // Applied price
{{TradingDeclarations}}
int ExtMaHandle = INVALID_HANDLE;

//+------------------------------------------------------------------+
//| Expert initialization function                                   |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpMaPeriod < 1)
     {
      Print("The MA period must be at least 1");
      return(INIT_PARAMETERS_INCORRECT);
     }
   if(!InitTrading())
      return(INIT_PARAMETERS_INCORRECT);
   ExtMaHandle = iMA(_Symbol, _Period, InpMaPeriod, 0, InpMaMethod, InpAppliedPrice);
   if(ExtMaHandle == INVALID_HANDLE)
     {
      PrintFormat("Cannot create the MA handle, error %d", GetLastError());
      return(INIT_FAILED);
     }
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Expert deinitialization function                                 |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtMaHandle);
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
      return; // the indicator is not ready yet: look again on the next tick
   ExtLastBarTime = bar_time;
   FollowSignal(signal);
  }
//+------------------------------------------------------------------+
//| The close crossing the average on the last closed bar            |
//+------------------------------------------------------------------+
bool ReadSignal(ENUM_SIGNAL &signal)
  {
   double ma[2];
   double close[2];
//--- [1] is the last closed bar, [0] the bar before it
   if(CopyBuffer(ExtMaHandle, 0, 1, 2, ma) != 2 || CopyClose(_Symbol, _Period, 1, 2, close) != 2)
      return(false);
   signal = SIGNAL_NONE;
   if(close[0] <= ma[0] && close[1] > ma[1])
      signal = SIGNAL_BUY;
   else
      if(close[0] >= ma[0] && close[1] < ma[1])
         signal = SIGNAL_SELL;
   return(true);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}