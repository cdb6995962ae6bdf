// expect: common-files:5
#property indicator_chart_window
int OnInit()
  {
   if(FileIsExist("settings.ini", FILE_COMMON))
      Print("shared settings found");
   return(INIT_SUCCEEDED);
  }
int OnCalculate(const int total, const int prev, const int begin, const double &price[]) { return(total); }
