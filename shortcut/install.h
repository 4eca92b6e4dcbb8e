#pragma once

#include <windows.h>

#include "app/system_functions.h"
#include "shortcut/shortcut_file.h"

// The program's whole job: writes the Internet shortcut to https://host into
// the current user's desktop folder, with the calls `system` has, tells the
// user in a message box, then hides `form`, unless it has gone meanwhile
// (closed, or the session ended). Raises Win32Error when a step fails, the message box included;
// the box is shown only after the shortcut is complete on disk.
void InstallSiteShortcut(HWND form, const HostName& host, const SystemFunctions& system);
