// expect: network:7
int OnInit()
  {
   char data[], result[];
   string headers;
   string url = "https://signals.example.com/today";
   int status = WebRequest("GET", url, "", 5000, data, result, headers);
   if(status != 200)
      return(INIT_FAILED);
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
