#include "shortcut/shortcut_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>

#include "driver.h"
#include "shortcut/failure_cause.h"
#include "shortcut/replace_in_one_step.h"
#include "test_folder.h"
#include "win32/error.h"

namespace {

constexpr wchar_t kHost[] = L"www.trelvik.example";
constexpr HostName kSite = {kHost, kHost};
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The five lines as another program reads them, CR LF after each, no
// byte-order mark, with the description's Hangul in the given bytes.
std::string FiveLines(const std::string& hangul) {
  return "[InternetShortcut]\r\n"
         "URL=https://www.trelvik.example\r\n"
         "Description=Trelvik" +
         hangul +
         "\r\n"
         "IconFile=https://www.trelvik.example/favicon.ico\r\n"
         "IconIndex=1\r\n";
}
constexpr wchar_t kDescription[] = L"Trelvik바로가기";
const std::string kExpectedBytes = FiveLines("\xB9\xD9\xB7\xCE\xB0\xA1\xB1\xE2");  // code page 949
// What the program writes for the configured brand in this system's ANSI code
// page, whose format the first tests check.
const std::string kWritten = ShortcutFileBytes(kHost, GetACP());

TEST(ShortcutFile, LinesUseTheHostUnchanged) {
  const std::vector<std::wstring> expected = {
      L"[InternetShortcut]",
      L"URL=https://Sub-1.Example.ORG",
      L"Description=Trelvik바로가기",
      L"IconFile=https://Sub-1.Example.ORG/favicon.ico",
      L"IconIndex=1",
  };
  EXPECT_EQ(ShortcutLines(L"Sub-1.Example.ORG", kDescription), expected);
}

// Where the code page holds Hangul, the file is the five lines alone. Where
// it does not, the lines stay as Windows' shell writes them, replacement
// characters and all, and the description follows whole, in UTF-7.
TEST(ShortcutFile, BytesInEachCodePage) {
  if (GetACP() != 949) GTEST_SKIP() << "needs the Korean ANSI code page (949), not " << GetACP();
  const std::string unicode_section = "[InternetShortcut.W]\r\nDescription=Trelvik+vBS4XKwArjA-\r\n";
  EXPECT_EQ(ShortcutFileBytes(kHost, 949, kDescription), kExpectedBytes);
  EXPECT_EQ(ShortcutFileBytes(kHost, CP_UTF8, kDescription),
            FiveLines("\xEB\xB0\x94\xEB\xA1\x9C\xEA\xB0\x80\xEA\xB8\xB0"));
  EXPECT_EQ(ShortcutFileBytes(kHost, 1252, kDescription), FiveLines("????") + unicode_section);
  EXPECT_EQ(ShortcutFileBytes(kHost, 932, kDescription), FiveLines("????") + unicode_section);
  // One '?' per missing character, never a best-fit look-alike (Wine's
  // turned these two syllables into control bytes).
  const std::string hanbit = ShortcutFileBytes(kHost, 1252, L"한빛");
  EXPECT_NE(hanbit.find("\r\nDescription=??\r\n"), std::string::npos) << hanbit;
  EXPECT_TRUE(hanbit.ends_with("[InternetShortcut.W]\r\nDescription=+1Vy+Ww-\r\n")) << hanbit;
}

TEST(ShortcutFile, PathIsHostDotUrlInTheFolder) {
  EXPECT_EQ(ShortcutPath(L"C:\\Users\\민수\\Desktop", kHost),
            L"C:\\Users\\민수\\Desktop\\www.trelvik.example.url");
  EXPECT_EQ(ShortcutPath(L"E:\\", kHost), L"E:\\www.trelvik.example.url");
}

TEST(WriteShortcutFile, WritesExactlyTheShortcutAndNothingElse) {
  ScratchFolder desktop;
  const std::wstring written = WriteShortcutFile(desktop.path(), kSite, ThisSystem());

  EXPECT_EQ(written, desktop.path() + L"\\www.trelvik.example.url");
  EXPECT_EQ(ReadBytes(written), kWritten);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// An international host: the user reads its Unicode form under the icon,
// while the lines carry the ASCII form that every code page holds.
TEST(WriteShortcutFile, NamesTheFileInUnicodeAndWritesTheLinesInAscii) {
  ScratchFolder desktop;
  const std::wstring written =
      WriteShortcutFile(desktop.path(), {L"www.xn--xx3br43b.kr", L"www.한빛.kr"}, ThisSystem());

  EXPECT_EQ(written, desktop.path() + L"\\www.한빛.kr.url");
  const std::string bytes = ReadBytes(written);
  EXPECT_TRUE(bytes.starts_with("[InternetShortcut]\r\nURL=https://www.xn--xx3br43b.kr\r\n")) << bytes;
  EXPECT_NE(bytes.find("\r\nIconFile=https://www.xn--xx3br43b.kr/favicon.ico\r\n"), std::string::npos);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.한빛.kr.url"});
}

TEST(WriteShortcutFile, ReplacesAnOlderLongerShortcutCompletely) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "[InternetShortcut]\r\nURL=https://old.example\r\n" + std::string(4096, 'x'));

