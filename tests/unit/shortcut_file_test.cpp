#include "shortcut/shortcut_file.h"

#include <gtest/gtest.h>

#include <thread>

#include "test_folder.h"
#include "win32/error.h"
#include "win32/unique.h"

namespace {

constexpr wchar_t kHost[] = L"www.trelvik.example";

// The exact bytes another program reads: five lines, CR LF after each, the
// Hangul of the description in code page 949, no byte-order mark.
const std::string kExpectedBytes =
    "[InternetShortcut]\r\n"
    "URL=https://www.trelvik.example\r\n"
    "Description=Trelvik\xB9\xD9\xB7\xCE\xB0\xA1\xB1\xE2\r\n"
    "IconFile=https://www.trelvik.example/favicon.ico\r\n"
    "IconIndex=1\r\n";

TEST(ShortcutFile, LinesUseTheHostUnchanged) {
  const std::vector<std::wstring> expected = {
      L"[InternetShortcut]",
      L"URL=https://Sub-1.Example.ORG",
      L"Description=Trelvik바로가기",
      L"IconFile=https://Sub-1.Example.ORG/favicon.ico",
      L"IconIndex=1",
  };
  EXPECT_EQ(ShortcutLines(L"Sub-1.Example.ORG"), expected);
}

TEST(ShortcutFile, BytesAreFiveCrLfLinesInCodePage949) {
  ASSERT_EQ(GetACP(), 949u) << "the tests expect the Korean ANSI code page";
  EXPECT_EQ(ShortcutFileBytes(kHost), kExpectedBytes);
}

TEST(ShortcutFile, PathIsHostDotUrlInTheFolder) {
  EXPECT_EQ(ShortcutPath(L"C:\\Users\\민수\\Desktop", kHost),
            L"C:\\Users\\민수\\Desktop\\www.trelvik.example.url");
}

TEST(WriteShortcutFile, WritesExactlyTheShortcutAndNothingElse) {
  ScratchFolder desktop;
  const std::wstring written = WriteShortcutFile(desktop.path(), kHost);

  EXPECT_EQ(written, desktop.path() + L"\\www.trelvik.example.url");
  EXPECT_EQ(ReadBytes(written), kExpectedBytes);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

TEST(WriteShortcutFile, ReplacesAnOlderLongerShortcutCompletely) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "[InternetShortcut]\r\nURL=https://old.example\r\n" + std::string(4096, 'x'));

  WriteShortcutFile(desktop.path(), kHost);
  WriteShortcutFile(desktop.path(), kHost);  // every run writes it again

  EXPECT_EQ(ReadBytes(shortcut), kExpectedBytes);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

TEST(WriteShortcutFile, WritesIntoAFolderTheAnsiCodePageCannotName) {
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\ไทย مكتب";
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));

  EXPECT_EQ(ReadBytes(WriteShortcutFile(desktop, kHost)), kExpectedBytes);
}

TEST(WriteShortcutFile, MissingFolderFailsAndWritesNothing) {
  ScratchFolder scratch;
  const std::wstring missing = scratch.path() + L"\\Desktop";

  try {
    WriteShortcutFile(missing, kHost);
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_NE(error.code(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(error.step().find(missing), std::wstring::npos) << error.what();
  }
  EXPECT_FALSE(Exists(missing));
  EXPECT_TRUE(ListFolder(scratch.path()).empty());
}

// A folder already standing where the shortcut goes is never touched, and
// the temporary file is gone again.
TEST(WriteShortcutFile, TargetTakenByAFolderIsLeftAlone) {
  ScratchFolder desktop;
  const std::wstring taken = desktop.path() + L"\\www.trelvik.example.url";
  ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
  WriteBytes(taken + L"\\keep.txt", "keep");

  try {
    WriteShortcutFile(desktop.path(), kHost);
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_NE(error.step().find(L"MoveFileExW"), std::wstring::npos) << error.what();
  }
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
  EXPECT_TRUE(IsDirectory(taken));
  EXPECT_EQ(ReadBytes(taken + L"\\keep.txt"), "keep");
}

// The user made the old shortcut read-only: it stays exactly as it is
// (Wine run as root would otherwise rename over it and drop the mark).
TEST(WriteShortcutFile, ReadOnlyOldShortcutIsKept) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");
  ASSERT_TRUE(SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_READONLY));

  try {
    WriteShortcutFile(desktop.path(), kHost);
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_NE(error.step().find(shortcut), std::wstring::npos) << error.what();
  }
  EXPECT_EQ(ReadBytes(shortcut), "old");
  EXPECT_TRUE(GetFileAttributesW(shortcut.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// Opens the file the way scanners and indexers do for a moment: reading,
// sharing read and write but not delete, so it cannot be renamed over.
UniqueHandle HoldOpen(const std::wstring& path) {
  const HANDLE raw = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) ThrowLastError(L"CreateFileW", path);
  return UniqueHandle(raw);
}

TEST(WriteShortcutFile, WaitsForAProgramBrieflyHoldingTheOldShortcut) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");
  UniqueHandle held = HoldOpen(shortcut);
  std::thread release([&held] {
    Sleep(300);
    held.reset();
  });

  EXPECT_NO_THROW(WriteShortcutFile(desktop.path(), kHost));
  release.join();
  EXPECT_EQ(ReadBytes(shortcut), kExpectedBytes);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

TEST(WriteShortcutFile, OldShortcutHeldOpenForGoodIsKeptWhole) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");
  const UniqueHandle held = HoldOpen(shortcut);

  try {
    WriteShortcutFile(desktop.path(), kHost);
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_NE(error.step().find(L"MoveFileExW"), std::wstring::npos) << error.what();
  }
  EXPECT_EQ(ReadBytes(shortcut), "old");
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// The temporary file is hidden while it is written; the finished shortcut
// must not be.
TEST(WriteShortcutFile, FinishedShortcutIsNeitherHiddenNorReadOnly) {
  ScratchFolder desktop;
  const DWORD attributes = GetFileAttributesW(WriteShortcutFile(desktop.path(), kHost).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), 0u) << attributes;
}

// 230 characters of folder: the shortcut's own path would fit in MAX_PATH,
// its temporary name beside it would not, so nothing is started.
TEST(WriteShortcutFile, PathTooLongForTheTemporaryFileIsRefusedFirst) {
  ScratchFolder scratch;
  const std::wstring desktop =
      scratch.path() + L"\\" + std::wstring(229 - scratch.path().size(), L'd');
  ASSERT_EQ(desktop.size(), 230u);
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));

  try {
    WriteShortcutFile(desktop, kHost);
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE)) << error.what();
  }
  EXPECT_TRUE(ListFolder(desktop).empty());
}

}  // namespace
