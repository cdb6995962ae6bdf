/*
   Moving average indicator for MetaTrader 5, written by the TavrinAI development service.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#property indicator_chart_window
#property indicator_buffers 1
#property indicator_plots   1
#property indicator_label1  "MA"
#property indicator_type1   DRAW_LINE
#property indicator_color1  clrDodgerBlue
#property indicator_style1  STYLE_SOLID
#property indicator_width1  2

input int                InpMaPeriod     = {{MaPeriod}};   // MA period
input int                InpMaShift      = 0;              // MA shift, bars
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};   // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;    // Applied price

double ExtMaBuffer[];
int    ExtMaHandle = INVALID_HANDLE;

//+------------------------------------------------------------------+
//| Custom indicator initialization function                         |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpMaPeriod < 1)
     {
      Print("The MA period must be at least 1");
      return(INIT_PARAMETERS_INCORRECT);
     }
   string short_name = StringFormat("MA(%d)", InpMaPeriod);
   IndicatorSetString(INDICATOR_SHORTNAME, short_name);
   IndicatorSetInteger(INDICATOR_DIGITS, _Digits);
   SetIndexBuffer(0, ExtMaBuffer, INDICATOR_DATA);
   PlotIndexSetString(0, PLOT_LABEL, short_name);
   PlotIndexSetInteger(0, PLOT_SHIFT, InpMaShift);
   PlotIndexSetInteger(0, PLOT_DRAW_BEGIN, InpMaPeriod - 1);
   ExtMaHandle = iMA(_Symbol, _Period, InpMaPeriod, 0, InpMaMethod, InpAppliedPrice);
   if(ExtMaHandle == INVALID_HANDLE)
     {
      PrintFormat("Cannot create the MA handle, error %d", GetLastError());
      return(INIT_FAILED);
     }
   return(INIT_SUCCEEDED);
  }
//+------------------------------------------------------------------+
//| Custom indicator deinitialization function                       |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtMaHandle);
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
   if(rates_total < InpMaPeriod || BarsCalculated(ExtMaHandle) < rates_total)
      return(0);
//--- copy what changed since the last call, and the forming bar
   int to_copy = rates_total;
   if(prev_calculated > 0 && prev_calculated <= rates_total)
      to_copy = rates_total - prev_calculated + 1;
   if(CopyBuffer(ExtMaHandle, 0, 0, to_copy, ExtMaBuffer) <= 0)
      return(0);
   return(rates_total);
  }
//+------------------------------------------------------------------+
