#pragma once

#include <windows.h>

#include "win32/unique.h"

// The calls that newer Windows versions add, each null where the system the
// program runs on lacks it: looked up once at start-up and handed to what
// needs them, so that the program still starts on Windows 7. A test plays an
// older system by leaving some out, and stands in for the calls that set
// how the whole process scales.
struct SystemFunctions {
  // kernel32, from Windows 8, and on Windows 7 with update KB2533623.
  BOOL(WINAPI* SetDefaultDllDirectories)(DWORD) = nullptr;
  // user32, from Windows 10 version 1703 (the first) and 1607 (the others).
  BOOL(WINAPI* SetProcessDpiAwarenessContext)(HANDLE) = nullptr;
  UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
  BOOL(WINAPI* SystemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
  BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
  // shcore, from Windows 8.1; the DLL stays loaded while this is held.
  HRESULT(WINAPI* SetProcessDpiAwareness)(int) = nullptr;
  UniqueModule shcore;
  // user32 on every Windows the program runs on.
  BOOL(WINAPI* SetProcessDPIAware)() = nullptr;
  // kernel32 on every Windows the program runs on, but only Windows 10
  // version 1709 and later take the rename with POSIX semantics
  // (FileRenameInfoEx) through it, and only on NTFS; the program calls it for
  // that rename alone. A test plays an older system with a stand-in that
  // refuses it.
  BOOL(WINAPI* SetFileInformationByHandle)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD) = nullptr;
};

// This system's. Loads no DLL by name but shcore.dll, and that from the
// system folder only, so it may come before the DLL search is restricted,
// which needs one of these calls.
SystemFunctions LookUpSystemFunctions();
