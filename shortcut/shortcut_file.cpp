#include "shortcut/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/error.h"
#include "win32/unique.h"

namespace {

// A freshly made temporary file beside the shortcut; deleted again unless
// it has been moved into place.
class PendingFile {
 public:
  explicit PendingFile(std::wstring path) : path_(std::move(path)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (!moved_) DeleteFileW(path_.c_str());
  }

  const std::wstring& path() const { return path_; }
  void MarkMoved() { moved_ = true; }

 private:
  std::wstring path_;
  bool moved_ = false;
};

PendingFile CreateTemporaryFileIn(const std::wstring& folder) {
  wchar_t path[MAX_PATH];
  // Makes a new, empty file with a name no other file in the folder has.
  if (!GetTempFileNameW(folder.c_str(), L"ost", 0, path)) {
    ThrowLastError(L"GetTempFileNameW", folder);
  }
  return PendingFile(path);
}

void WriteAndFlush(const std::wstring& path, const std::string& bytes) {
  const HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) ThrowLastError(L"CreateFileW", path);
  const UniqueHandle file(raw);

  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    ThrowLastError(L"WriteFile", path);
  }
  if (written != bytes.size()) throw Win32Error(L"WriteFile (" + path + L")", ERROR_WRITE_FAULT);
  if (!FlushFileBuffers(file.get())) ThrowLastError(L"FlushFileBuffers", path);
}

std::string ToAnsiCodePage(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size == 0) ThrowLastError(L"WideCharToMultiByte");
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::vector<std::wstring> ShortcutLines(std::wstring_view host) {
  const std::wstring site = L"https://" + std::wstring(host);
  return {
      L"[InternetShortcut]",
      L"URL=" + site,
      L"Description=Trelvik바로가기",
      L"IconFile=" + site + L"/favicon.ico",
      L"IconIndex=1",
  };
}

std::string ShortcutFileBytes(std::wstring_view host) {
  std::wstring text;
  for (const std::wstring& line : ShortcutLines(host)) text += line + L"\r\n";
  return ToAnsiCodePage(text);
}

std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host) {
  return std::wstring(folder) + L"\\" + std::wstring(host) + L".url";
}

std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host) {
  const std::wstring target = ShortcutPath(folder, host);
  const std::string bytes = ShortcutFileBytes(host);

  // The whole new file is written and flushed under a temporary name first,
  // then swapped in with one rename: a failure at any point leaves the old
  // shortcut exactly as it was.
  PendingFile pending = CreateTemporaryFileIn(std::wstring(folder));
  WriteAndFlush(pending.path(), bytes);

  const bool replacing = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!MoveFileExW(pending.path().c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowLastError(L"MoveFileExW", target);
  }
  pending.MarkMoved();

  // Lets the desktop show the new shortcut and its icon at once.
  SHChangeNotify(replacing ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW, target.c_str(), nullptr);
  return target;
}
