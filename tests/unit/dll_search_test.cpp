// The restriction is for the whole process: this test program has it to
// itself, with libforeign_dll.dll beside it.

#include "app/dll_search.h"

#include <gtest/gtest.h>
#include <windows.h>

// Windows 7 without SetDefaultDllDirectories: the current folder at least
// leaves the search, as an empty DLL folder does.
TEST(DllSearch, OnWindows7TheDllFolderIsSetToNone) {
  ASSERT_TRUE(SetDllDirectoryW(L"C:\\"));
  RestrictDllSearchToSystemFolder(SystemFunctions{});  // none of the newer calls
  wchar_t folder[MAX_PATH] = L"unchanged";
  EXPECT_EQ(GetDllDirectoryW(MAX_PATH, folder), 0u);
  EXPECT_STREQ(folder, L"");
}

TEST(DllSearch, ADllBesideTheProgramIsNoLongerLoadedByName) {
  const HMODULE planted = LoadLibraryW(L"libforeign_dll.dll");
  ASSERT_NE(planted, nullptr) << "not found beside the program even before";
  FreeLibrary(planted);

  RestrictDllSearchToSystemFolder(LookUpSystemFunctions());
  EXPECT_EQ(LoadLibraryW(L"libforeign_dll.dll"), nullptr);
  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs still load by name";
}
