#include "app/dll_search.h"

void RestrictDllSearchToSystemFolder(const SystemFunctions& system) noexcept {
  if (system.SetDefaultDllDirectories && system.SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return;
  }
  // Without it, at least the current folder leaves the search.
  SetDllDirectoryW(L"");
}
