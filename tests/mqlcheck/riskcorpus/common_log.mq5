// expect: common-files:4
int OnInit()
  {
   int file = FileOpen("trades.csv", FILE_WRITE | FILE_CSV | FILE_COMMON);
   if(file == INVALID_HANDLE)
      return(INIT_FAILED);
   FileClose(file);
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
