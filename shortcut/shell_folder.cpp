#include "shortcut/shell_folder.h"

#include <shlobj.h>

#include <cwchar>
#include <string_view>

#include "win32/path.h"
#include "win32/unique.h"

namespace {

// The folder's path as the shell resolves it, with its result for that.
std::wstring ShellFolderPath(int csidl, HRESULT& result) {
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

// Whether `path` names its place whole, not from the current folder or
// drive: "C:\..." or a network path "\\server\share\...", with '\' or '/'.
bool IsFullPath(std::wstring_view path) {
  const auto separator_at = [path](size_t i) {
    return i < path.size() && (path[i] == L'\\' || path[i] == L'/');
  };
  return (path.size() > 2 && path[1] == L':' && separator_at(2)) || (separator_at(0) && separator_at(1));
}

// The folder as it is set, in full form, where a folder stands there;
// else empty.
std::wstring ConfiguredFolderThatExists(int csidl) {
  const std::wstring configured = ConfiguredSpecialFolder(csidl);
  if (!IsFullPath(configured) || EntryAt(configured) != Entry::kFolder) return {};
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetFullPathNameW(configured.c_str(), MAX_PATH, path.data(), nullptr);
  path.resize(length < MAX_PATH ? length : 0);
  return path;
}

}  // namespace

std::wstring GetSpecialFolder(int csidl, HRESULT* shell_result) {
  HRESULT ignored;
  HRESULT& result = shell_result ? *shell_result : ignored;
  const std::wstring path = ShellFolderPath(csidl, result);
  if (!path.empty()) return path;
  // The shell takes a folder set with "..", "." or doubled or forward
  // slashes in its path for one that is not there.
  std::wstring configured = ConfiguredFolderThatExists(csidl);
  if (!configured.empty()) result = S_OK;
  return configured;
}

std::wstring ConfiguredSpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return path;
}
