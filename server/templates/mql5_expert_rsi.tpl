/*
   RSI Expert Advisor for MetaTrader 5, written by the TavrinAI development service: buys
   when the RSI climbs back above the oversold level, sells when it falls back below the
   overbought level.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#include <Trade\Trade.mqh>

input int                InpRsiPeriod    = {{RsiPeriod}};    // RSI period
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
input double             InpOverbought   = {{Overbought}};   // Overbought level
input double             InpOversold     = {{Oversold}};     // Oversold level
{{TradingDeclarations}}
int ExtRsiHandle = INVALID_HANDLE;

//+------------------------------------------------------------------+
//| Expert initialization function                                   |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpRsiPeriod < 1 || InpOversold <= 0.0 || InpOverbought >= 100.0 || InpOversold >= InpOverbought)
     {
      Print("The RSI period must be at least 1 and 0 < oversold < overbought < 100");
      return(INIT_PARAMETERS_INCORRECT);
     }
   if(!InitTrading())
      return(INIT_PARAMETERS_INCORRECT);
   ExtRsiHandle = iRSI(_Symbol, _Period, InpRsiPeriod, InpAppliedPrice);
   if(ExtRsiHandle == INVALID_HANDLE)
     {
      PrintFormat("Cannot create the RSI handle, error %d", GetLastError());
      return(INIT_FAILED);
     }
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Expert deinitialization function                                 |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtRsiHandle);
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
//| The RSI leaving oversold or overbought on the last closed bar    |
//+------------------------------------------------------------------+
bool ReadSignal(ENUM_SIGNAL &signal)
  {
   double rsi[2];
//--- [1] is the last closed bar, [0] the bar before it
   if(CopyBuffer(ExtRsiHandle, 0, 1, 2, rsi) != 2)
      return(false);
   signal = SIGNAL_NONE;
   if(rsi[0] < InpOversold && rsi[1] >= InpOversold)
      signal = SIGNAL_BUY;
   else
      if(rsi[0] > InpOverbought && rsi[1] <= InpOverbought)
         signal = SIGNAL_SELL;
   return(true);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}