  WriteShortcutFile(desktop.path(), kSite, ThisSystem());
  WriteShortcutFile(desktop.path(), kSite, ThisSystem());  // every run writes it again

  EXPECT_EQ(ReadBytes(shortcut), kWritten);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

TEST(WriteShortcutFile, WritesIntoAFolderTheAnsiCodePageCannotName) {
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\ไทย مكتب";
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));

  EXPECT_EQ(ReadBytes(WriteShortcutFile(desktop, kSite, ThisSystem())), kWritten);
}

TEST(WriteShortcutFile, MissingFolderFailsAndWritesNothing) {
  ScratchFolder scratch;
  const std::wstring missing = scratch.path() + L"\\Desktop";

  try {
    WriteShortcutFile(missing, kSite, ThisSystem());
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.cause(), Cause::kFolderNotFound) << error.what();
    EXPECT_EQ(error.subject(), missing);
  }
  EXPECT_FALSE(Exists(missing));
  EXPECT_TRUE(ListFolder(scratch.path()).empty());
}

// Windows Security's controlled folder access refuses an unknown program's
// new file on the desktop as a path or file not found. With the folder
// there, that names security software; only a folder that is missing
// cannot be found.
TEST(WriteShortcutFile, NotFoundInAFolderThatIsThereNamesSecuritySoftware) {
  ScratchFolder desktop;
  const std::wstring there = desktop.path() + L"\\www.trelvik.example.url";
  const std::wstring missing = desktop.path() + L"\\Desktop";
  for (const DWORD code : {ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND}) {
    const Win32Error blocked = WritingError(L"CreateFileW", there, code);
    EXPECT_EQ(blocked.cause(), Cause::kBlockedBySecuritySoftware) << code;
    EXPECT_EQ(blocked.subject(), there);
    const Win32Error not_found = WritingError(L"CreateFileW", missing + L"\\www.trelvik.example.url", code);
    EXPECT_EQ(not_found.cause(), Cause::kFolderNotFound) << code;
    EXPECT_EQ(not_found.subject(), missing);
  }
}

// A folder already standing where the shortcut goes is named at once, not
// waited on as if a reader held it, and never touched.
TEST(WriteShortcutFile, TargetTakenByAFolderIsRefusedAtOnceAndLeftAlone) {
  ScratchFolder desktop;
  const std::wstring taken = desktop.path() + L"\\www.trelvik.example.url";
  ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
  WriteBytes(taken + L"\\keep.txt", "keep");

  try {
    WriteShortcutFile(desktop.path(), kSite, ThisSystem());
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.cause(), Cause::kFolderInTheWay) << error.what();
    EXPECT_EQ(error.subject(), taken);
    EXPECT_EQ(error.call(), L"") << "not refused before the rename was tried";
  }
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
  EXPECT_TRUE(IsDirectory(taken));
  EXPECT_EQ(ReadBytes(taken + L"\\keep.txt"), "keep");
}

