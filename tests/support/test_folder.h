#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/unique.h"

// A fresh, empty folder under %TEMP% for one test, removed with everything
// in it afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name = L"ostrivane-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// Points the current user's desktop folder at `folder` for the life of the
// object, then puts the old setting back; where it cannot, the test fails.
class DesktopRedirect {
 public:
  explicit DesktopRedirect(const std::wstring& folder);
  ~DesktopRedirect();
  DesktopRedirect(const DesktopRedirect&) = delete;
  DesktopRedirect& operator=(const DesktopRedirect&) = delete;

 private:
  std::wstring old_value_;
  bool had_value_ = false;
};

// Names of the entries in `folder`, without "." and "..", sorted.
std::vector<std::wstring> ListFolder(const std::wstring& folder);

void WriteBytes(const std::wstring& path, const std::string& bytes);
// CreateFileW's handle; throws, naming the file, if it could not open it.
UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// The 48 x 48 icon image the build was configured with (the default mark or
// SITE_ICON's picture), read through Wine's drive for the host's root.
std::string ConfiguredIconImage();

bool IsDirectory(const std::wstring& path);
bool Exists(const std::wstring& path);
