#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/system_functions.h"
#include "resources/texts.h"

// The Internet shortcut file (.url) to https://host: its lines, its bytes,
// its path, and putting it into a folder.

// A host name in its two forms, the same for an all-ASCII host. The
// shortcut's lines carry the ASCII form, each international label as xn--
// ("www.xn--xx3br43b.kr"), which every code page holds and every browser
// opens; its file name the Unicode form ("www.한빛.kr"), which the user reads
// under the icon.
struct HostName {
  std::wstring_view ascii;
  std::wstring_view unicode;
};

// The five lines, in order, without line ends. The host, in its ASCII form,
// is used unchanged; the description is the brand's unless another is given.
std::vector<std::wstring> ShortcutLines(std::wstring_view host,
                                        std::wstring_view description = texts::kShortcutDescription);

// The file's bytes in `code_page` (the system's ANSI code page when
// written): each line followed by CR LF, with no byte-order mark, each
// character the code page lacks as '?'. Where the code page cannot hold a
// line whole, the lines are followed by the section Windows' shell reads
// Unicode values from, "[InternetShortcut.W]", with each such value in UTF-7.
std::string ShortcutFileBytes(std::wstring_view host, UINT code_page,
                              std::wstring_view description = texts::kShortcutDescription);

// folder\host.url, with one '\' however the folder ends; the host in its
// Unicode form.
std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host);

// Writes the shortcut into `folder` with ReplaceInOneStep and the calls
// `system` has (see there for how, and for the errors it raises), and tells
// the shell unless the file was already right and read-only. Returns the
// shortcut's path.
std::wstring WriteShortcutFile(std::wstring_view folder, const HostName& host, const SystemFunctions& system);
