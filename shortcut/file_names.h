#pragma once

// How the program names the files it writes. cmake/SiteHost.cmake reads the
// values below at configure time to work out the longest host name that
// leaves both file names valid: keep each on one line, in this form.

#include <cstddef>

// The shortcut is "<host>.url".
inline constexpr wchar_t kShortcutExtension[] = L".url";
// Its temporary file while it is written is "<host>.url.~" and this many
// upper-case hex digits: "www.trelvik.example.url.~1A2B3C4D".
inline constexpr wchar_t kTemporaryMark[] = L".~";
inline constexpr std::size_t kTemporaryDigits = 8;
// The longest name of a file in a folder, on every Windows file system.
inline constexpr std::size_t kMaxFileNameLength = 255;
