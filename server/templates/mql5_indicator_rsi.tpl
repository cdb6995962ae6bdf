/*
   RSI indicator for MetaTrader 5, written by the TavrinAI development service, with
   overbought and oversold levels.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#property indicator_separate_window
#property indicator_buffers 1
#property indicator_plots   1
#property indicator_minimum 0
#property indicator_maximum 100
#property indicator_label1  "RSI"
#property indicator_type1   DRAW_LINE
#property indicator_color1  clrDodgerBlue
#property indicator_style1  STYLE_SOLID
#property indicator_width1  2

input int                InpRsiPeriod    = {{RsiPeriod}};    // RSI period
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
input double             InpOverbought   = {{Overbought}};   // Overbought level
input double             InpOversold     = {{Oversold}};     // Oversold level

double ExtRsiBuffer[];
int    ExtRsiHandle = INVALID_HANDLE;

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
   IndicatorSetString(INDICATOR_SHORTNAME, short_name);
   IndicatorSetInteger(INDICATOR_DIGITS, 2);
   IndicatorSetInteger(INDICATOR_LEVELS, 2);
   IndicatorSetDouble(INDICATOR_LEVELVALUE, 0, InpOverbought);
   IndicatorSetDouble(INDICATOR_LEVELVALUE, 1, InpOversold);
   IndicatorSetInteger(INDICATOR_LEVELSTYLE, STYLE_DOT);
   SetIndexBuffer(0, ExtRsiBuffer, INDICATOR_DATA);
   PlotIndexSetString(0, PLOT_LABEL, short_name);
   PlotIndexSetInteger(0, PLOT_DRAW_BEGIN, InpRsiPeriod);
   ExtRsiHandle = iRSI(_Symbol, _Period, InpRsiPeriod, InpAppliedPrice);
   if(ExtRsiHandle == INVALID_HANDLE)
     {
      PrintFormat("Cannot create the RSI handle, error %d", GetLastError());
      return(INIT_FAILED);
     }
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Custom indicator deinitialization function                       |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtRsiHandle);
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
   if(rates_total <= InpRsiPeriod || BarsCalculated(ExtRsiHandle) < rates_total)
      return(0);
//--- copy what changed since the last call, and the forming bar
   int to_copy = rates_total;
   if(prev_calculated > 0 && prev_calculated <= rates_total)
      to_copy = rates_total - prev_calculated + 1;
   if(CopyBuffer(ExtRsiHandle, 0, 0, to_copy, ExtRsiBuffer) <= 0)
      return(0);
   return(rates_total);
  }
//+------------------------------------------------------------------+
