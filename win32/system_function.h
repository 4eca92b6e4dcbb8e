#pragma once

#include <windows.h>

// A function that older versions of a system DLL lack, or null. Looked up at
// run time, so the program still starts on the Windows versions without it.
template <typename Function>
Function LookUpFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through the generic function pointer type, which any other converts to.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
