#pragma once

#include <windows.h>

#include <string>

// Tells the user that the shortcut could not be installed: a message box
// with an error icon naming the failing step and the system's reason.
void ReportStartupError(const std::wstring& step, DWORD code);
