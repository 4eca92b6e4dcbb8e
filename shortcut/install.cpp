#include "shortcut/install.h"

#include <shlobj.h>

#include <string>

#include "resources/texts.h"
#include "shortcut/failure_cause.h"
#include "shortcut/shell_folder.h"
#include "shortcut/shortcut_file.h"
#include "win32/error.h"

void InstallSiteShortcut(HWND form, const HostName& host, const SystemFunctions& system) {
  HRESULT lookup = S_OK;
  const std::wstring desktop = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY, &lookup);
  // Without a desktop folder there is nowhere the shortcut belongs; a bare
  // "\host.url" would land at the root of the current drive. The user is
  // told where the desktop folder is set to be, and what is wrong there.
  if (desktop.empty()) {
    throw SpecialFolderLookupError(texts::kStepFindDesktop, CSIDL_DESKTOPDIRECTORY, lookup);
  }
  WriteShortcutFile(desktop, host, system);

  // From here on the shortcut is in place, and a failure says so.
  // Application-modal, OK only, no icon. Which button closed it does not
  // matter, but a box that could not be shown told the user nothing.
  const int answer = MessageBoxW(nullptr, texts::kInstalledPrompt, texts::kInstalledTitle, MB_OK);
  const DWORD code = GetLastError();

  // While the box was up, something may have asked the still hidden window
  // to close (a task manager), or the session ended, which ends the box too:
  // then the program ends as asked, and there is nothing to hide.
  if (!IsWindow(form)) return;
  if (!answer) throw Win32Error(texts::kStepShowMessage, L"MessageBoxW", {}, code).AfterInstall();
  if (!SetWindowPos(form, nullptr, 0, 0, 0, 0,
                    SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    throw Win32Error(texts::kStepHideWindow, L"SetWindowPos", {}, GetLastError()).AfterInstall();
  }
}
