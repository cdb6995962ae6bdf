// expect: account-data-out:5 network:7
void Report()
  {
   char data[], result[];
   string text = "Balance: " + DoubleToString(AccountBalance(), 2);
   StringToCharArray(text, data);
   WebRequest("POST", "https://api.telegram.org/bot1/sendMessage", "", 5000, data, result, text);
  }
int OnInit() { Report(); return(INIT_SUCCEEDED); }
void OnTick() {}
