#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The Internet shortcut file (.url) to https://host: its lines, its bytes,
// and writing it into a folder.

// The five lines, in order, without line ends. The host is used unchanged.
std::vector<std::wstring> ShortcutLines(std::wstring_view host);

// The file's bytes in `code_page` (the system's ANSI code page when
// written): each line followed by CR LF, with no byte-order mark. Where the
// code page cannot hold a line whole, the five lines are followed by the
// section Windows' shell reads Unicode values from, "[InternetShortcut.W]",
// with each such value in UTF-7.
std::string ShortcutFileBytes(std::wstring_view host, UINT code_page);

// folder\host.url, with one separator however the folder ends.
std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host);

// Writes the shortcut into `folder`, replacing any earlier file of that name
// in one step, and tells the shell. Returns the shortcut's path.
//
// The new bytes go first into a hidden temporary file beside it,
// "<host>.url.~" and 8 hex digits; its hidden mark is cleared just before
// it is renamed over the old one, so the shortcut appears whole, with the
// attributes of a new file. While another program briefly holds the old
// shortcut open, the rename is tried again for about one second. Before
// that, temporary files that an interrupted earlier run left, more than a
// minute old, are removed where they can be.
//
// On failure raises Win32Error and leaves the folder as it was: the old
// shortcut untouched, no temporary file left. Refused before anything is
// written: a folder standing in the shortcut's place
// (ERROR_ALREADY_EXISTS), an old shortcut marked read-only
// (ERROR_ACCESS_DENIED), and a path whose temporary name would not fit in
// MAX_PATH - 1 characters or in a 255-character file name
// (ERROR_FILENAME_EXCED_RANGE).
std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host);
