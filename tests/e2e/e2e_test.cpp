// The real Ostrivane.exe, started and answered the way a user would.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/display_scale.h"
#include "driver.h"
#include "program_version.h"
#include "shortcut/shortcut_file.h"
#include "site_brand.h"
#include "site_host.h"
#include "test_folder.h"
#include "win32/code_page.h"
#include "win32/error.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;

// The display scale the session runs at (scripts/run.sh can take another).
int Scaled(int pixels_at_96_dpi) {
  const char* dpi = std::getenv("OSTRIVANE_TEST_DPI");
  return MulDiv(pixels_at_96_dpi, dpi ? std::atoi(dpi) : 96, 96);
}

// Named after the host's Unicode form; its lines carry the ASCII form.
std::wstring ShortcutOnDesktop() { return ShortcutPath(DesktopFolder(), kSiteHost.unicode); }

// The shortcut as the program writes it in the system's code page; the
// format, byte for byte, is checked by the unit tests.
std::string ExpectedShortcutBytes() { return ShortcutFileBytes(kSiteHost.ascii, GetACP()); }

// The description as the shell reads it from `file`: from the Unicode
// section, in UTF-7, where the code page could not hold it, else from the
// line, in the system's code page.
std::wstring DescriptionAsRead(const std::string& file) {
  const size_t unicode = file.find("[InternetShortcut.W]");
  const bool in_utf7 = unicode != std::string::npos;
  const size_t key = file.find("Description=", in_utf7 ? unicode : 0);
  if (key == std::string::npos) return {};
  const size_t start = key + 12;
  return FromCodePage(file.substr(start, file.find("\r\n", start) - start), in_utf7 ? CP_UTF7 : GetACP());
}

// The one button a message box shows, or null when it shows another number.
HWND OnlyButton(HWND box) {
  const std::vector<HWND> buttons = VisibleChildren(box, L"Button");
  return buttons.size() == 1 ? buttons[0] : nullptr;
}

// A message box shows its icon in a static control of the icon kind.
bool ShowsIcon(HWND box) {
  for (HWND control : VisibleChildren(box, L"Static")) {
    if ((GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(control, STM_GETICON, 0, 0)) {
      return true;
    }
  }
  return false;
}

TEST(Ostrivane, InstallsTheShortcutSaysSoThenShowsItsWindowUntilClosed) {
  DeleteFileW(ShortcutOnDesktop().c_str());
  ProgramUnderTest program;

  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no message box";
  EXPECT_FALSE(program.window_shown_before_message_box());
  EXPECT_EQ(WindowText(box), L"바로가기");
  EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), L"사이트 바로가기가 바탕화면에 설치되었습니다.");
  const HWND ok = OnlyButton(box);
  ASSERT_NE(ok, nullptr) << "expected exactly one button";
  EXPECT_EQ(GetDlgCtrlID(ok), IDOK);
  EXPECT_FALSE(ShowsIcon(box));
  // The shortcut is complete on disk while the user reads the message, and
  // says the configured brand.
  const std::string written = ReadBytes(ShortcutOnDesktop());
  EXPECT_EQ(written, ExpectedShortcutBytes());
  EXPECT_EQ(DescriptionAsRead(written), OSTRIVANE_SITE_BRAND L"바로가기");
  SaveScreenshot(box, L"messagebox");
  PostMessageW(box, WM_COMMAND, IDOK, 0);

  const HWND form = program.WaitForMainWindow(kTimeoutMs);
  ASSERT_NE(form, nullptr) << "the window was not shown after the message box";
  EXPECT_EQ(WindowText(form), OSTRIVANE_SITE_BRAND L" 솔루션" OSTRIVANE_VERSION_CAPTION);
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, Scaled(300));
  EXPECT_EQ(client.bottom, Scaled(43));
  const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW) << "the standard resizable frame";
  EXPECT_FALSE(IsIconic(form));
  EXPECT_FALSE(IsZoomed(form));
  // A taskbar button: an unowned window that is no tool window.
  EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);
  EXPECT_FALSE(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  const std::vector<HWND> labels = VisibleChildren(form, L"Static");
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(WindowText(labels[0]), L"사이트의 바로가기를 생성합니다.");
  const RECT label = RectInParent(labels[0]);
  EXPECT_EQ(label.left, Scaled(56));
  EXPECT_EQ(label.top, Scaled(16));
  EXPECT_EQ(label.right - label.left, Scaled(201));
  EXPECT_EQ(label.bottom - label.top, Scaled(17));
  SaveScreenshot(form, L"form1");
  SaveScreenshot(GetDesktopWindow(), L"desktop");

  // It stays until the user closes it; closing it ends the program cleanly.
  EXPECT_EQ(program.WaitForExit(500), STILL_ACTIVE);
  EXPECT_TRUE(IsWindowVisible(form));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(kTimeoutMs), 0u);
}

