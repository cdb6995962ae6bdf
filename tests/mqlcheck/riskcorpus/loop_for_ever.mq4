// expect: endless-loop:6
#property indicator_chart_window
int OnInit() { return(INIT_SUCCEEDED); }
int OnCalculate(const int total, const int prev, const datetime &t[], const double &o[], const double &h[], const double &l[], const double &c[], const long &tv[], const long &v[], const int &s[])
  {
   for(;;)
      RefreshRates();
   return(total);
  }
