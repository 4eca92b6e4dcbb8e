#pragma once

#include "app/system_functions.h"

// Makes every DLL that the process loads by name from now on come from the
// system folder only: never from the program's own folder (a Downloads
// folder, where any web page can leave a file named like a system DLL) and
// never from the current folder. It applies to the whole process, system
// code included. Call it first thing in wWinMain, before any call into
// user32, gdi32, shell32 or ole32.
void RestrictDllSearchToSystemFolder(const SystemFunctions& system) noexcept;
