/*
   RSI Expert Advisor for MetaTrader 4, written by the TavrinAI development service: buys
   when the RSI climbs back above the oversold level, sells when it falls back below the
   overbought level.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

input int                InpRsiPeriod    = {{RsiPeriod}};    // RSI period
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
input double             InpOverbought   = {{Overbought}};   // Overbought level
input double             InpOversold     = {{Oversold}};     // Oversold level
{{TradingDeclarations}}
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
//| The RSI leaving oversold or overbought on the last closed bar    |
//+------------------------------------------------------------------+
ENUM_SIGNAL TradeSignal()
  {
   double rsi_last   = iRSI(_Symbol, _Period, InpRsiPeriod, InpAppliedPrice, 1);
   double rsi_before = iRSI(_Symbol, _Period, InpRsiPeriod, InpAppliedPrice, 2);
   if(rsi_before < InpOversold && rsi_last >= InpOversold)
      return(SIGNAL_BUY);
   if(rsi_before > InpOverbought && rsi_last <= InpOverbought)
      return(SIGNAL_SELL);
   return(SIGNAL_NONE);
  }
//+------------------------------------------------------------------+
{{TradingFunctions}}