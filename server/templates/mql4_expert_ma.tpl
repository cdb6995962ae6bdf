/*
   Moving average Expert Advisor for MetaTrader 4, written by the TavrinAI development
   service: buys when a bar closes above the average, sells when one closes below it.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

input int                InpMaPeriod     = {{MaPeriod}};   // MA period
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};   // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;    // Applied price
{{TradingDeclarations}}
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
//| The close crossing the average on the last closed bar            |
//+------------------------------------------------------------------+
ENUM_SIGNAL TradeSignal()
  {
   double ma_last      = iMA(_Symbol, _Period, InpMaPeriod, 0, InpMaMethod, InpAppliedPrice, 1);
   double ma_before    = iMA(_Symbol, _Period, InpMaPeriod, 0, InpMaMethod, InpAppliedPrice, 2);
   double close_last   = iClose(_Symbol, _Period, 1);
   double close_before = iClose(_Symbol, _Period, 2);
   if(close_before <= ma_before && close_last > ma_last)
      return(SIGNAL_BUY);
   if(close_before >= ma_before && close_last < ma_last)
      return(SIGNAL_SELL);
   return(SIGNAL_NONE);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}