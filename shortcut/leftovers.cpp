#include "shortcut/leftovers.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "shortcut/file_names.h"
#include "win32/file.h"
#include "win32/path.h"
#include "win32/unique.h"

namespace {

// A younger one may belong to another copy that is writing right now.
constexpr ULONGLONG kLeftoverAge = 60ull * 10'000'000;  // one minute, in FILETIME units
// However many there are, they hold up no run for long: the rest go on
// later runs.
constexpr int kLeftoversPerRun = 100;
// The shortcut the program writes is well under this.
constexpr DWORD kLargestLeftover = 4096;
// What is never a leftover, whatever its name and content.
constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// Whether `name` is "<target's name>.~" and exactly 8 hex digits.
bool IsTemporaryNameOf(const std::wstring& name, const std::wstring& target_name) {
  const std::wstring prefix = target_name + kTemporaryMark;
  return name.size() == prefix.size() + kTemporaryDigits &&
         SameIgnoringCase(std::wstring_view(name).substr(0, prefix.size()), prefix) &&
         std::wcsspn(name.c_str() + prefix.size(), L"0123456789ABCDEFabcdef") == kTemporaryDigits;
}

// The path of what is open as `handle`, every link on the way to it
// resolved, in the system's own form; empty where it cannot be told. Wine
// shows a Linux symbolic link as a plain file, but gives its target's path
// here.
std::wstring FinalPathOf(HANDLE handle) {
  constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_NT;
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, path.data(), MAX_PATH, kFlags);
  if (length >= MAX_PATH) {  // the size it needs
    path.resize(length);
    length = GetFinalPathNameByHandleW(handle, path.data(), length, kFlags);
  }
  path.resize(length < path.size() ? length : 0);
  return path;
}

// Deletes the file at `path`, of the folder whose final path is
// `folder_path`, if it is provably a leftover (see leftovers.h).
void RemoveIfLeftover(const std::wstring& path, const std::wstring& folder_path,
                      std::string_view first_line) {
  // Sharing only reading: nothing changes it or takes it elsewhere while it
  // is looked at, and a file another program has open is left.
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & kNotPlain) ||
      info.nNumberOfLinks != 1 || info.nFileSizeHigh != 0 || info.nFileSizeLow > kLargestLeftover ||
      !SameIgnoringCase(FinalPathOf(file.get()), JoinPath(folder_path, path.substr(NameStart(path))))) {
    return;
  }
  std::string content(info.nFileSizeLow, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), content.data(), info.nFileSizeLow, &read, nullptr) || read != info.nFileSizeLow ||
      std::string_view(content).substr(0, first_line.size()) != first_line.substr(0, read)) {
    return;
  }
  DeleteThroughHandle(file.get());
}

}  // namespace

void RemoveLeftovers(const std::wstring& place, std::string_view bytes) {
  const size_t name_start = NameStart(place);
  const std::wstring folder = place.substr(0, name_start);
  const std::wstring target_name = place.substr(name_start);
  const std::string_view first_line = bytes.substr(0, bytes.find('\n') + 1);
  if (first_line.empty()) return;
  const UniqueFile folder_handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder_handle) return;
  const std::wstring folder_path = FinalPathOf(folder_handle.get());
  if (folder_path.empty()) return;

  WIN32_FIND_DATAW entry;
  const UniqueFindHandle search(FindFirstFileExW((place + kTemporaryMark + L"*").c_str(), FindExInfoBasic,
                                                 &entry, FindExSearchNameMatch, nullptr, 0));
  if (!search) return;
  FILETIME now_time;
  GetSystemTimeAsFileTime(&now_time);
  const ULONGLONG now = FileTimeValue(now_time);
  int looked_at = 0;
  do {
    const ULONGLONG written = FileTimeValue(entry.ftLastWriteTime);
    if (!(entry.dwFileAttributes & kNotPlain) && written < now && now - written > kLeftoverAge &&
        IsTemporaryNameOf(entry.cFileName, target_name)) {
      RemoveIfLeftover(folder + entry.cFileName, folder_path, first_line);
      ++looked_at;
    }
  } while (looked_at < kLeftoversPerRun && FindNextFileW(search.get(), &entry));
}
