// expect: dll-import:4
#import "tools.ex5"
double Smooth(double value);
#import "kernel32"
int GetTickCount();
#import
int OnInit() { Print(Smooth(1.0), GetTickCount()); return(INIT_SUCCEEDED); }
void OnTick() {}
