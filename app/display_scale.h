#pragma once

#include <windows.h>

#include "app/system_functions.h"
#include "win32/unique.h"

// The program draws itself at the display's real scale instead of letting
// Windows enlarge it as a blurry bitmap. Sizes are given at 96 dots per inch
// (15 twips a pixel) and scaled to the window's DPI. Where the system lacks
// a newer call, the older way is taken, down to Windows 7's.

// How the process came to be aware of display scale.
enum class DpiAwareness { kUnaware, kSystem, kPerMonitor, kPerMonitorV2 };

// Declares the process aware of display scale: per-monitor v2 where the
// system offers it (Windows 10 1703), else per-monitor (8.1), else
// system-wide (Vista). Must run before the first window is made.
DpiAwareness DeclareDpiAwareness(const SystemFunctions& system);

// The DPI `window` is shown at; the system's DPI where Windows cannot tell
// per window.
UINT DpiOf(const SystemFunctions& system, HWND window);

// A length in pixels at 96 DPI, at `dpi`.
inline int ScaleToDpi(int pixels_at_96, UINT dpi) { return MulDiv(pixels_at_96, static_cast<int>(dpi), 96); }

// The font the system uses for message boxes and dialogs, at `dpi`; null
// when the system will not say.
UniqueFont CreateMessageFont(const SystemFunctions& system, UINT dpi);

// The outer size of a window of `style` whose client area is `client`, at `dpi`.
SIZE WindowSizeForClient(const SystemFunctions& system, SIZE client, DWORD style, DWORD ex_style, UINT dpi);
