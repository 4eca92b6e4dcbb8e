#include "shortcut/shell_folder.h"

#include <shlobj.h>

#include <cwchar>

#include "win32/unique.h"

std::wstring GetSpecialFolder(int csidl, HRESULT* shell_result) {
  HRESULT ignored;
  HRESULT& result = shell_result ? *shell_result : ignored;
  LPITEMIDLIST raw_list = nullptr;
  result = SHGetSpecialFolderLocation(nullptr, csidl, &raw_list);
  // Only exactly S_OK counts: any other code, success or not, means the
  // folder could not be resolved.
  if (result != S_OK || raw_list == nullptr) {
    if (result == S_OK) result = E_FAIL;
    CoTaskMemFree(raw_list);
    return {};
  }
  const UniqueItemIdList folder(raw_list);

  // The wide call keeps every character of the path, whatever the system's
  // ANSI code page can hold. The buffer is larger than the MAX_PATH the call
  // may write.
  std::wstring path(512, L'\0');
  if (!SHGetPathFromIDListW(folder.get(), path.data())) {
    result = E_FAIL;
    return {};
  }
  path.resize(wcsnlen(path.c_str(), path.size()));
  return path;
}

std::wstring ConfiguredSpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT,
                              path))) {
    return {};
  }
  return path;
}
