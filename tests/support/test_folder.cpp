#include "test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "driver.h"
#include "site_icon.h"
#include "win32/code_page.h"
#include "win32/error.h"

namespace {

constexpr wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

void RemoveTree(const std::wstring& path) {
  for (const std::wstring& name : ListFolder(path)) {
    const std::wstring child = path + L"\\" + name;
    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (IsDirectory(child)) {
      RemoveTree(child);
    } else {
      DeleteFileW(child.c_str());
    }
  }
  RemoveDirectoryW(path.c_str());
}

void Check(LSTATUS status, const wchar_t* call) {
  if (status != ERROR_SUCCESS) throw Win32Error(L"test setup", call, L"User Shell Folders", status);
}

void SetDesktopValue(const std::wstring& value) {
  Check(RegSetKeyValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Desktop", REG_EXPAND_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
        L"RegSetKeyValueW");
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount());
  RemoveTree(path_);
  if (!CreateDirectoryW(path_.c_str(), nullptr)) ThrowLastError(L"test setup", L"CreateDirectoryW", path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

DesktopRedirect::DesktopRedirect(const std::wstring& folder) {
  wchar_t old[2048];
  DWORD size = sizeof(old);
  had_value_ = RegGetValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Desktop", RRF_RT_ANY | RRF_NOEXPAND,
                            nullptr, old, &size) == ERROR_SUCCESS;
  if (had_value_) old_value_ = old;
  SetDesktopValue(folder);
}

// Throwing here would end the test program: the test fails instead.
DesktopRedirect::~DesktopRedirect() {
  try {
    if (had_value_) {
      SetDesktopValue(old_value_);
    } else {
      Check(RegDeleteKeyValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Desktop"), L"RegDeleteKeyValueW");
    }
  } catch (const Win32Error& error) {
    ADD_FAILURE() << "the desktop folder's old setting could not be put back: " << error.what();
  }
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (!search) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search.get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + ToUtf8(path));
}

UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD attributes) {
  UniqueFile file(CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
  if (!file) ThrowLastError(L"test setup", L"CreateFileW", path);
  return file;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ConfiguredIconImage() {
  std::wstring path = L"Z:" + FromUtf8(OSTRIVANE_ICON_IMAGE);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return ReadBytes(path);
}
