#include <windows.h>
int main() { return static_cast<int>(GetFileVersionInfoSizeW(L"x", nullptr)); }
