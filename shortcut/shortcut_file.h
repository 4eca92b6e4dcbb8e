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
// in one step, and tells the shell. On failure raises Win32Error and leaves
// the folder as it was: the old shortcut untouched, no temporary file left.
// Returns the shortcut's path.
std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host);
