// expect: common-files:2
int flags = FILE_READ | FILE_BIN | FILE_COMMON;
int OnInit()
  {
   int file = FileOpen("shared.bin", flags);
   if(file >= 0)
      FileClose(file);
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
