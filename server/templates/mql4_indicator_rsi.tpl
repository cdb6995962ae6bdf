/*
   RSI indicator for MetaTrader 4, written by the TavrinAI development service, with
   overbought and oversold levels.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

#property indicator_separate_window
#property indicator_buffers 1
#property indicator_minimum 0
#property indicator_maximum 100
#property indicator_color1  clrDodgerBlue
#property indicator_width1  2

input int                InpRsiPeriod    = {{RsiPeriod}};    // RSI period
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
input double             InpOverbought   = {{Overbought}};   // Overbought level
input double             InpOversold     = {{Oversold}};     // Oversold level

double ExtRsiBuffer[];

//+------------------------------------------------------------------+
//| Custom indicator initialization function                         |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpRsiPeriod < 1 || InpOversold <= 0.0 || InpOverbought >= 100.0 || InpOversold >= InpOverbought)
     {
      Print("The RSI period must be at least 1 and 0 < oversold < overbought < 100");
      return(INIT_PARAMETERS_INCORRECT);
     }
   string short_name = StringFormat("RSI(%d)", InpRsiPeriod);
   IndicatorShortName(short_name);
   IndicatorDigits(2);
   SetIndexBuffer(0, ExtRsiBuffer);
   SetIndexStyle(0, DRAW_LINE);
   SetIndexLabel(0, short_name);
   SetIndexDrawBegin(0, InpRsiPeriod);
   SetLevelValue(0, InpOverbought);
   SetLevelValue(1, InpOversold);
   SetLevelStyle(STYLE_DOT, 1, clrSilver);
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Custom indicator iteration function                              |
//+------------------------------------------------------------------+
int OnCalculate(const int rates_total,
                const int prev_calculated,
                const datetime &time[],
                const double &open[],
                const double &high[],
                const double &low[],
                const double &close[],
                const long &tick_volume[],
                const long &volume[],
                const int &spread[])
  {
   if(rates_total <= InpRsiPeriod)
      return(0);
//--- bars count from the newest (0); redo the changed ones and the forming bar
   int limit = rates_total - prev_calculated;
   if(prev_calculated > 0)
      limit++;
   if(limit > rates_total - InpRsiPeriod - 1)
      limit = rates_total - InpRsiPeriod - 1;
   for(int i = limit; i >= 0; i--)
      ExtRsiBuffer[i] = iRSI(_Symbol, _Period, InpRsiPeriod, InpAppliedPrice, i);
   return(rates_total);
  }
//+------------------------------------------------------------------+
