// expect: network:4 account-data-out:8
void OnTimer()
  {
   int socket = SocketCreate();
   if(socket == INVALID_HANDLE || !SocketConnect(socket, "203.0.113.5", 9000, 1000))
      return;
   uchar bytes[];
   StringToCharArray(DoubleToString(AccountInfoDouble(ACCOUNT_EQUITY), 2), bytes);
   SocketSend(socket, bytes, ArraySize(bytes));
   SocketClose(socket);
  }
int OnInit() { EventSetTimer(60); return(INIT_SUCCEEDED); }
void OnTick() {}