// Text stays crisp on a scaled display only if the window is per-monitor
// aware: an unaware one is enlarged as a blurry bitmap and told 96 DPI. Only a
// system that does such scaling can show the difference.
TEST(DisplayScale, TheWindowIsPerMonitorAwareAtTheDisplaysDpi) {
  if (!ThisProcessIsPerMonitorAwareV2()) {
    GTEST_SKIP() << "this system offers no per-monitor awareness (v2) and so does not scale "
                    "unaware windows (Wine 8): an unaware window cannot be told from an aware one";
  }
  DeleteFileW(ShortcutOnDesktop().c_str());
  ProgramUnderTest program;
  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no message box";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const HWND form = program.WaitForMainWindow(kTimeoutMs);
  ASSERT_NE(form, nullptr);

  constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
  EXPECT_EQ(DpiAwarenessOf(form), kPerMonitorAware);
  EXPECT_EQ(static_cast<int>(DpiOf(ThisSystem(), form)), Scaled(96));
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, Scaled(300));
  EXPECT_EQ(client.bottom, Scaled(43));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(kTimeoutMs), 0u);
}

// Runs the program on a desktop where the shortcut cannot be written, and
// checks what the user sees: the error report naming the shortcut and saying
// in the program's words what is wrong (`says`), never the temporary file's
// name, then no window and exit code 1.
void ExpectReportedFailure(const std::wstring& says, const std::wstring& screenshot) {
  ProgramUnderTest program;
  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no error report";
  const std::wstring report = WindowText(GetDlgItem(box, 0xFFFF));
  EXPECT_EQ(report.rfind(L"사이트 바로가기를 설치하지 못했습니다.", 0), 0u) << ToUtf8(report);
  EXPECT_NE(
      report.find(L"실패한 단계: 바탕화면에 바로가기 저장 (" + ShortcutOnDesktop() + L")\n원인: " + says),
      std::wstring::npos)
      << ToUtf8(report);
  EXPECT_EQ(report.find(L".url.~"), std::wstring::npos) << ToUtf8(report);
  // The step and the cause are Korean too, whatever the system's language:
  // the words after each label, before the parentheses.
  for (const std::wstring label : {L"실패한 단계: ", L"원인: "}) {
    const size_t start = report.find(label) + label.size();
    const std::wstring words = report.substr(start, report.find(L" (", start) - start);
    EXPECT_TRUE(std::any_of(words.begin(), words.end(), [](wchar_t c) { return c >= 0xAC00; }))
        << ToUtf8(report);
  }
  EXPECT_TRUE(ShowsIcon(box)) << "the report shows the error icon";
  ASSERT_NE(OnlyButton(box), nullptr);
  SaveScreenshot(box, screenshot);
  PostMessageW(box, WM_COMMAND, IDOK, 0);

  EXPECT_EQ(program.WaitForExit(kTimeoutMs), 1u);
  EXPECT_FALSE(program.window_ever_shown()) << "the window showed after the failure";
}

