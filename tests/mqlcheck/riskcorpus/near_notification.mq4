// expect: none
// SendNotification goes to the trader's own phone; a local file stays in the sandbox.
int OnInit()
  {
   SendNotification("Balance " + DoubleToString(AccountBalance(), 2));
   int file = FileOpen("log.csv", FILE_WRITE | FILE_CSV);
   if(file != INVALID_HANDLE)
      FileClose(file);
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
