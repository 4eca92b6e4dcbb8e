#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Paths as the program handles them: whole Windows paths, as the shell gives
// them, with '\' between their parts. A '/' is no separator here.

// Where the last part of `path`, its file name, starts: just after its last
// '\', or at 0 where it has none.
inline size_t NameStart(std::wstring_view path) {
  const size_t separator = path.rfind(L'\\');
  return separator == std::wstring_view::npos ? 0 : separator + 1;
}

// folder\name, with one '\' however the folder ends (a drive's root, "E:\",
// already ends in one).
inline std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring path(folder);
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path.append(name);
}

// What stands at `path`.
enum class Entry { kNothing, kFolder, kFile };
// Where it finds nothing (or cannot look), GetLastError() says why.
inline Entry EntryAt(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Entry::kNothing;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? Entry::kFolder : Entry::kFile;
}
