#pragma once

#include <windows.h>

#include <string>

// The file-system path of a shell special folder (a CSIDL value such as
// CSIDL_DESKTOPDIRECTORY), or the empty string when it cannot be resolved.
// Where the shell resolves it to no readable path, but the folder is set to
// a full path where a folder stands, that path in its full form: "..", "."
// and doubled or forward slashes resolved. Where `shell_result` is given, it
// receives the result for the lookup: S_OK with a path, else the shell's own
// code (E_FAIL when the folder has no file-system path).
std::wstring GetSpecialFolder(int csidl, HRESULT* shell_result = nullptr);

// Where the folder is set to be, whether or not it is there, for naming it
// when it cannot be found; empty when even that is unknown.
std::wstring ConfiguredSpecialFolder(int csidl);
