/*
   Moving average crossover indicator for MetaTrader 5, written by the TavrinAI development
   service: arrows mark the bars where the fast average crosses the slow one.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"

#property indicator_chart_window
#property indicator_buffers 4
#property indicator_plots   4
#property indicator_label1  "Fast MA"
#property indicator_type1   DRAW_LINE
#property indicator_color1  clrDodgerBlue
#property indicator_width1  2
#property indicator_label2  "Slow MA"
#property indicator_type2   DRAW_LINE
#property indicator_color2  clrOrangeRed
#property indicator_width2  2
#property indicator_label3  "Cross up"
#property indicator_type3   DRAW_ARROW
#property indicator_color3  clrLime
#property indicator_width3  2
#property indicator_label4  "Cross down"
#property indicator_type4   DRAW_ARROW
#property indicator_color4  clrRed
#property indicator_width4  2

input int                InpFastPeriod   = {{FastPeriod}};   // Fast MA period
input int                InpSlowPeriod   = {{SlowPeriod}};   // Slow MA period
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};     // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;      // Applied price
input int                InpArrowOffset  = 10;               // Arrow distance from the bar, points

double ExtFastBuffer[];
double ExtSlowBuffer[];
double ExtUpBuffer[];
double ExtDownBuffer[];
int    ExtFastHandle = INVALID_HANDLE;
int    ExtSlowHandle = INVALID_HANDLE;

//+------------------------------------------------------------------+
//| Custom indicator initialization function                         |
//+------------------------------------------------------------------+
int OnInit()
  {
   if(InpFastPeriod < 1 || InpSlowPeriod <= InpFastPeriod)
     {
      Print("The fast period must be at least 1 and shorter than the slow period");
      return(INIT_PARAMETERS_INCORRECT);
     }
   IndicatorSetString(INDICATOR_SHORTNAME, StringFormat("MA Cross(%d, %d)", InpFastPeriod, InpSlowPeriod));
   IndicatorSetInteger(INDICATOR_DIGITS, _Digits);
   SetIndexBuffer(0, ExtFastBuffer, INDICATOR_DATA);
   SetIndexBuffer(1, ExtSlowBuffer, INDICATOR_DATA);
   SetIndexBuffer(2, ExtUpBuffer, INDICATOR_DATA);
   SetIndexBuffer(3, ExtDownBuffer, INDICATOR_DATA);
   PlotIndexSetInteger(2, PLOT_ARROW, 233);
   PlotIndexSetInteger(3, PLOT_ARROW, 234);
   for(int plot = 0; plot < 4; plot++)
     {
      PlotIndexSetInteger(plot, PLOT_DRAW_BEGIN, InpSlowPeriod);
      PlotIndexSetDouble(plot, PLOT_EMPTY_VALUE, EMPTY_VALUE);
     }
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
//| Custom indicator deinitialization function                       |
//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   IndicatorRelease(ExtFastHandle);
   IndicatorRelease(ExtSlowHandle);
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
   if(rates_total <= InpSlowPeriod
      || BarsCalculated(ExtFastHandle) < rates_total
      || BarsCalculated(ExtSlowHandle) < rates_total)
      return(0);
//--- copy what changed since the last call, and the forming bar
   int to_copy = rates_total;
   if(prev_calculated > 0 && prev_calculated <= rates_total)
      to_copy = rates_total - prev_calculated + 1;
   if(CopyBuffer(ExtFastHandle, 0, 0, to_copy, ExtFastBuffer) <= 0
      || CopyBuffer(ExtSlowHandle, 0, 0, to_copy, ExtSlowBuffer) <= 0)
      return(0);
//--- bars count from the oldest (0); each bar is compared with the one before it
   int start = prev_calculated - 1;
   if(prev_calculated == 0)
     {
      ArrayInitialize(ExtUpBuffer, EMPTY_VALUE);
      ArrayInitialize(ExtDownBuffer, EMPTY_VALUE);
      start = InpSlowPeriod;
     }
   double offset = InpArrowOffset * _Point;
   for(int i = start; i < rates_total; i++)
     {
      ExtUpBuffer[i]   = EMPTY_VALUE;
      ExtDownBuffer[i] = EMPTY_VALUE;
      if(ExtFastBuffer[i - 1] <= ExtSlowBuffer[i - 1] && ExtFastBuffer[i] > ExtSlowBuffer[i])
         ExtUpBuffer[i] = low[i] - offset;
      else
         if(ExtFastBuffer[i - 1] >= ExtSlowBuffer[i - 1] && ExtFastBuffer[i] < ExtSlowBuffer[i])
            ExtDownBuffer[i] = high[i] + offset;
     }
   return(rates_total);
  }
//+------------------------------------------------------------------+
