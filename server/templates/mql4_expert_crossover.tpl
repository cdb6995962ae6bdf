/*
   Moving average crossover Expert Advisor for MetaTrader 4, written by the TavrinAI
   development service: buys when the fast average crosses above the slow one, sells when
   it crosses below.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

input int                InpFastPeriod   = {{FastPeriod}};   // Fast MA period
input int                InpSlowPeriod   = {{SlowPeriod}};   // Slow MA period
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};     // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
{{TradingDeclarations}}
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
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Expert deinitialization function                                 |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
//--- nothing to release: MQL4 indicator calls hold no handles
  }
//+------------------------------------------------------------------+
//| Expert tick function                                             |
//+------------------------------------------------------------------+
void OnTick()
  {
//--- signals come from closed bars, so one look per bar is enough
   if(IsNewBar())
      FollowSignal(TradeSignal());
  }
//+------------------------------------------------------------------+
//| The fast average crossing the slow one on the last closed bar    |
//+------------------------------------------------------------------+
ENUM_SIGNAL TradeSignal()
  {
   double fast_last   = iMA(_Symbol, _Period, InpFastPeriod, 0, InpMaMethod, InpAppliedPrice, 1);
   double slow_last   = iMA(_Symbol, _Period, InpSlowPeriod, 0, InpMaMethod, InpAppliedPrice, 1);
   double fast_before = iMA(_Symbol, _Period, InpFastPeriod, 0, InpMaMethod, InpAppliedPrice, 2);
   double slow_before = iMA(_Symbol, _Period, InpSlowPeriod, 0, InpMaMethod, InpAppliedPrice, 2);
   if(fast_before <= slow_before && fast_last > slow_last)
      return(SIGNAL_BUY);
   if(fast_before >= slow_before && fast_last < slow_last)
      return(SIGNAL_SELL);
   return(SIGNAL_NONE);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}