// The user made the old shortcut read-only: it stays exactly as it is
// (Wine run as root would otherwise rename over it and drop the mark). With
// the right content that is no failure; with other content it is refused.
TEST(WriteShortcutFile, ReadOnlyOldShortcutIsKept) {
  for (const std::string& old : {kWritten, std::string("old"), kWritten + "x"}) {
    ScratchFolder desktop;
    const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
    WriteBytes(shortcut, old);
    ASSERT_TRUE(SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = GetFileAttributesW(shortcut.c_str());

    try {
      EXPECT_EQ(WriteShortcutFile(desktop.path(), kSite, ThisSystem()), shortcut);
      EXPECT_EQ(old, kWritten) << "other content was not refused";
    } catch (const Win32Error& error) {
      EXPECT_NE(old, kWritten) << error.what();
      EXPECT_EQ(error.cause(), Cause::kReadOnly);
      EXPECT_EQ(error.subject(), shortcut);
    }
    EXPECT_EQ(ReadBytes(shortcut), old);
    EXPECT_EQ(GetFileAttributesW(shortcut.c_str()), attributes);
    EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
    SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the folder can go
  }
}

// `path` opened with `access`, sharing `share`; empty where that is refused.
UniqueFile TryOpen(const std::wstring& path, DWORD access, DWORD share) {
  return UniqueFile(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Opens the file the way scanners and indexers do for a moment: reading,
// sharing read and write but not delete, so it cannot be renamed over.
UniqueFile HoldOpen(const std::wstring& path) {
  return OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

// Lets go of `held` soon after the new file shows beside it in `folder`, on
// a thread of its own, as such a program would: once the first renames have
// been refused, and well within the time they are tried, however busy the
// machine.
std::thread LetGoSoon(UniqueFile& held, const std::wstring& folder) {
  return std::thread([&held, folder] {
    const ULONGLONG start = GetTickCount64();
    while (ListFolder(folder).size() < 2 && GetTickCount64() - start < 30'000) Sleep(1);
    Sleep(100);
    held.reset();
  });
}

TEST(WriteShortcutFile, WaitsForAProgramBrieflyHoldingTheOldShortcut) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");
  UniqueFile held = HoldOpen(shortcut);
  std::thread release = LetGoSoon(held, desktop.path());

  EXPECT_NO_THROW(WriteShortcutFile(desktop.path(), kSite, ThisSystem()));
  release.join();
  EXPECT_EQ(ReadBytes(shortcut), kWritten);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// A stand-in for the rename with POSIX semantics, which Wine lacks. It
// counts the renames it is asked for and checks what it was given; it
// refuses them with `refusal`, as older systems and other file systems do,
// or, with none, takes them as Windows 10 does and renames the classic way.
int posix_renames = 0;
DWORD refusal = 0;

BOOL WINAPI PosixRename(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size) {
  ++posix_renames;
  DWORD flags = 0;  // FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS
  std::memcpy(&flags, info, sizeof(flags));
  EXPECT_EQ(kind, static_cast<FILE_INFO_BY_HANDLE_CLASS>(22));  // FileRenameInfoEx
  EXPECT_EQ(flags, 0x3u);
  SetLastError(refusal);
  return !refusal && SetFileInformationByHandle(file, FileRenameInfo, info, size);
}

// The system's calls with the stand-in, refusing with `code` (0: taking it).
SystemFunctions WithPosixRename(DWORD code) {
  SystemFunctions system;
  system.SetFileInformationByHandle = &PosixRename;
  posix_renames = 0;
  refusal = code;
  return system;
}

TEST(WriteShortcutFile, ReplacesWithPosixSemanticsWhereTheSystemTakesThem) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");

  WriteShortcutFile(desktop.path(), kSite, WithPosixRename(0));
  EXPECT_EQ(posix_renames, 1);
  EXPECT_EQ(ReadBytes(shortcut), kWritten);
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// Refused as unsupported (Windows 7 to 10 version 1703, FAT, a network
// share), it is not asked again: the classic rename replaces the shortcut,
// waiting as ever for a program that briefly holds the old one.
TEST(WriteShortcutFile, FallsBackToTheClassicRenameWhereThePosixOneIsRefused) {
  for (const DWORD code : kPosixRenameUnsupported) {
    ScratchFolder desktop;
    const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
    WriteBytes(shortcut, "old");
    UniqueFile held = HoldOpen(shortcut);
    std::thread release = LetGoSoon(held, desktop.path());

    EXPECT_NO_THROW(WriteShortcutFile(desktop.path(), kSite, WithPosixRename(code))) << code;
    release.join();
    EXPECT_EQ(posix_renames, 1);
    EXPECT_EQ(ReadBytes(shortcut), kWritten);
    EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
  }
}

// Explorer, the search indexer and sync clients read a shortcut sharing
// delete, property and thumbnail handlers open it for its attributes alone,
// which conflicts with no share mode, and a scanner may read it sharing
// nothing: the classic rename is refused over each, and each is a program
// using it, never a want of rights. The old file is kept.
TEST(WriteShortcutFile, EveryProgramHoldingTheOldShortcutHasItInUse) {
  struct Holder {
    const char* what;
    DWORD access, share;
  };
  for (const Holder& holder :
       {Holder{"reading, sharing everything", GENERIC_READ, kShareAll},
        Holder{"for its attributes, sharing everything", FILE_READ_ATTRIBUTES, kShareAll},
        Holder{"reading, sharing nothing", GENERIC_READ, 0}}) {
    SCOPED_TRACE(holder.what);
    ScratchFolder desktop;
    const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
    WriteBytes(shortcut, "old");
    {
      const UniqueFile held = OpenFile(shortcut, holder.access, holder.share, OPEN_EXISTING);
      try {
        WriteShortcutFile(desktop.path(), kSite, WithPosixRename(ERROR_INVALID_PARAMETER));
        ADD_FAILURE() << "no error raised";
      } catch (const Win32Error& error) {
        EXPECT_EQ(error.cause(), Cause::kInUse) << error.what();
      }
    }
    EXPECT_EQ(ReadBytes(shortcut), "old");
    EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
  }
}

// The system's own rename with POSIX semantics, looked up as the program
// does, on scratch files: it replaces the old file while a reader that
// shares delete goes on reading the old bytes (Windows 10 version 1709 and
// later, on NTFS), or it is refused with a code on which the program takes
// the classic rename instead (older systems, other file systems, Wine).
TEST(RenameOver, SystemsPosixRenameWorksOrIsRefusedAsTheFallbackExpects) {
  ScratchFolder folder;
  const std::wstring target = folder.path() + L"\\target", source = folder.path() + L"\\source";
  WriteBytes(target, "old");
  WriteBytes(source, "new");
  const UniqueFile reader = OpenFile(target, GENERIC_READ, kShareAll, OPEN_EXISTING);
  const UniqueFile moved = OpenFile(source, DELETE, kShareAll, OPEN_EXISTING);
  const SystemFunctions system = LookUpSystemFunctions();
  ASSERT_NE(system.SetFileInformationByHandle, nullptr);

  if (RenameOver(moved.get(), target, system.SetFileInformationByHandle, true)) {
    std::printf("The system took the rename with POSIX semantics.\n");
    EXPECT_EQ(ReadBytes(target), "new");
    char old[8];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader.get(), old, sizeof(old), &read, nullptr));
    EXPECT_EQ(std::string(old, read), "old");
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::wstring>{L"target"});
  } else {
    const DWORD code = GetLastError();
    std::printf("The system refused the rename with POSIX semantics, error %lu.\n", code);
    EXPECT_NE(std::find(std::begin(kPosixRenameUnsupported), std::end(kPosixRenameUnsupported), code),
              std::end(kPosixRenameUnsupported))
        << "error " << code << " is not among the refusals the program takes the classic rename on";
    EXPECT_EQ(ReadBytes(target), "old");
  }
}

// Meanwhile a scanner opens the new file as soon as it shows, for its
// attributes and, as soon as it may, for reading, without sharing delete,
// and keeps it open: once it lets go, the new file is gone too.
TEST(WriteShortcutFile, OldShortcutHeldOpenForGoodIsKeptWhole) {
  ScratchFolder desktop;
  const std::wstring shortcut = desktop.path() + L"\\www.trelvik.example.url";
  WriteBytes(shortcut, "old");
  const UniqueFile held = HoldOpen(shortcut);
  std::atomic<bool> done = false;
  UniqueFile attributes, reading;
  std::thread scanner([&] {
    for (; !done; Sleep(1)) {
      for (const std::wstring& name : ListFolder(desktop.path())) {
        const std::wstring path = desktop.path() + L"\\" + name;
        if (path == shortcut) continue;
        if (!attributes) attributes = TryOpen(path, FILE_READ_ATTRIBUTES, kShareAll);
        if (!reading) reading = TryOpen(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
      }
    }
  });

  try {
    WriteShortcutFile(desktop.path(), kSite, ThisSystem());
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.call(), L"SetFileInformationByHandle") << error.what();
    EXPECT_EQ(error.cause(), Cause::kInUse);
    EXPECT_EQ(error.subject(), shortcut);  // never the temporary file
  }
  done = true;
  scanner.join();
  EXPECT_TRUE(attributes) << "the scanner never saw the new file";
  attributes.reset();
  reading.reset();
  EXPECT_EQ(ReadBytes(shortcut), "old");
  EXPECT_EQ(ListFolder(desktop.path()), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// The temporary file is hidden while it is written; the finished shortcut
// has the attributes of a new file, archive mark included.
TEST(WriteShortcutFile, FinishedShortcutHasTheAttributesOfANewFile) {
  ScratchFolder desktop;
  const DWORD attributes = GetFileAttributesW(WriteShortcutFile(desktop.path(), kSite, ThisSystem()).c_str());
  EXPECT_EQ(attributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

// Temporary files that interrupted runs left, hidden as they are written,
// are removed once a minute old where they provably are such: empty, or the
// beginning of a shortcut. Nothing else is touched: another host's, other
// names, a young one, a read-only one, other content, one too large for a
// shortcut, a second name of a file elsewhere.
TEST(WriteShortcutFile, RemovesOnlyItsOwnOldLeftovers) {
  ScratchFolder desktop, elsewhere(L"ostrivane-elsewhere");
  const std::wstring own = L"www.trelvik.example.url.~";
  std::vector<std::wstring> kept = {L"www.other.example.url.~0123ABCD",
                                    own + L"0123ABC",
                                    own + L"0123ABCDE",
                                    own + L"0123ABCG",
                                    own + L"5678cdef",
                                    own + L"9999AAAA",
                                    L"www.trelvik.example.url.bak",
                                    own + L"0BADF00D",
                                    own + L"1111AAAA",
                                    own + L"4444DDDD",
                                    own + L"0123abcd",
                                    own + L"2222BBBB",
                                    own + L"3333CCCC"};  // the last three go
  const std::map<std::wstring, std::string> contents = {
      {own + L"0BADF00D", "NOT A SHORTCUT"},
      {own + L"1111AAAA", kWritten + std::string(4096, ' ')},
      {own + L"2222BBBB", ""},
      {own + L"3333CCCC", kWritten}};
  FILETIME old;
  GetSystemTimeAsFileTime(&old);
  old.dwHighDateTime -= 1;  // 2^32 x 100 ns: about seven minutes ago
  const std::wstring linked = own + L"4444DDDD", precious = elsewhere.path() + L"\\precious.url";
  for (const std::wstring& name : kept) {
    const std::wstring path = name == linked ? precious : desktop.path() + L"\\" + name;
    // Hidden, as the program writes them.
    const UniqueFile file = OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
    const std::string content = contents.count(name) ? contents.at(name) : "[Internet";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    if (name != own + L"5678cdef") SetFileTime(file.get(), nullptr, nullptr, &old);
  }
  ASSERT_TRUE(CreateHardLinkW((desktop.path() + L"\\" + linked).c_str(), precious.c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesW((desktop.path() + L"\\" + own + L"9999AAAA").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

  WriteShortcutFile(desktop.path(), kSite, ThisSystem());
  kept.resize(kept.size() - 3);
  kept.push_back(L"www.trelvik.example.url");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(ListFolder(desktop.path()), kept);
  EXPECT_EQ(ReadBytes(precious), "[Internet");
}

// 230 characters of folder: the shortcut's own path fits in MAX_PATH - 1,
// its temporary path only in the \\?\ form, which it then takes, for
// writing and for replacing. A shortcut whose own path would not fit is
// refused before anything is started.
TEST(WriteShortcutFile, LongDesktopPathGetsItsShortcutUpToMaxPath) {
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\" + std::wstring(229 - scratch.path().size(), L'd');
  ASSERT_EQ(desktop.size(), 230u);
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
  WriteBytes(desktop + L"\\www.trelvik.example.url", "old");
  EXPECT_EQ(ReadBytes(WriteShortcutFile(desktop, kSite, ThisSystem())), kWritten);
  EXPECT_EQ(ListFolder(desktop), std::vector<std::wstring>{L"www.trelvik.example.url"});

  const std::wstring longer = desktop + L"\\" + std::wstring(240 - desktop.size() - 1, L'e');
  ASSERT_TRUE(CreateDirectoryW(longer.c_str(), nullptr));
  try {
    WriteShortcutFile(longer, kSite, ThisSystem());  // 264 characters
    FAIL() << "no error raised";
  } catch (const Win32Error& error) {
    EXPECT_EQ(error.cause(), Cause::kPathTooLong) << error.what();
  }
  EXPECT_TRUE(ListFolder(longer).empty());
}

}  // namespace
