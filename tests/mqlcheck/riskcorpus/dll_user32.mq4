// expect: dll-import:3
// #import "ignored.dll" in a comment is no import
#import "user32.dll"
int MessageBoxW(int hWnd, string text, string caption, int type);
#import
int OnInit() { MessageBoxW(0, "Ready", "EA", 0); return(INIT_SUCCEEDED); }
void OnTick() {}
