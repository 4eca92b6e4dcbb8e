#pragma once

#include <string>

// The file-system path of a shell special folder (a CSIDL value such as
// CSIDL_DESKTOPDIRECTORY), or the empty string when the shell cannot resolve
// it to a readable path. Never raises.
std::wstring GetSpecialFolder(int csidl);
