#include "shortcut/failure_cause.h"

#include "resources/texts.h"
#include "shortcut/shell_folder.h"
#include "win32/path.h"
#include "win32/unique.h"

namespace {

// The folder that holds `path`, as the user would look for it.
std::wstring FolderOf(const std::wstring& path) {
  std::wstring folder = path.substr(0, NameStart(path) - 1);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive's root, "E:\"
  return folder;
}

// What a code from creating or writing the new file says about the place.
Cause CauseOfWriteFailure(DWORD code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Cause::kDiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return Cause::kNotWritable;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return Cause::kFolderNotFound;  // unless it is there (see SavingError)
    default:
      return Cause::kOther;
  }
}

bool IsHeldByAProgram(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION; }

// The rename was refused for good. By now the folder took a new file, and
// the old one is neither read-only nor a folder. A sharing or lock violation
// from the rename shows a program holding the old file. Refused access, the
// rename may meet a holder too: the classic rename is refused over a file
// that any program has open, even one that shares delete (Explorer, the
// search indexer, a sync client) or one that only reads its attributes (a
// property or thumbnail handler), which conflicts with no share mode and so
// shows in no probe. So the old file is opened for deletion, as the rename
// opens it: only where that itself is refused access may this user not
// replace it; where it opens, or meets a program that keeps it from
// opening, the refusal was a program holding it.
Cause CauseOfRenameFailure(const std::wstring& target, DWORD code) {
  if (IsHeldByAProgram(code)) return Cause::kInUse;
  if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) return Cause::kDiskFull;
  if (code != ERROR_ACCESS_DENIED) return Cause::kOther;
  const UniqueFile probe(CreateFileW(target.c_str(), DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (probe) return Cause::kInUse;
  const DWORD probe_code = GetLastError();
  if (IsHeldByAProgram(probe_code)) return Cause::kInUse;
  return probe_code == ERROR_ACCESS_DENIED ? Cause::kNotPermitted : Cause::kOther;
}

}  // namespace

Win32Error SavingError(std::wstring_view call, const std::wstring& target, DWORD code, Cause cause) {
  if (cause == Cause::kFolderNotFound) {
    const Entry entry = EntryAt(FolderOf(target));
    if (entry == Entry::kFile) cause = Cause::kFileInTheWay;
    if (entry == Entry::kFolder) cause = Cause::kBlockedBySecuritySoftware;
  }
  const bool about_folder = cause == Cause::kFolderNotFound || cause == Cause::kFileInTheWay;
  return Win32Error(texts::kStepSaveShortcut, call, about_folder ? FolderOf(target) : target, code, cause);
}

Win32Error WritingError(std::wstring_view call, const std::wstring& target, DWORD code) {
  return SavingError(call, target, code, CauseOfWriteFailure(code));
}

Win32Error RenamingError(std::wstring_view call, const std::wstring& target, DWORD code) {
  return SavingError(call, target, code, CauseOfRenameFailure(target, code));
}

Win32Error SpecialFolderLookupError(std::wstring_view step, int csidl, HRESULT shell_result) {
  const std::wstring configured = ConfiguredSpecialFolder(csidl);
  std::wstring_view call = L"SHGetSpecialFolderLocation";
  DWORD code = static_cast<DWORD>(shell_result);
  Cause cause = Cause::kOther;
  if (!configured.empty()) {
    const Entry entry = EntryAt(configured);
    if (entry == Entry::kNothing) {
      call = L"GetFileAttributesW";
      code = GetLastError();  // what keeps the place from being read
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        cause = Cause::kFolderNotFound;
      }
    } else if (entry == Entry::kFile) {
      cause = Cause::kFileInTheWay;
    }
  }
  return Win32Error(step, call, configured, code, cause);
}
