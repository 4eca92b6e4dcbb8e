#include "shortcut/install.h"

#include <shlobj.h>

#include <string>

#include "resources/texts.h"
#include "shortcut/shortcut_file.h"
#include "shortcut/shell_folder.h"
#include "win32/error.h"

void InstallSiteShortcut(HWND form, std::wstring_view host) {
  const std::wstring desktop = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
  // Without a desktop folder there is nowhere the shortcut belongs; a bare
  // "\host.url" would land at the root of the current drive.
  if (desktop.empty()) {
    throw Win32Error(texts::kStepFindDesktop, L"SHGetSpecialFolderLocation",
                     L"CSIDL_DESKTOPDIRECTORY", ERROR_PATH_NOT_FOUND);
  }
  WriteShortcutFile(desktop, host);

  // Application-modal, OK only, no icon. Which button closed it does not
  // matter, but a box that could not be shown told the user nothing.
  if (!MessageBoxW(nullptr, texts::kInstalledPrompt, texts::kInstalledTitle, MB_OK)) {
    ThrowLastError(texts::kStepShowMessage, L"MessageBoxW");
  }

  // While the box was up, something may have asked the still hidden window
  // to close (a task manager, logging off): then there is nothing to hide.
  if (!IsWindow(form)) return;
  if (!SetWindowPos(form, nullptr, 0, 0, 0, 0,
                    SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    ThrowLastError(texts::kStepHideWindow, L"SetWindowPos", L"SWP_HIDEWINDOW");
  }
}
