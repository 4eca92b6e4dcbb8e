#include "shortcut/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <iterator>

#include "resources/texts.h"
#include "win32/error.h"
#include "win32/unique.h"

namespace {

// The temporary file is named after the shortcut, "<host>.url.~1a2b3c4d",
// so that a leftover (after a power cut, say) is easy to recognise.
constexpr wchar_t kTemporaryMark[] = L".~";
constexpr size_t kTemporaryDigits = 8;  // hex
constexpr size_t kTemporarySuffixLength = 2 + kTemporaryDigits;  // with the mark
constexpr int kTemporaryNameAttempts = 8;
constexpr size_t kMaxFileNameLength = 255;
// A temporary file this much older than now was left by an earlier run
// that was interrupted (a power cut, a killed process); a younger one may
// belong to another copy of the program that is writing right now.
constexpr ULONGLONG kLeftoverAge = 60ull * 10'000'000;  // one minute, in FILETIME units

// Where Windows' shell reads the values that the ANSI code page cannot hold,
// each in UTF-7.
constexpr char kUnicodeSection[] = "[InternetShortcut.W]";

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
    if (GetLastError() != ERROR_FILE_EXISTS) {
      ThrowLastError(texts::kStepCreateTemporary, L"CreateFileW", path);
    }
  }
  throw Win32Error(texts::kStepCreateTemporary, L"CreateFileW", path, ERROR_FILE_EXISTS);
}

// Writes the bytes, then clears the hidden mark through the file's own
// handle, leaving the attributes a new file gets: the rename is then the
// one step that makes the shortcut appear, and it is never hidden.
void WriteAndFlush(const PendingFile& file, const std::string& bytes) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD written = 0;
  if (!WriteFile(file.handle(), bytes.data(), size, &written, nullptr)) {
    ThrowLastError(texts::kStepWriteTemporary, L"WriteFile", file.path());
  }
  if (written != size) {
    throw Win32Error(texts::kStepWriteTemporary, L"WriteFile", file.path(), ERROR_WRITE_FAULT);
  }
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  if (!SetFileInformationByHandle(file.handle(), FileBasicInfo, &basic, sizeof(basic))) {
    ThrowLastError(texts::kStepUnhideTemporary, L"SetFileInformationByHandle", file.path());
  }
  if (!FlushFileBuffers(file.handle())) {
    ThrowLastError(texts::kStepFlushTemporary, L"FlushFileBuffers", file.path());
  }
}

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Whether `name` is "<shortcut name>.~" and exactly 8 hex digits.
bool IsTemporaryNameOf(const std::wstring& name, const std::wstring& shortcut_name) {
  const std::wstring prefix = shortcut_name + kTemporaryMark;
  return name.size() == prefix.size() + kTemporaryDigits &&
         CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL &&
         std::wcsspn(name.c_str() + prefix.size(), L"0123456789ABCDEFabcdef") == kTemporaryDigits;
}

// Removes the temporary files of this shortcut that an interrupted earlier
// run left behind. Touches no other file, and one that cannot be removed
// is left where it is: it does not keep the new shortcut from being written.
void RemoveLeftovers(const std::wstring& target) {
  const size_t name_start = target.rfind(L'\\') + 1;
  const std::wstring folder = target.substr(0, name_start);
  const std::wstring shortcut_name = target.substr(name_start);
  WIN32_FIND_DATAW entry;
  const HANDLE found = FindFirstFileExW((target + kTemporaryMark + L"*").c_str(), FindExInfoBasic,
                                        &entry, FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) return;
  const UniqueFindHandle search(found);
  FILETIME now_time;
  GetSystemTimeAsFileTime(&now_time);
  const ULONGLONG now = FileTimeValue(now_time);
  do {
    const ULONGLONG written = FileTimeValue(entry.ftLastWriteTime);
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && written < now &&
        now - written > kLeftoverAge && IsTemporaryNameOf(entry.cFileName, shortcut_name)) {
      DeleteFileW((folder + entry.cFileName).c_str());
    }
  } while (FindNextFileW(search.get(), &entry));
}

