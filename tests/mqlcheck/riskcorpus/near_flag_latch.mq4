// expect: none
// One order in the EA's life: the flag set after it is tested before it.
bool opened = false;
void OnTick()
  {
   if(!opened && Close[1] > Open[1])
     {
      if(OrderSend(Symbol(), OP_BUY, 0.1, Ask, 3, Ask - 200 * Point, Ask + 400 * Point) > 0)
         opened = true;
     }
  }
