#include "shortcut/replace_in_one_step.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "shortcut/failure_cause.h"
#include "shortcut/file_names.h"
#include "shortcut/leftovers.h"
#include "win32/error.h"
#include "win32/file.h"
#include "win32/path.h"
#include "win32/unique.h"

namespace {

// The temporary file is named after the target (see file_names.h), so that
// a leftover (after a power cut, say) is easy to recognise.
constexpr size_t kTemporarySuffixLength = std::size(kTemporaryMark) - 1 + kTemporaryDigits;
constexpr int kTemporaryNameAttempts = 8;
// Virus scanners, indexers and the shell open a new or changed file for a
// moment without sharing delete, and the rename onto it fails meanwhile.
// The pauses between attempts add up to about one second.
constexpr DWORD kRenamePausesMs[] = {10, 20, 40, 80, 160, 320, 400};

// The rename with POSIX semantics of Windows 10 version 1709, which the
// headers for Windows 7 leave out: its information class, and the flags that
// take the place of FILE_RENAME_INFO's ReplaceIfExists (a union of the two).
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kFileRenameFlagReplaceIfExists = 0x1;  // FILE_RENAME_FLAG_REPLACE_IF_EXISTS
constexpr DWORD kFileRenameFlagPosixSemantics = 0x2;   // FILE_RENAME_FLAG_POSIX_SEMANTICS
static_assert(offsetof(FILE_RENAME_INFO, RootDirectory) >= sizeof(DWORD), "room for the flags");

// A freshly made temporary file beside the target, held by this program
// from its creation until it has been renamed into place or deleted: open
// so that no other program can open it without sharing delete, so that
// nothing keeps it from either. Deleted through that handle unless it has
// been moved into place; where another program still has it open then, it
// goes as soon as that program lets go.
class PendingFile {
 public:
  explicit PendingFile(UniqueFile file) : file_(std::move(file)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (!moved_) DeleteThroughHandle(file_.get());
  }

  HANDLE handle() const { return file_.get(); }
  void MarkMoved() { moved_ = true; }

 private:
  UniqueFile file_;
  bool moved_ = false;
};

// `path` in the \\?\ form, which Windows takes beyond MAX_PATH - 1
// characters: "\\?\C:\...", or "\\?\UNC\server\share\..." for a network path.
std::wstring ExtendedForm(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

// A new name per attempt: the process, the high-resolution clock and the
// attempt, mixed so that close values still give different names.
std::wstring TemporaryPathFor(const std::wstring& place, int attempt) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const DWORD value = GetCurrentProcessId() * 0x9E3779B1u ^ static_cast<DWORD>(now.QuadPart) ^
                      static_cast<DWORD>(attempt) * 0x85EBCA6Bu;
  static_assert(kTemporaryDigits == 8, "HexCode gives 8 digits");
  return place + kTemporaryMark + HexCode(value).substr(2);  // without "0x"
}

// Beside the target, whose path is `place` in the form the calls take.
// Hidden, so that it does not show on the desktop while it is written;
// CREATE_NEW, so that no other file is ever taken over; with the right to
// rename and delete it through its handle, sharing only that.
PendingFile CreateTemporaryFileFor(const std::wstring& place, const std::wstring& target) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const std::wstring path = TemporaryPathFor(place, attempt);
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (file) return PendingFile(std::move(file));
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS) throw WritingError(L"CreateFileW", target, code);
  }
  throw SavingError(L"CreateFileW", target, ERROR_FILE_EXISTS, Cause::kOther);
}

// Writes the bytes, then clears the hidden mark through the file's own
// handle, leaving the attributes a new file gets: the rename is then the
// one step that makes the shortcut appear, and it is never hidden. (From
// here until the rename is done the temporary file is visible; see
// MoveIntoPlace.)
void WriteAndFlush(const PendingFile& file, const std::string& bytes, const std::wstring& target) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD written = 0;
  if (!WriteFile(file.handle(), bytes.data(), size, &written, nullptr)) {
    throw WritingError(L"WriteFile", target, GetLastError());
  }
  if (written != size) throw SavingError(L"WriteFile", target, ERROR_WRITE_FAULT, Cause::kOther);
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  if (!SetFileInformationByHandle(file.handle(), FileBasicInfo, &basic, sizeof(basic))) {
    throw WritingError(L"SetFileInformationByHandle", target, GetLastError());
  }
  if (!FlushFileBuffers(file.handle())) {
    throw WritingError(L"FlushFileBuffers", target, GetLastError());
  }
}

// Whether the file at `path` holds exactly `bytes`; false when it cannot
// be read.
bool HoldsExactly(const std::wstring& path, const std::string& bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string content(bytes.size() + 1, '\0');  // one more, to see a longer file
  DWORD read = 0;
  return ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
         content.compare(0, read, bytes) == 0 && read == bytes.size();
}

