// The restriction holds for the whole process, so it has a test program of
// its own, with ostrivane_planted.dll beside it.

#include "app/dll_search.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(DllSearch, ADllBesideTheProgramIsNoLongerLoadedByName) {
  const HMODULE planted = LoadLibraryW(L"ostrivane_planted.dll");
  ASSERT_NE(planted, nullptr) << "the DLL beside the program is not found even before";
  FreeLibrary(planted);
  ASSERT_EQ(GetModuleHandleW(L"ostrivane_planted.dll"), nullptr);

  RestrictDllSearchToSystemFolder();
  EXPECT_EQ(LoadLibraryW(L"ostrivane_planted.dll"), nullptr);
  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs still load by name";
}
