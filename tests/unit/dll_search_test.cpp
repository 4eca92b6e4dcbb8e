// The restriction is for the whole process: this test program has it to
// itself, with libforeign_dll.dll beside it.

#include "app/dll_search.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(DllSearch, ADllBesideTheProgramIsNoLongerLoadedByName) {
  const HMODULE planted = LoadLibraryW(L"libforeign_dll.dll");
  ASSERT_NE(planted, nullptr) << "not found beside the program even before";
  FreeLibrary(planted);

  RestrictDllSearchToSystemFolder();
  EXPECT_EQ(LoadLibraryW(L"libforeign_dll.dll"), nullptr);
  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs still load by name";
}
