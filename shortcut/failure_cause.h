#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win32/error.h"

// Why installing the shortcut failed, as far as the program can tell, so
// that the report says it in the user's words; and the errors that carry it.

enum class Cause {
  kOther,           // only the code is known
  kReadOnly,        // the file to replace is marked read-only
  kFolderInTheWay,  // a folder stands where the file goes
  kInUse,           // another program keeps the file open, or the rename was refused
                    // though the user may delete it
  kNotPermitted,    // the user may not delete, so not replace, the file
  kDiskFull,
  kNotWritable,     // the disk or the folder refuses writing
  kFolderNotFound,  // the folder the file goes into is not there
  kFileInTheWay,    // a file stands where that folder should be
  kPathTooLong,
  // The folder is there, yet creating the file in it found no path: security
  // software refused it.
  kBlockedBySecuritySoftware,
};

// The error for saving the shortcut at `target`: `call` failed with `code`
// (no call where the program refused before trying). The user never sees
// the temporary file, so the error names `target`, or its folder where that
// is missing or a file stands in its place. A folder said to be missing
// that is there after all is security software's doing (see WritingError).
Win32Error SavingError(std::wstring_view call, const std::wstring& target, DWORD code, Cause cause);

// The same, for a call that created or wrote the new file, with what `code`
// says about the place: a full disk, a disk or folder that refuses writing,
// a missing folder. Where the path or file was not found but the folder is
// there, security software refused the new file: Windows Security's
// controlled folder access, covering the desktop, shows its refusal of an
// unknown program so.
Win32Error WritingError(std::wstring_view call, const std::wstring& target, DWORD code);

// The same, for a rename over the old file at `target` that was refused for
// good: a full disk, no right to replace it where this user may not even open
// it for deletion, and otherwise a program holding it.
Win32Error RenamingError(std::wstring_view call, const std::wstring& target, DWORD code);

// The error for `step` when the shell could not resolve the folder `csidl`
// (GetSpecialFolder gave `shell_result`). It names where the folder is set to
// be, as it is set, and says what is there: not found only where nothing is
// at that place (Cause::kFolderNotFound), a file in the folder's place
// (Cause::kFileInTheWay), else the code of what kept the place from being
// read, or the shell's, for the system's own message (Cause::kOther).
Win32Error SpecialFolderLookupError(std::wstring_view step, int csidl, HRESULT shell_result);
