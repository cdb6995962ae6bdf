/*
   Moving average indicator for MetaTrader 4, written by the TavrinAI development service.
   Request: {{Request}}
*/
#property copyright   "TavrinAI"
#property version     "1.00"
#property description "{{Summary}}"
#property strict

#property indicator_chart_window
#property indicator_buffers 1
#property indicator_color1  clrDodgerBlue
#property indicator_width1  2

input int                InpMaPeriod     = {{MaPeriod}};   // MA period
input int                InpMaShift      = 0;              // MA shift, bars
input ENUM_MA_METHOD     InpMaMethod     = {{MaMethod}};   // MA method
input ENUM_APPLIED_PRICE InpAppliedPrice = PRICE_CLOSE;    // Applied price

double ExtMaBuffer[];

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
   IndicatorShortName(short_name);
   IndicatorDigits(_Digits);
   SetIndexBuffer(0, ExtMaBuffer);
   SetIndexStyle(0, DRAW_LINE);
   SetIndexLabel(0, short_name);
   SetIndexShift(0, InpMaShift);
   SetIndexDrawBegin(0, InpMaPeriod - 1);
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
   if(rates_total < InpMaPeriod)
      return(0);
//--- bars count from the newest (0); redo the changed ones and the forming bar
   int limit = rates_total - prev_calculated;
   if(prev_calculated > 0)
      limit++;
   if(limit > rates_total - InpMaPeriod)
      limit = rates_total - InpMaPeriod;
   for(int i = limit; i >= 0; i--)
      ExtMaBuffer[i] = iMA(_Symbol, _Period, InpMaPeriod, 0, InpMaMethod, InpAppliedPrice, i);
   return(rates_total);
  }
//+------------------------------------------------------------------+
