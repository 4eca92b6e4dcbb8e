// One run of a release's Ostrivane.exe for the release check
// (tools/release.py), in a throwaway Wine session: starts the Ostrivane.exe
// beside it, answers the message box and closes the window as a user
// would. The texts are checked here against the program's own
// (resources/texts.h), and the shortcut on the desktop against the bytes
// the program's own code makes for this build's site; each fault is
// printed, one line each in UTF-8, for the release check to report:
//   fault=<what went wrong>    (then the exit code is 1)
// Where OSTRIVANE_SCREENSHOTS names a folder, the message box and the
// window are saved there (messagebox.bmp, form1.bmp).

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "driver.h"
#include "resources/texts.h"
#include "shortcut/shortcut_file.h"
#include "site_host.h"
#include "win32/code_page.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;

struct Faults {
  std::vector<std::string> found;
  void Expect(bool holds, const char* what) {
    if (!holds) found.push_back(what);
  }
};

}  // namespace

int main() {
  Faults faults;
  ProgramUnderTest program;
  const HWND box = program.WaitForMessageBox(kTimeoutMs);
  faults.Expect(box != nullptr, "no message box within 30 s");
  if (box) {
    faults.Expect(!program.window_shown_before_message_box(), "the window showed before the message box");
    faults.Expect(WindowText(box) == texts::kInstalledTitle, "the message box's title is not the program's");
    faults.Expect(WindowText(GetDlgItem(box, 0xFFFF)) == texts::kInstalledPrompt,
                  "the message box's text is not the program's");
    faults.Expect(VisibleChildren(box, L"Button").size() == 1, "the message box has not one button");
    SaveScreenshot(box, L"messagebox");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const HWND window = program.WaitForMainWindow(kTimeoutMs);
    faults.Expect(window != nullptr, "no window within 30 s of the message box");
    if (window) {
      faults.Expect(WindowText(window) == texts::kForm1Caption, "the window's caption is not the program's");
      const std::vector<HWND> labels = VisibleChildren(window, L"Static");
      faults.Expect(labels.size() == 1 && WindowText(labels[0]) == texts::kLabel1Text,
                    "the window does not show the program's one label");
      SaveScreenshot(window, L"form1");
      PostMessageW(window, WM_CLOSE, 0, 0);
      faults.Expect(program.WaitForExit(kTimeoutMs) == 0, "the program did not end with exit code 0");
    }
  }
  // Written before the message box showed: there by now, or never.
  try {
    faults.Expect(ReadBytes(ShortcutPath(DesktopFolder(), kSiteHost.unicode)) ==
                      ShortcutFileBytes(kSiteHost.ascii, GetACP()),
                  "the shortcut's bytes are not the ones the program makes for this site");
  } catch (const std::exception&) {
    faults.Expect(false, "the desktop holds no shortcut of this site");
  }
  for (const std::string& fault : faults.found) std::printf("fault=%s\n", fault.c_str());
  return faults.found.empty() ? 0 : 1;
}
