#include "shortcut/shell_folder.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "test_folder.h"

namespace {

bool AnsiCodePageCanHold(const std::wstring& text) {
  BOOL lost = FALSE;
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &lost);
  return !lost;
}

TEST(GetSpecialFolder, DesktopDirectoryIsTheUsersDesktopFolder) {
  wchar_t expected[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, expected), S_OK);

  const std::wstring desktop = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(desktop, expected);
  EXPECT_TRUE(IsDirectory(desktop));
}

TEST(GetSpecialFolder, UnresolvableFolderGivesEmptyString) {
  EXPECT_EQ(GetSpecialFolder(0x7F), L"");  // no such CSIDL
  EXPECT_EQ(GetSpecialFolder(-1), L"");
}

// The path must come back exactly, whatever the system's ANSI code page can
// hold: a user name in another script, a redirected desktop.
TEST(GetSpecialFolder, KeepsCharactersOutsideTheAnsiCodePage) {
  if (GetACP() != 949) GTEST_SKIP() << "needs the Korean ANSI code page (949), not " << GetACP();
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\바탕화면 ไทย مكتب ✓";
  ASSERT_FALSE(AnsiCodePageCanHold(desktop));
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
  DesktopRedirect redirect(desktop);

  EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOPDIRECTORY), desktop);
}

TEST(GetSpecialFolder, LongPathComesBackWhole) {
  ScratchFolder scratch;
  std::wstring desktop = scratch.path() + L"\\";
  desktop += std::wstring(240 - desktop.size(), L'd');  // close to the longest a folder can be
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr)) << GetLastError();
  DesktopRedirect redirect(desktop);

  const std::wstring found = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(found.size(), desktop.size());
  EXPECT_EQ(found, desktop);
}

}  // namespace