TEST(Ostrivane, FailureIsReportedAndTheWindowNeverShown) {
  // A folder already stands where the shortcut goes.
  const std::wstring taken = ShortcutOnDesktop();
  DeleteFileW(taken.c_str());
  ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));

  ExpectReportedFailure(L"바로가기 파일이 놓일 자리에 같은 이름의 폴더가 있습니다", L"error-report");

  // The folder is left as it was.
  EXPECT_TRUE(GetFileAttributesW(taken.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  RemoveDirectoryW(taken.c_str());
}

// Puts a shortcut with `bytes` and `attributes` on the desktop.
void PlaceShortcut(const std::string& bytes, DWORD attributes) {
  const std::wstring shortcut = ShortcutOnDesktop();
  SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(shortcut.c_str());
  const UniqueFile file = OpenFile(shortcut, GENERIC_WRITE, 0, CREATE_NEW, attributes);
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The user marked the old shortcut read-only: it is kept as it is, and the
// user is told, the same on Windows and under Wine.
TEST(Ostrivane, ReadOnlyOldShortcutIsKeptAndReported) {
  const std::wstring shortcut = ShortcutOnDesktop();
  const std::string old_bytes = "[InternetShortcut]\r\nURL=https://old.example\r\n";
  PlaceShortcut(old_bytes, FILE_ATTRIBUTE_READONLY);

  ExpectReportedFailure(L"기존 바로가기 파일이 읽기 전용으로 설정되어 있습니다", L"error-read-only");

  EXPECT_EQ(ReadBytes(shortcut), old_bytes);
  EXPECT_TRUE(GetFileAttributesW(shortcut.c_str()) & FILE_ATTRIBUTE_READONLY);
  WIN32_FIND_DATAW entry;
  EXPECT_FALSE(UniqueFindHandle(FindFirstFileW((shortcut + L".~*").c_str(), &entry)))
      << "a temporary file was left on the desktop";
  SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(shortcut.c_str());
}

// Runs the program as a user would, expecting success: the confirmation,
// then the window, then exit code 0 once it is closed.
void ExpectInstalled() {
  ProgramUnderTest program;
  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no message box";
  EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), L"사이트 바로가기가 바탕화면에 설치되었습니다.");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const HWND form = program.WaitForMainWindow(kTimeoutMs);
  ASSERT_NE(form, nullptr) << "the window was not shown";
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(kTimeoutMs), 0u);
}

// However the host was configured (any case, ASCII or Unicode), the shortcut
// is named after its Unicode form in lower case, and its lines carry the
// ASCII form that Windows' own IDNA conversion makes of that name.
TEST(Ostrivane, InstallsTheShortcutUnderTheHostsUnicodeNameWithItsAsciiFormInside) {
  std::wstring name(kSiteHost.unicode), lower = name, ascii(256, L'\0');
  CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  EXPECT_EQ(name, lower);
  ascii.resize(IdnToAscii(0, name.c_str(), static_cast<int>(name.size()), ascii.data(), 256));
  ASSERT_FALSE(ascii.empty()) << "IdnToAscii failed with " << GetLastError();
  DeleteFileW(ShortcutOnDesktop().c_str());
  ExpectInstalled();
  const std::vector<std::wstring> files = ListFolder(DesktopFolder());
  EXPECT_NE(std::find(files.begin(), files.end(), name + L".url"), files.end());
  const std::string written = ReadBytes(ShortcutOnDesktop());
  EXPECT_NE(written.find("\r\nURL=https://" + ToUtf8(ascii) + "\r\n"), std::string::npos) << written;
}

