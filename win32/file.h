#pragma once

#include <windows.h>

// Deletes the file open as `file`, which must have been opened with DELETE
// access, through that handle: never another file that took its name
// meanwhile. It goes once every handle to it is closed. Where Windows
// refuses, the file stays.
inline void DeleteThroughHandle(HANDLE file) {
  FILE_DISPOSITION_INFO dispose = {TRUE};
  SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof(dispose));
}
