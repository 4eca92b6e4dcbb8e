#pragma once

// While an OlderWindows lives, LookUpFunction sees an older Windows: the
// calls it names are missing, and the two that set how the whole process
// scales are stand-ins that only record their calls in older_windows_calls.
#include <windows.h>

#include <string>
#include <vector>

#include "win32/system_function.h"

inline std::vector<std::string> older_windows_missing, older_windows_calls;

inline HRESULT WINAPI RecordSetProcessDpiAwareness(int awareness) {
  older_windows_calls.push_back("SetProcessDpiAwareness(" + std::to_string(awareness) + ")");
  return S_OK;
}
inline BOOL WINAPI RecordSetProcessDPIAware() {
  older_windows_calls.push_back("SetProcessDPIAware()");
  return TRUE;
}
inline FARPROC WINAPI FindOnOlderWindows(HMODULE module, LPCSTR name) {
  const std::string wanted = name;
  for (const std::string& missing : older_windows_missing) {
    if (missing == wanted) return nullptr;
  }
  using Generic = void (*)();  // which any function pointer converts to
  if (wanted == "SetProcessDpiAwareness") {
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&RecordSetProcessDpiAwareness));
  }
  if (wanted == "SetProcessDPIAware") {
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&RecordSetProcessDPIAware));
  }
  return GetProcAddress(module, name);
}

struct OlderWindows {
  // 81 for Windows 8.1, 7 for Windows 7 as it shipped.
  explicit OlderWindows(int version) {
    older_windows_missing = {"SetProcessDpiAwarenessContext", "GetDpiForWindow",
                             "SystemParametersInfoForDpi", "AdjustWindowRectExForDpi"};
    if (version == 7) {
      older_windows_missing.insert(older_windows_missing.end(),
                                   {"SetProcessDpiAwareness", "SetDefaultDllDirectories"});
    }
    older_windows_calls.clear();
    function_finder = &FindOnOlderWindows;
  }
  ~OlderWindows() { function_finder = &GetProcAddress; }
};
