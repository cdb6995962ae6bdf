/*
   Moving average crossover indicator for MetaTrader 4, written by the TavrinAI development
   service: arrows mark the bars where the fast average crosses the slow one.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

#property indicator_chart_window
#property indicator_buffers 4
#property indicator_color1  clrDodgerBlue
#property indicator_width1  2
#property indicator_color2  clrOrangeRed
#property indicator_width2  2
#property indicator_color3  clrLime
#property indicator_width3  2
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
   IndicatorShortName(StringFormat("MA Cross(%d, %d)", InpFastPeriod, InpSlowPeriod));
   IndicatorDigits(_Digits);
   SetIndexBuffer(0, ExtFastBuffer);
   SetIndexStyle(0, DRAW_LINE);
   SetIndexLabel(0, StringFormat("Fast MA(%d)", InpFastPeriod));
   SetIndexBuffer(1, ExtSlowBuffer);
   SetIndexStyle(1, DRAW_LINE);
   SetIndexLabel(1, StringFormat("Slow MA(%d)", InpSlowPeriod));
   SetIndexBuffer(2, ExtUpBuffer);
   SetIndexStyle(2, DRAW_ARROW);
   SetIndexArrow(2, 233);
   SetIndexLabel(2, "Cross up");
   SetIndexBuffer(3, ExtDownBuffer);
   SetIndexStyle(3, DRAW_ARROW);
   SetIndexArrow(3, 234);
   SetIndexLabel(3, "Cross down");
   for(int buffer = 0; buffer < 4; buffer++)
      SetIndexDrawBegin(buffer, InpSlowPeriod);
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
   if(rates_total <= InpSlowPeriod)
      return(0);
//--- bars count from the newest (0); each bar is compared with the older one after it
   int limit = rates_total - prev_calculated;
   if(prev_calculated > 0)
      limit++;
   if(limit > rates_total - InpSlowPeriod - 1)
      limit = rates_total - InpSlowPeriod - 1;
   double offset = InpArrowOffset * _Point;
   for(int i = limit; i >= 0; i--)
     {
      double fast      = iMA(_Symbol, _Period, InpFastPeriod, 0, InpMaMethod, InpAppliedPrice, i);
      double slow      = iMA(_Symbol, _Period, InpSlowPeriod, 0, InpMaMethod, InpAppliedPrice, i);
      double fast_prev = iMA(_Symbol, _Period, InpFastPeriod, 0, InpMaMethod, InpAppliedPrice, i + 1);
      double slow_prev = iMA(_Symbol, _Period, InpSlowPeriod, 0, InpMaMethod, InpAppliedPrice, i + 1);
      ExtFastBuffer[i] = fast;
      ExtSlowBuffer[i] = slow;
      ExtUpBuffer[i]   = EMPTY_VALUE;
      ExtDownBuffer[i] = EMPTY_VALUE;
      if(fast_prev <= slow_prev && fast > slow)
         ExtUpBuffer[i] = Low[i] - offset;
      else
         if(fast_prev >= slow_prev && fast < slow)
            ExtDownBuffer[i] = High[i] + offset;
     }
   return(rates_total);
  }
//+------------------------------------------------------------------+
