// Ostrivane: puts an Internet shortcut to the site on the user's desktop,
// says so, then shows its small window until the user closes it.

#include <windows.h>

#include <new>

#include "app/display_scale.h"
#include "app/dll_search.h"
#include "app/error_report.h"
#include "app/form1.h"
#include "app/system_functions.h"
#include "resources/texts.h"
#include "win32/code_page.h"
#include "win32/error.h"

namespace {

int RunMessageLoop() {
  MSG message;
  BOOL result;
  while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return result == 0 ? static_cast<int>(message.wParam) : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  const SystemFunctions system = LookUpSystemFunctions();
  // Before anything else can load a DLL by name: the program is started from
  // Downloads folders, where anyone can leave a DLL named like a system one.
  RestrictDllSearchToSystemFolder(system);
  DeclareDpiAwareness(system);  // before the first window, message boxes included
  try {
    Form1 form(instance, system);
    form.Load();  // installs the shortcut; the window has not been visible yet
    // Asked to close while the confirmation was up (a task manager), or the
    // session ended: the shortcut is in place, and the program ends as asked.
    if (!form.hwnd()) return 0;
    form.Show(show_command);
    return RunMessageLoop();
  } catch (const Win32Error& error) {
    ReportStartupError(error);
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
  } catch (const std::exception& error) {
    // Not one of ours: name it by its own words, if it has any.
    ReportStartupError(Win32Error(texts::kStepUnexpected, {}, FromUtf8(error.what()), ERROR_INTERNAL_ERROR));
  } catch (...) {
    ReportStartupError(Win32Error(texts::kStepUnexpected, {}, {}, ERROR_INTERNAL_ERROR));
  }
  return 1;
}
