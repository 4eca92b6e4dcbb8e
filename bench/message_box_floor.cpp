// The floor for the start-up benchmark: a minimal Win32 program that only
// shows the same message box Ostrivane shows, built the same way.
#include <windows.h>

#include "resources/texts.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, texts::kInstalledPrompt, texts::kInstalledTitle, MB_OK);
  return 0;
}
