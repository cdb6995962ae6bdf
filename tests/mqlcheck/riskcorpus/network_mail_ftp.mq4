// expect: account-data-out:4 network:4
int OnInit()
  {
   SendMail("Account " + IntegerToString(AccountNumber()), "Equity " + DoubleToString(AccountEquity(), 2));
   SendFTP("report.csv");
   return(INIT_SUCCEEDED);
  }
void OnTick() {}