// Refuses, before anything is written, what the rename cannot do or would
// do wrongly. Returns whether an old shortcut is there to be replaced.
bool CheckTarget(const std::wstring& target) {
  // Without a \\?\ prefix the calls take at most MAX_PATH - 1 characters,
  // and the temporary path is the longest one used.
  const size_t name_length = target.size() - target.rfind(L'\\') - 1 + kTemporarySuffixLength;
  if (target.size() + kTemporarySuffixLength > MAX_PATH - 1 || name_length > kMaxFileNameLength) {
    throw Win32Error(texts::kStepCheckPathLength, {}, target, ERROR_FILENAME_EXCED_RANGE);
  }

  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // The rename would only be refused, as if a reader held the file.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw Win32Error(texts::kStepReplaceFolder, {}, target, ERROR_ALREADY_EXISTS);
  }
  // Windows will not rename over a read-only file; Wine run as root would,
  // and drop the mark. Either way the user's choice is kept.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    throw Win32Error(texts::kStepReplaceReadOnly, {}, target, ERROR_ACCESS_DENIED);
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
      throw Win32Error(texts::kStepReplaceShortcut, L"MoveFileExW", target, code);
    }
    Sleep(kRenamePausesMs[attempt]);
  }
}

std::string Encode(std::wstring_view text, UINT code_page) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size == 0) ThrowLastError(texts::kStepEncodeShortcut, L"WideCharToMultiByte");
  std::string bytes(size, '\0');
  WideCharToMultiByte(code_page, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// Whether `bytes` in `code_page` read back as `text`: no character was
// replaced by the default one, nor by a look-alike.
bool ReadsBackAs(const std::string& bytes, UINT code_page, std::wstring_view text) {
  const int size = static_cast<int>(bytes.size());
  std::wstring decoded(MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, decoded.data(),
                      static_cast<int>(decoded.size()));
  return decoded == text;
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

std::string ShortcutFileBytes(std::wstring_view host, UINT code_page) {
  std::string bytes;
  std::string unicode_values;
  for (const std::wstring& line : ShortcutLines(host)) {
    const std::string encoded = Encode(line, code_page);
    bytes += encoded + "\r\n";
    if (!ReadsBackAs(encoded, code_page, line)) {
      // The key is ASCII; only the value needs UTF-7.
      const size_t value = line.find(L'=') + 1;
      unicode_values += Encode(line.substr(0, value), code_page) +
                        Encode(line.substr(value), CP_UTF7) + "\r\n";
    }
  }
  if (!unicode_values.empty()) bytes += kUnicodeSection + std::string("\r\n") + unicode_values;
  return bytes;
}

std::wstring ShortcutPath(std::wstring_view folder, std::wstring_view host) {
  std::wstring path(folder);
  // A folder at a drive's root, "E:\", already ends in one.
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  return path + std::wstring(host) + L".url";
}

std::wstring WriteShortcutFile(std::wstring_view folder, std::wstring_view host) {
  const std::wstring target = ShortcutPath(folder, host);
  const std::string bytes = ShortcutFileBytes(host, GetACP());
  const bool replacing = CheckTarget(target);
  RemoveLeftovers(target);

  // The whole new file is written and flushed under a temporary name first,
  // then swapped in with one rename: a failure at any point leaves the old
  // shortcut exactly as it was.
  PendingFile pending = CreateTemporaryFileFor(target);
  WriteAndFlush(pending, bytes);
  MoveIntoPlace(pending, target);

  // Lets the desktop show the new shortcut and its icon at once.
  SHChangeNotify(replacing ? SHCNE_UPDATEITEM : SHCNE_CREATE, SHCNF_PATHW, target.c_str(), nullptr);
  return target;
}
