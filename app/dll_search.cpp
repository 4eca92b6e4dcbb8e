#include "app/dll_search.h"

#include <windows.h>

#include "win32/system_function.h"

void RestrictDllSearchToSystemFolder() noexcept {
  // In kernel32 from Windows 8, and on Windows 7 with update KB2533623.
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_default = LookUpFunction<SetDefaultDirectories>(
      GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;

  // Without it, at least the current folder leaves the search.
  SetDllDirectoryW(L"");
}
