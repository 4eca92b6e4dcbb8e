#pragma once

#include <windows.h>

#include <string>

// Tells the user that the shortcut could not be installed: a message box
// with an error icon naming the failing step and the system's reason. Never
// raises: if the report cannot be composed, the out-of-memory one is shown.
void ReportStartupError(const std::wstring& step, DWORD code) noexcept;

// The report for running out of memory, from fixed text: allocates nothing.
void ReportOutOfMemory() noexcept;
