#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win32/error.h"

// The file-system path of a shell special folder (a CSIDL value such as
// CSIDL_DESKTOPDIRECTORY), or the empty string when the shell cannot resolve
// it to a readable path. Where `shell_result` is given, it
// receives the shell's result for the lookup: S_OK with a path, else the
// shell's own code (E_FAIL when the folder has no file-system path).
std::wstring GetSpecialFolder(int csidl, HRESULT* shell_result = nullptr);

// Where the folder is set to be, whether or not it is there, for naming it
// when it cannot be found; empty when even that is unknown.
std::wstring ConfiguredSpecialFolder(int csidl);

// The error for `step` when the shell could not resolve the folder
// (GetSpecialFolder gave `shell_result`). It names where the folder is set to
// be and says what is there: not found only where nothing is at that place
// or the code means so (Cause::kFolderNotFound), a file in the folder's place
// (Cause::kFileInTheWay), else the code of what kept the place from being
// read, or the shell's, for the system's own message (Cause::kOther).
Win32Error SpecialFolderLookupError(std::wstring_view step, int csidl, HRESULT shell_result);
