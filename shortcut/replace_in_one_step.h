#pragma once

#include <windows.h>

#include <string>

#include "app/system_functions.h"

// What ReplaceInOneStep found at the file's path and did.
enum class Replaced {
  kCreated,    // there was no file: it is new
  kReplaced,   // an older file was replaced
  kUnchanged,  // the file already held exactly these bytes and was read-only or could
               // not be written: kept as it was
};

// Makes `bytes` the whole content of the file at `target`, replacing any
// earlier file of that name in one step.
//
// The bytes go first into a hidden temporary file beside it, named as
// file_names.h says, which this program holds open from its creation until
// it is renamed into place or deleted, so that no other program can keep it
// from either. Its hidden mark is cleared just before it is renamed over the
// old one, so the file appears whole, with the attributes of a new file.
// The rename takes POSIX semantics where `system` offers them (Windows 10
// version 1709 and later, on NTFS), so that a program reading the old file
// while sharing delete does not keep it from being replaced; elsewhere, the
// classic rename. While another program briefly holds the old file open,
// the rename is tried again for about one second. Where the temporary path would not fit in
// MAX_PATH - 1 characters, the calls take the \\?\ form of the paths. Once
// the file is in place, the temporary files that interrupted earlier runs
// left are removed, where they provably are such (see leftovers.h).
//
// When the file cannot be written but already holds exactly `bytes`, that
// is no failure (Replaced::kUnchanged). Otherwise a failure raises
// Win32Error for the step of saving the shortcut and leaves the folder as it
// was: the old file untouched, no temporary file left (one that another
// program opened meanwhile goes when that program lets go). The error names
// `target`, or its folder when that is missing, never the temporary file,
// and carries the cause where it is known:
// - refused before anything is written: an old file marked read-only that
//   holds other bytes (Cause::kReadOnly, ERROR_FILE_READ_ONLY), a folder
//   standing in its place (Cause::kFolderInTheWay, ERROR_ALREADY_EXISTS),
//   a path that does not fit in MAX_PATH - 1 characters or whose temporary
//   name would not fit in a file name (Cause::kPathTooLong,
//   ERROR_FILENAME_EXCED_RANGE);
// - the folder is missing (Cause::kFolderNotFound), cannot be written
//   (Cause::kNotWritable) or its disk is full (Cause::kDiskFull);
// - this user may not open the old file for deletion (Cause::kNotPermitted);
//   otherwise a rename refused over it is a program holding it
//   (Cause::kInUse);
// - anything else with the Windows error code alone (Cause::kOther).
Replaced ReplaceInOneStep(const std::wstring& target, const std::string& bytes,
                          const SystemFunctions& system);

// How the systems that lack the rename with POSIX semantics refuse it, each
// of which makes ReplaceInOneStep take the classic rename instead: Windows
// before 10 version 1709 and Wine, an unknown information class (invalid
// parameter; Windows Server 2016, invalid function); a file system without
// it (FAT and exFAT, invalid parameter; ReFS, not supported); a stand-in
// that has none (not implemented). Any other refusal is the rename's own.
inline constexpr DWORD kPosixRenameUnsupported[] = {ERROR_INVALID_PARAMETER, ERROR_INVALID_FUNCTION,
                                                    ERROR_NOT_SUPPORTED, ERROR_CALL_NOT_IMPLEMENTED};

using SetFileInformationCall = decltype(SystemFunctions::SetFileInformationByHandle);

// Renames the file open as `file` (with DELETE access) to `target` through
// its handle, replacing any file there: with `set`, as FileRenameInfoEx with
// POSIX semantics where `posix`, else as the classic FileRenameInfo. False,
// with the system's error code, where refused.
bool RenameOver(HANDLE file, const std::wstring& target, SetFileInformationCall set, bool posix);
