// The floor for the start-up benchmark: a minimal Win32 program that only
// shows the same message box Ostrivane shows, built the same way.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"사이트 바로가기가 바탕화면에 설치되었습니다.", L"바로가기", MB_OK);
  return 0;
}
