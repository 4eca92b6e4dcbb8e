#include "shortcut/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include <iterator>

#include "win32/error.h"
#include "win32/unique.h"

namespace {

// The temporary file is named after the shortcut, "<host>.url.~1a2b3c4d",
// so that a leftover (after a power cut, say) is easy to recognise.
constexpr wchar_t kTemporaryMark[] = L".~";
constexpr size_t kTemporarySuffixLength = 2 + 8;  // the mark and 8 hex digits
constexpr int kTemporaryNameAttempts = 8;
constexpr size_t kMaxFileNameLength = 255;

// Virus scanners, indexers and the shell open a new or changed file for a
// moment without sharing delete, and the rename onto it fails meanwhile.
// The pauses between attempts add up to about one second.
constexpr DWORD kRenamePausesMs[] = {10, 20, 40, 80, 160, 320, 400};

// A freshly made temporary file beside the shortcut, open for writing;
// deleted again unless it has been moved into place.
class PendingFile {
 public:
  PendingFile(std::wstring path, UniqueHandle file)
      : path_(std::move(path)), file_(std::move(file)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    file_.reset();
    if (!moved_) DeleteFileW(path_.c_str());
  }

  const std::wstring& path() const { return path_; }
  HANDLE handle() const { return file_.get(); }
  // A file open without shared delete access cannot be renamed.
  void Close() { file_.reset(); }
  void MarkMoved() { moved_ = true; }

 private:
  std::wstring path_;
  UniqueHandle file_;
  bool moved_ = false;
};

// A new name per attempt: the process, the high-resolution clock and the
// attempt, mixed so that close values still give different names.
std::wstring TemporaryPathFor(const std::wstring& target, int attempt) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const DWORD value = GetCurrentProcessId() * 0x9E3779B1u ^ static_cast<DWORD>(now.QuadPart) ^
                      static_cast<DWORD>(attempt) * 0x85EBCA6Bu;
  return target + kTemporaryMark + HexCode(value).substr(2);  // 8 hex digits, without "0x"
}

// Hidden, so that it never shows on the desktop; CREATE_NEW, so that no
// other file is ever taken over.
PendingFile CreateTemporaryFileFor(const std::wstring& target) {
  std::wstring path;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    path = TemporaryPathFor(target, attempt);
    const HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (raw != INVALID_HANDLE_VALUE) return PendingFile(path, UniqueHandle(raw));
    if (GetLastError() != ERROR_FILE_EXISTS) ThrowLastError(L"CreateFileW", path);
  }
  throw Win32Error(L"CreateFileW (" + path + L")", ERROR_FILE_EXISTS);
}

void WriteAndFlush(const PendingFile& file, const std::string& bytes) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD written = 0;
  if (!WriteFile(file.handle(), bytes.data(), size, &written, nullptr)) {
    ThrowLastError(L"WriteFile", file.path());
  }
  if (written != size) {
    throw Win32Error(L"WriteFile (" + file.path() + L")", ERROR_WRITE_FAULT);
  }
  if (!FlushFileBuffers(file.handle())) ThrowLastError(L"FlushFileBuffers", file.path());
}

// Refuses, before anything is written, what the rename cannot do or would
// do wrongly. Returns whether an old shortcut is there to be replaced.
bool CheckTarget(const std::wstring& target) {
  // Without a \\?\ prefix the calls take at most MAX_PATH - 1 characters,
  // and the temporary path is the longest one used.
  const size_t name_length = target.size() - target.rfind(L'\\') - 1 + kTemporarySuffixLength;
  if (target.size() + kTemporarySuffixLength > MAX_PATH - 1 || name_length > kMaxFileNameLength) {
    throw Win32Error(L"shortcut path (" + target + L")", ERROR_FILENAME_EXCED_RANGE);
  }

  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // Windows will not rename over a read-only file; Wine run as root would,
  // and drop the mark. Either way the user's choice is kept.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throw Win32Error(L"read-only shortcut (" + target + L")", ERROR_ACCESS_DENIED);
  }
  return true;
}

bool MayBeBriefLock(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
         code == ERROR_LOCK_VIOLATION;
}

void MoveIntoPlace(PendingFile& pending, const std::wstring& target) {
  pending.Close();
  for (size_t attempt = 0;; ++attempt) {
    if (MoveFileExW(pending.path().c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      pending.MarkMoved();
      return;
    }
    const DWORD code = GetLastError();
    if (attempt == std::size(kRenamePausesMs) || !MayBeBriefLock(code)) {
      throw Win32Error(L"MoveFileExW (" + target + L")", code);
    }
    Sleep(kRenamePausesMs[attempt]);
  }
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
  const bool replacing = CheckTarget(target);

  // The whole new file is written and flushed under a temporary name first,
  // then swapped in with one rename: a failure at any point leaves the old
  // shortcut exactly as it was.
  PendingFile pending = CreateTemporaryFileFor(target);
  WriteAndFlush(pending, bytes);
  MoveIntoPlace(pending, target);

  // The rename keeps the temporary file's hidden mark.
  if (!SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL)) {
    ThrowLastError(L"SetFileAttributesW", target);
  }

  // Lets the desktop show the new shortcut and its icon at once.
  SHChangeNotify(replacing ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW, target.c_str(), nullptr);
  return target;
}
