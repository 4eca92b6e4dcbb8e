// Imports a function that Windows 8 brought and Windows 7 lacks, as a newer
// C++ runtime might: the executable check must refuse it. The headers for
// Windows 7 leave it out, so it is declared here.
#include <windows.h>

extern "C" __declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(FILETIME* now);

int main() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<int>(now.dwLowDateTime & 1);
}
