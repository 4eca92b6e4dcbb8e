#pragma once

#include <string>
#include <string_view>
#include <vector>

// The Internet shortcut file (.url) to https://host: its lines, its bytes,
// and writing it into a folder.

// The five lines, in order, without line ends. The host is used unchanged.
std::vector<std::wstring> ShortcutLines(std::wstring_view host);

// The file's bytes: each line followed by CR LF, in the system's ANSI code
// page, with no byte-order mark.
std::string ShortcutFileBytes(std::wstring_view host);

// folder\host.url
std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host);

// Writes the shortcut into `folder`, replacing any earlier file of that name
// in one step, and tells the shell. Returns the shortcut's path.
//
// The new bytes go first into a hidden temporary file beside it,
// "<host>.url.~" and 8 hex digits, which is then renamed over the old one;
// the finished shortcut has normal attributes. While another program
// briefly holds the old shortcut open, the rename is tried again for about
// one second.
//
// On failure raises Win32Error and leaves the folder as it was: the old
// shortcut untouched, no temporary file left. Refused before anything is
// written: an old shortcut marked read-only (ERROR_ACCESS_DENIED), and a
// path whose temporary name would not fit in MAX_PATH - 1 characters or in
// a 255-character file name (ERROR_FILENAME_EXCED_RANGE). Only if clearing
// the hidden mark fails after the rename is the new shortcut already in
// place when the error is raised.
std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host);
