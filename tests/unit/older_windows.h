#pragma once

// While an OlderWindows lives, LookUpFunction sees Windows 8.1 (81) or 7: the
// newer calls are missing, and the two that set how the whole process scales
// only record their calls, so the fallbacks run without changing the process.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "win32/system_function.h"

struct OlderWindows {
  explicit OlderWindows(int version) {
    missing = {"SetProcessDpiAwarenessContext", "GetDpiForWindow", "SystemParametersInfoForDpi",
               "AdjustWindowRectExForDpi"};
    if (version == 7) missing.insert({"SetProcessDpiAwareness", "SetDefaultDllDirectories"});
    calls.clear();
    function_finder = &Find;
  }
  ~OlderWindows() { function_finder = &GetProcAddress; }

  inline static std::set<std::string> missing;
  inline static std::vector<std::string> calls;

  static HRESULT WINAPI SetProcessDpiAwareness(int awareness) {
    calls.push_back("SetProcessDpiAwareness(" + std::to_string(awareness) + ")");
    return S_OK;
  }
  static BOOL WINAPI SetProcessDPIAware() {
    calls.push_back("SetProcessDPIAware()");
    return TRUE;
  }
  static FARPROC WINAPI Find(HMODULE module, LPCSTR name) {
    using Generic = void (*)();  // which any function pointer converts to
    const std::string wanted = name;
    if (missing.count(wanted)) return nullptr;
    Generic stand_in = nullptr;
    if (wanted == "SetProcessDpiAwareness") stand_in = reinterpret_cast<Generic>(&SetProcessDpiAwareness);
    if (wanted == "SetProcessDPIAware") stand_in = reinterpret_cast<Generic>(&SetProcessDPIAware);
    return stand_in ? reinterpret_cast<FARPROC>(stand_in) : GetProcAddress(module, name);
  }
};
