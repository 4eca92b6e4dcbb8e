#pragma once

#include <string>

#include "win32/error.h"

// The report's text: a headline that says whether the shortcut is in place,
// the step and what it worked on, the cause with its error code, and, where
// the program knows the cause, one line of what the user can do. Known
// causes are said in the program's own words, others in the system's,
// in Korean where the system has it.
std::wstring ErrorReportText(const Win32Error& error);

// Tells the user in a message box with an error icon that starting failed,
// with the text above. Never raises: if the report cannot be composed, the
// out-of-memory one is shown.
void ReportStartupError(const Win32Error& error) noexcept;

// The report for running out of memory, from fixed text: allocates nothing.
void ReportOutOfMemory() noexcept;
