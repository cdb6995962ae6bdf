// expect: endless-loop:4
int OnInit()
  {
   while(true)
     {
      Sleep(1000);
      Comment(TimeLocal());
     }
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
