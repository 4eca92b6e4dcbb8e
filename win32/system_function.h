#pragma once

#include <windows.h>

// How LookUpFunction finds a function in a system DLL: GetProcAddress, unless
// a test puts a stand-in here to play an older Windows that lacks the newer
// calls, so that the paths taken there run too.
using FunctionFinder = FARPROC(WINAPI*)(HMODULE, LPCSTR);
inline FunctionFinder function_finder = &GetProcAddress;

// A function that older versions of a system DLL lack, or null. Looked up at
// run time, so the program still starts on the Windows versions without it.
template <typename Function>
Function LookUpFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through the generic function pointer type, which any other converts to.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function_finder(module, name)));
}
