#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/system_function.h"

// While one lives, LookUpFunction sees an older Windows: the calls named
// `missing` are not there. The two calls that set how the whole process
// scales are stand-ins that only record what they were asked.
class OlderWindows {
 public:
  explicit OlderWindows(std::vector<std::string> missing) {
    Missing() = std::move(missing);
    Calls().clear();
    function_finder = &Find;
  }
  ~OlderWindows() { function_finder = &GetProcAddress; }
  OlderWindows(const OlderWindows&) = delete;
  OlderWindows& operator=(const OlderWindows&) = delete;

  // The recorded calls, such as "SetProcessDpiAwareness(2)".
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }

 private:
  static std::vector<std::string>& Missing() {
    static std::vector<std::string> missing;
    return missing;
  }
  static HRESULT WINAPI SetProcessDpiAwareness(int awareness) {
    Calls().push_back("SetProcessDpiAwareness(" + std::to_string(awareness) + ")");
    return S_OK;
  }
  static BOOL WINAPI SetProcessDPIAware() {
    Calls().push_back("SetProcessDPIAware()");
    return TRUE;
  }
  static FARPROC WINAPI Find(HMODULE module, LPCSTR name) {
    for (const std::string& missing : Missing()) {
      if (missing == name) return nullptr;
    }
    const std::string wanted = name;
    if (wanted == "SetProcessDpiAwareness") return Generic(&SetProcessDpiAwareness);
    if (wanted == "SetProcessDPIAware") return Generic(&SetProcessDPIAware);
    return GetProcAddress(module, name);
  }
  template <typename Function>
  static FARPROC Generic(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
  }
};

// What Windows 8.1 lacks of what the program looks up, and Windows 7 besides.
inline const std::vector<std::string> kNewerThanWindows81 = {
    "SetProcessDpiAwarenessContext", "GetDpiForWindow", "SystemParametersInfoForDpi",
    "AdjustWindowRectExForDpi"};
inline const std::vector<std::string> kNewerThanWindows7 = {
    "SetProcessDpiAwarenessContext", "GetDpiForWindow", "SystemParametersInfoForDpi",
    "AdjustWindowRectExForDpi", "SetProcessDpiAwareness", "SetDefaultDllDirectories"};
