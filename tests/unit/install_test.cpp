#include "shortcut/install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/form1.h"
#include "driver.h"
#include "resources/texts.h"
#include "shortcut/failure_cause.h"
#include "shortcut/shortcut_file.h"
#include "test_folder.h"
#include "win32/error.h"

namespace {

constexpr HostName kHost = {L"www.trelvik.example", L"www.trelvik.example"};

std::wstring WithForwardSlashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'\\', L'/');
  return path;
}

// Stands in for the user: from a second thread, answers every message box
// this process shows with OK, noting what it said and whether the shortcut
// was already complete on disk while it was up.
class MessageBoxAnswerer {
 public:
  struct Box {
    std::wstring title;
    std::wstring text;
    int visible_buttons = 0;
    bool shortcut_complete = false;
  };

  explicit MessageBoxAnswerer(std::wstring shortcut) : shortcut_(std::move(shortcut)) {
    thread_ = CreateThread(nullptr, 0, &MessageBoxAnswerer::Run, this, 0, nullptr);
  }
  ~MessageBoxAnswerer() { Finish(); }

  // Stops answering and tells which boxes were answered.
  std::vector<Box> Finish() {
    if (thread_) {
      InterlockedExchange(&stop_, 1);
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    return boxes_;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* answerer = static_cast<MessageBoxAnswerer*>(self);
    while (!InterlockedCompareExchange(&answerer->stop_, 0, 0)) {
      if (const HWND box = FindMessageBox(GetCurrentProcessId())) answerer->Answer(box);
      Sleep(20);
    }
    return 0;
  }

  void Answer(HWND box) {
    boxes_.push_back({WindowText(box), WindowText(GetDlgItem(box, 0xFFFF)),  // the prompt
                      static_cast<int>(VisibleChildren(box, L"Button").size()),
                      Exists(shortcut_) && ReadBytes(shortcut_) == ShortcutFileBytes(kHost.ascii, GetACP())});
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    // Let it close before looking again, however long that takes.
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(box) && GetTickCount64() - start < 30'000) Sleep(5);
  }

  std::wstring shortcut_;
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
  std::vector<Box> boxes_;
};

TEST(InstallSiteShortcut, WritesTheShortcutThenTellsTheUserThenHidesTheForm) {
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\바탕 화면 ไทย";
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
  DesktopRedirect redirect(desktop);
  const std::wstring shortcut = desktop + L"\\www.trelvik.example.url";

  Form1 form(GetModuleHandleW(nullptr), ThisSystem());
  ShowWindow(form.hwnd(), SW_SHOWNA);
  {
    MessageBoxAnswerer user(shortcut);
    InstallSiteShortcut(form.hwnd(), kHost, ThisSystem());
    const std::vector<MessageBoxAnswerer::Box> boxes = user.Finish();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"바로가기");
    EXPECT_EQ(boxes[0].text, L"사이트 바로가기가 바탕화면에 설치되었습니다.");
    EXPECT_EQ(boxes[0].visible_buttons, 1);
    EXPECT_TRUE(boxes[0].shortcut_complete) << "the box came before the file was complete";
  }
  EXPECT_FALSE(IsWindowVisible(form.hwnd()));
  EXPECT_EQ(ListFolder(desktop), std::vector<std::wstring>{L"www.trelvik.example.url"});
}

// A desktop set with "..", "." or doubled or forward slashes in its path,
// which the shell takes for one that is not there, gets the shortcut.
TEST(InstallSiteShortcut, DesktopSetInAnotherFormOfItsPathGetsTheShortcut) {
  ScratchFolder scratch;
  const std::wstring desktop = scratch.path() + L"\\Desktop";
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
  const std::wstring shortcut = desktop + L"\\www.trelvik.example.url";
  for (const std::wstring& set :
       {scratch.path() + L"\\Documents\\..\\Desktop", scratch.path() + L"\\.\\Desktop",
        scratch.path() + L"\\\\Desktop", WithForwardSlashes(desktop)}) {
    DesktopRedirect redirect(set);
    Form1 form(GetModuleHandleW(nullptr), ThisSystem());
    MessageBoxAnswerer user(shortcut);
    InstallSiteShortcut(form.hwnd(), kHost, ThisSystem());
    EXPECT_EQ(user.Finish().size(), 1u);
    EXPECT_EQ(ListFolder(desktop), std::vector<std::wstring>{L"www.trelvik.example.url"});
    DeleteFileW(shortcut.c_str());
  }
}

// Where the desktop cannot be resolved, nothing is written and no message
// shown, and the error says what is at the place the folder is set to be,
// naming it as it is set: nothing, a file, or a network share that cannot be
// reached.
TEST(InstallSiteShortcut, DesktopLookupFailureSaysWhatIsThereAndWritesNothing) {
  ScratchFolder scratch;
  const std::wstring missing = scratch.path() + L"\\Desktop";
  const std::wstring file = scratch.path() + L"\\Desktop.file";
  WriteBytes(file, "not a folder");
  const std::wstring network = L"\\\\ostrivane-test-server\\share\\Desktop";
  struct Case {
    std::wstring desktop;
    Cause cause;
  };
  for (const Case& c :
       {Case{missing, Cause::kFolderNotFound}, Case{file, Cause::kFileInTheWay}, Case{network, Cause::kOther},
        Case{WithForwardSlashes(missing), Cause::kFolderNotFound}}) {
    DesktopRedirect redirect(c.desktop);
    Form1 form(GetModuleHandleW(nullptr), ThisSystem());
    MessageBoxAnswerer user(c.desktop + L"\\www.trelvik.example.url");
    try {
      InstallSiteShortcut(form.hwnd(), kHost, ThisSystem());
      ADD_FAILURE() << "no error raised";
    } catch (const Win32Error& error) {
      EXPECT_EQ(error.cause(), c.cause) << error.what();
      EXPECT_EQ(error.subject(), c.desktop);
      EXPECT_NE(error.code(), 0u) << error.what();
    }
    EXPECT_TRUE(user.Finish().empty());
  }
  EXPECT_EQ(ListFolder(scratch.path()), std::vector<std::wstring>{L"Desktop.file"});
  // Not at the root of the current drive either.
  EXPECT_FALSE(Exists(L"\\www.trelvik.example.url"));
}

}  // namespace
