// expect: dll-import:2 dll-import:5
#import  "shell32.DLL"
int ShellExecuteW(int hwnd, string operation, string file, string parameters, string directory, int showCmd);
#import
#import "helpers.dll"
void Beep2();
#import
int OnInit() { ShellExecuteW(0, "open", "notepad.exe", "", "", 1); Beep2(); return(INIT_SUCCEEDED); }
