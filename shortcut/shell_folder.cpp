#include "shortcut/shell_folder.h"

#include <shlobj.h>

#include <cwchar>

#include "win32/unique.h"

std::wstring GetSpecialFolder(int csidl) {
  LPITEMIDLIST raw_list = nullptr;
  // Only exactly S_OK counts: any other code, success or not, means the
  // folder could not be resolved.
  if (SHGetSpecialFolderLocation(nullptr, csidl, &raw_list) != S_OK || raw_list == nullptr) {
    return {};
  }
  const UniqueItemIdList folder(raw_list);

  // The wide call keeps every character of the path, whatever the system's
  // ANSI code page can hold. The buffer is larger than the MAX_PATH the call
  // may write.
  std::wstring path(512, L'\0');
  if (!SHGetPathFromIDListW(folder.get(), path.data())) return {};
  path.resize(wcsnlen(path.c_str(), path.size()));
  return path;
}