// A read-only shortcut that already holds the right bytes needs no change:
// the program goes on as usual and leaves it as it is.
TEST(Ostrivane, ReadOnlyShortcutThatIsAlreadyRightIsNoFailure) {
  PlaceShortcut(ExpectedShortcutBytes(), FILE_ATTRIBUTE_READONLY);
  const DWORD attributes = GetFileAttributesW(ShortcutOnDesktop().c_str());
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  ExpectInstalled();

  EXPECT_EQ(ReadBytes(ShortcutOnDesktop()), ExpectedShortcutBytes());
  EXPECT_EQ(GetFileAttributesW(ShortcutOnDesktop().c_str()), attributes);
  SetFileAttributesW(ShortcutOnDesktop().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another program keeps the old shortcut open, without sharing delete.
TEST(Ostrivane, ShortcutHeldOpenByAnotherProgramIsReportedAsSuch) {
  const std::wstring shortcut = ShortcutOnDesktop();
  PlaceShortcut("old", FILE_ATTRIBUTE_NORMAL);
  UniqueFile held = OpenFile(shortcut, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);

  ExpectReportedFailure(L"다른 프로그램이 기존 바로가기 파일을 사용하고 있습니다", L"error-in-use");

  held.reset();
  EXPECT_EQ(ReadBytes(shortcut), "old");
  DeleteFileW(shortcut.c_str());
}

// A desktop made on the host by tests/refusing_desktops.sh, named by the
// environment variable `name`; empty where it was not made.
std::wstring HostMadeDesktop(const wchar_t* name) {
  const wchar_t* path = _wgetenv(name);
  return path ? path : L"";
}
constexpr char kNeedsRoot[] =
    "the desktops that refuse writing (a full tmpfs, a read-only bind mount, an immutable file) "
    "are made on the host by root, and this run is not root's";

// A full disk and a read-only mount: where the right shortcut is already
// there, the run is a success that leaves it exactly as it is; with another
// one, the failure is reported with its true cause. Either way the old
// shortcut is kept and no temporary file stays.
TEST(RefusingDesktop, RightShortcutIsSuccessOtherwiseTheTrueCause) {
  const std::wstring full = HostMadeDesktop(L"OSTRIVANE_FULL_DESKTOP");
  if (full.empty()) GTEST_SKIP() << kNeedsRoot;
  const std::wstring filler = full + L"\\filler";
  struct Case {
    std::wstring desktop, writable;  // the desktop, and where its files are written
    const wchar_t* says;
  };
  for (const Case& c :
       {Case{full, full, L"디스크 공간이 부족합니다"},
        Case{HostMadeDesktop(L"OSTRIVANE_READ_ONLY_DESKTOP"), HostMadeDesktop(L"OSTRIVANE_READ_ONLY_SOURCE"),
             L"바탕화면 폴더나 디스크에 파일을 쓸 수 없습니다"}}) {
    DesktopRedirect redirect(c.desktop);
    for (const std::string& old : {ExpectedShortcutBytes(), std::string("old")}) {
      SCOPED_TRACE(ToUtf8(c.desktop) + ": " + old);
      DeleteFileW(filler.c_str());
      WriteBytes(ShortcutPath(c.writable, kSiteHost.unicode), old);
      if (c.desktop == full) {  // fills the disk up
        EXPECT_THROW(WriteBytes(filler, std::string(65536, 'x')), std::exception);
      }
      const std::vector<std::wstring> files = ListFolder(c.desktop);
      const DWORD attributes = GetFileAttributesW(ShortcutOnDesktop().c_str());
      if (old == ExpectedShortcutBytes()) {
        ExpectInstalled();
      } else {
        ExpectReportedFailure(c.says, L"error-refusing-desktop");
      }
      EXPECT_EQ(ReadBytes(ShortcutOnDesktop()), old);
      EXPECT_EQ(GetFileAttributesW(ShortcutOnDesktop().c_str()), attributes);
      EXPECT_EQ(ListFolder(c.desktop), files) << "a file was left";
    }
  }
}

// An old shortcut this user may not replace (immutable), held by no
// program: kept, and said so where it does not even open for deletion, as on
// Windows a file whose deletion the user is denied. Wine opens any file for
// deletion, whatever its rights or flags, so there nothing tells the refused
// rename from one over a file that a program reads only the attributes of:
// the report says "in use".
TEST(RefusingDesktop, ShortcutTheUserMayNotReplaceIsReportedAsSuch) {
  const std::wstring locked = HostMadeDesktop(L"OSTRIVANE_LOCKED_DESKTOP");
  if (locked.empty()) GTEST_SKIP() << kNeedsRoot;
  DesktopRedirect redirect(locked);
  const bool opens_for_deletion =
      static_cast<bool>(UniqueFile(CreateFileW(ShortcutOnDesktop().c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr)));  // and closed at once

  if (opens_for_deletion) {
    ExpectReportedFailure(L"다른 프로그램이 기존 바로가기 파일을 사용하고 있습니다", L"error-locked-in-use");
  } else {
    ExpectReportedFailure(L"기존 바로가기 파일을 바꿀 권한이 없습니다", L"error-not-permitted");
  }

  EXPECT_EQ(ReadBytes(ShortcutOnDesktop()), "old");
  EXPECT_EQ(ListFolder(locked), std::vector<std::wstring>{std::wstring(kSiteHost.unicode) + L".url"});
}

// Links named like old leftovers, to files elsewhere, one of them empty:
// Wine shows each as a plain file with its target's date, and deleting it
// deletes the target. Links and targets are all kept.
TEST(RefusingDesktop, LinksNamedLikeLeftoversAndTheirTargetsAreKept) {
  const std::wstring linked = HostMadeDesktop(L"OSTRIVANE_LINKED_DESKTOP");
  if (linked.empty()) GTEST_SKIP() << kNeedsRoot;
  DesktopRedirect redirect(linked);
  std::vector<std::wstring> files = ListFolder(linked);
  ASSERT_EQ(files.size(), 2u);
  ExpectInstalled();

  files.push_back(std::wstring(kSiteHost.unicode) + L".url");
  std::sort(files.begin(), files.end());
  EXPECT_EQ(ListFolder(linked), files);
  const std::wstring elsewhere = linked + L"\\..\\elsewhere";
  EXPECT_EQ(ListFolder(elsewhere), (std::vector<std::wstring>{L"empty", L"precious.txt"}));
  EXPECT_EQ(ReadBytes(elsewhere + L"\\precious.txt"), "precious");
}

// 10,000 old leftovers, named and filled as the program leaves them, hold
// up no run: it takes less than three times as long as a run without them,
// the quickest of three of each taken in turn, so that a machine busy with
// other work weighs on both alike; each run removes 100 of them.
TEST(RefusingDesktop, ManyOldLeftoversHoldUpNoRun) {
  const std::wstring leftovers = HostMadeDesktop(L"OSTRIVANE_LEFTOVERS_DESKTOP");
  if (leftovers.empty()) GTEST_SKIP() << kNeedsRoot;
  const auto timed_run = [] {
    const ULONGLONG start = GetTickCount64();
    ExpectInstalled();
    return GetTickCount64() - start;
  };
  ULONGLONG plain = ~0ull, with_leftovers = ~0ull;
  for (int run = 0; run < 3; ++run) {
    plain = std::min(plain, timed_run());
    DesktopRedirect redirect(leftovers);
    with_leftovers = std::min(with_leftovers, timed_run());
  }

  EXPECT_LT(with_leftovers, 3 * plain) << "ms, against " << plain << " ms without them";
  EXPECT_EQ(ListFolder(leftovers).size(), 9'700u + 1) << "the shortcut and the leftovers still there";
}

// Something asks the still hidden window to close while the confirmation is
// up (a task manager, logging off): the program ends quietly as asked.
TEST(Ostrivane, ACloseRequestBeforeTheWindowIsShownEndsItQuietly) {
  DeleteFileW(ShortcutOnDesktop().c_str());
  ProgramUnderTest program;
  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no message box";
  const HWND hidden = FindWindowW(L"Ostrivane.Form1", nullptr);
  ASSERT_NE(hidden, nullptr);
  PostMessageW(hidden, WM_CLOSE, 0, 0);
  const ULONGLONG start = GetTickCount64();
  while (IsWindow(hidden) && GetTickCount64() - start < kTimeoutMs) Sleep(10);
  ASSERT_FALSE(IsWindow(hidden)) << "the window did not close";
  PostMessageW(box, WM_COMMAND, IDOK, 0);

  EXPECT_EQ(program.WaitForExit(kTimeoutMs), 0u) << "an error report or the window kept it running";
  EXPECT_FALSE(program.window_ever_shown());
  EXPECT_EQ(ReadBytes(ShortcutOnDesktop()), ExpectedShortcutBytes());
}

// Ends the session as Windows does when the user logs off: the program's
// window, hidden or shown, is asked WM_QUERYENDSESSION, then told
// WM_ENDSESSION (so is the confirmation, which does nothing with them).
// Wine's wineboot --end-session ends every program itself once it has told
// it, so it cannot show whether a program ends by itself.
void EndSession() {
  const HWND form = FindWindowW(L"Ostrivane.Form1", nullptr);
  ASSERT_NE(form, nullptr);
  DWORD_PTR agreed = FALSE;
  SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kTimeoutMs, &agreed);
  EXPECT_TRUE(agreed) << "the window would keep the session from ending";
  SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kTimeoutMs, nullptr);
}

// The session ends while the confirmation is up, or once the window is
// shown: the program ends at once with exit code 0, no error report, and
// the shortcut in place.
TEST(Ostrivane, AnEndingSessionEndsItAtOnceWithTheShortcutInPlace) {
  for (const bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "the window shown" : "the confirmation up");
    DeleteFileW(ShortcutOnDesktop().c_str());
    ProgramUnderTest program;
    const HWND box = program.WaitForMessageBox(kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no message box";
    if (shown) {
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      ASSERT_NE(program.WaitForMainWindow(kTimeoutMs), nullptr);
    }

    EndSession();
    EXPECT_EQ(program.WaitForExit(kTimeoutMs), 0u) << "an error report or the window kept it running";
    if (!shown) {
      EXPECT_FALSE(program.window_ever_shown());
    }
    EXPECT_EQ(ReadBytes(ShortcutOnDesktop()), ExpectedShortcutBytes());
  }
}

}  // namespace
