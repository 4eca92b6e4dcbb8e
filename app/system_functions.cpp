#include "app/system_functions.h"

#include "win32/system_function.h"

namespace {

// Sets `function` to the one called `name` in `module`, or to null.
template <typename Function>
void Find(Function& function, HMODULE module, const char* name) {
  function = LookUpFunction<Function>(module, name);
}

}  // namespace

SystemFunctions LookUpSystemFunctions() {
  SystemFunctions system;
  Find(system.SetDefaultDllDirectories, GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  Find(system.SetProcessDpiAwarenessContext, user32, "SetProcessDpiAwarenessContext");
  Find(system.GetDpiForWindow, user32, "GetDpiForWindow");
  Find(system.SystemParametersInfoForDpi, user32, "SystemParametersInfoForDpi");
  Find(system.AdjustWindowRectExForDpi, user32, "AdjustWindowRectExForDpi");
  // Searched for, with what it needs, in the system folder alone.
  system.shcore.reset(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  Find(system.SetProcessDpiAwareness, system.shcore.get(), "SetProcessDpiAwareness");
  system.SetProcessDPIAware = &::SetProcessDPIAware;
  system.SetFileInformationByHandle = &::SetFileInformationByHandle;
  return system;
}