// Refuses, before anything is written, what the rename cannot do or would
// do wrongly, and finds out what there is to replace.
Replaced CheckTarget(const std::wstring& target, const std::string& bytes) {
  // The shortcut's own path must fit in MAX_PATH - 1 characters, as the
  // shell and other programs take it; its temporary file's name, in a file
  // name.
  const size_t name_length = target.size() - NameStart(target) + kTemporarySuffixLength;
  if (target.size() > MAX_PATH - 1 || name_length > kMaxFileNameLength) {
    throw SavingError({}, target, ERROR_FILENAME_EXCED_RANGE, Cause::kPathTooLong);
  }

  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Replaced::kCreated;
  // The rename would only be refused, as if a reader held the file.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw SavingError({}, target, ERROR_ALREADY_EXISTS, Cause::kFolderInTheWay);
  }
  // Windows will not rename over a read-only file; Wine run as root would,
  // and drop the mark. Either way the user's choice is kept, and where the
  // file is already what it should be, that is no failure.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (HoldsExactly(target, bytes)) return Replaced::kUnchanged;
    throw SavingError({}, target, ERROR_FILE_READ_ONLY, Cause::kReadOnly);
  }
  return Replaced::kReplaced;
}

bool MayBeBriefLock(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

bool RefusedAsUnsupported(DWORD code) {
  return std::find(std::begin(kPosixRenameUnsupported), std::end(kPosixRenameUnsupported), code) !=
         std::end(kPosixRenameUnsupported);
}

// Renames the temporary file over the target. With POSIX semantics, where
// the system takes them, a program that holds the old file open sharing
// delete (Explorer, the search indexer, a sync client) does not keep it
// from being replaced; the classic rename is refused while any program
// holds it. Killed while it waits, the process leaves the temporary file
// visible beside the old one, until a later run removes it.
void MoveIntoPlace(PendingFile& pending, const std::wstring& target, const SystemFunctions& system) {
  bool posix = system.SetFileInformationByHandle != nullptr;
  for (size_t attempt = 0;; ++attempt) {
    bool renamed = false;
    if (posix) {
      renamed = RenameOver(pending.handle(), target, system.SetFileInformationByHandle, true);
      // Not asked again; the classic rename goes at once.
      if (!renamed && RefusedAsUnsupported(GetLastError())) posix = false;
    }
    if (!renamed && !posix) {
      renamed = RenameOver(pending.handle(), target, &::SetFileInformationByHandle, false);
    }
    if (renamed) {
      pending.MarkMoved();
      return;
    }
    const DWORD code = GetLastError();
    if (attempt == std::size(kRenamePausesMs) || !MayBeBriefLock(code)) {
      throw RenamingError(L"SetFileInformationByHandle", target, code);
    }
    Sleep(kRenamePausesMs[attempt]);
  }
}

// The whole new file is written and flushed under a temporary name first,
// then swapped in with one rename: a failure at any point leaves the old
// file exactly as it was, and the temporary file gone.
Replaced SwapIn(const std::wstring& place, const std::wstring& target, const std::string& bytes,
                Replaced replaced, const SystemFunctions& system) {
  try {
    PendingFile pending = CreateTemporaryFileFor(place, target);
    WriteAndFlush(pending, bytes, target);
    MoveIntoPlace(pending, target, system);
  } catch (const Win32Error&) {
    // Whatever kept it from being written (a full or read-only disk, no
    // right to replace it, a program holding it), a shortcut that already
    // holds exactly these bytes is installed: that is no failure.
    if (HoldsExactly(target, bytes)) return Replaced::kUnchanged;
    throw;
  }
  return replaced;
}

}  // namespace

// The name is given as the system's own, "\??\C:\...", which the call
// takes as it is, whatever the path's length.
bool RenameOver(HANDLE file, const std::wstring& target, SetFileInformationCall set, bool posix) {
  std::wstring name = ExtendedForm(target);
  name[1] = L'?';  // "\\?\" becomes "\??\"
  const DWORD name_size = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name_size);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  if (posix) {
    const DWORD flags = kFileRenameFlagReplaceIfExists | kFileRenameFlagPosixSemantics;
    std::memcpy(buffer.data(), &flags, sizeof(flags));
  } else {
    rename->ReplaceIfExists = TRUE;
  }
  rename->FileNameLength = name_size;
  std::memcpy(rename->FileName, name.data(), name_size);
  return set(file, posix ? kFileRenameInfoEx : FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

Replaced ReplaceInOneStep(const std::wstring& target, const std::string& bytes,
                          const SystemFunctions& system) {
  Replaced replaced = CheckTarget(target, bytes);
  // The temporary path is the longest one used: where it would not fit in
  // MAX_PATH - 1 characters, every call on the folder takes the \\?\ form.
  const std::wstring place =
      target.size() + kTemporarySuffixLength > MAX_PATH - 1 ? ExtendedForm(target) : target;
  if (replaced != Replaced::kUnchanged) replaced = SwapIn(place, target, bytes, replaced, system);
  // Only now that the file is in place: what earlier runs left never holds
  // it up.
  RemoveLeftovers(place, bytes);
  return replaced;
}
