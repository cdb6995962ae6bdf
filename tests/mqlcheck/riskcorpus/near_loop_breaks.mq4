// expect: none
// Each endless-looking loop leaves: by break, by return, by IsStopped().
int OnInit()
  {
   int tries = 0;
   while(true)
     {
      if(++tries > 10) break;
      Sleep(100);
     }
   for(;;)
     {
      if(IsStopped()) return(INIT_FAILED);
      if(IsConnected()) return(INIT_SUCCEEDED);
     }
  }
void OnTick() {}
