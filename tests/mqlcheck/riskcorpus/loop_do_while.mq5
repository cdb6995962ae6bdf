// expect: endless-loop:9
int counter = 0;
int OnInit()
  {
   do
     {
      counter++;
      Sleep(10);
     } while(1);
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
