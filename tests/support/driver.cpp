#include "driver.h"

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "win32/code_page.h"
#include "win32/system_function.h"

namespace {

constexpr DWORD kPollMs = 10;

struct Search {
  DWORD process_id;
  bool message_box;  // looking for a message box, or for any other window
  HWND found = nullptr;
};

BOOL CALLBACK FindVisibleTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  if (process_id != search->process_id || !IsWindowVisible(window)) return TRUE;
  const bool message_box = ClassName(window) == L"#32770";
  if (message_box != search->message_box) return TRUE;
  // A message box counts once its controls are up: its OK button is visible.
  if (message_box && !IsWindowVisible(GetDlgItem(window, IDOK))) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindVisibleTopLevel(DWORD process_id, bool message_box) {
  Search search{process_id, message_box};
  EnumWindows(FindVisibleTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

}  // namespace

ProgramUnderTest::ProgramUnderTest(const std::wstring& file_name) {
  const std::wstring program = ProgramFolder() + L"\\" + file_name;
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    process_id_ = info.dwProcessId;
  }
}

ProgramUnderTest::~ProgramUnderTest() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND ProgramUnderTest::WaitForMessageBox(DWORD timeout_ms) {
  for (DWORD waited = 0; process_ && waited < timeout_ms; waited += kPollMs) {
    if (FindMainWindow(process_id_)) window_shown_early_ = window_seen_ = true;
    if (HWND box = FindMessageBox(process_id_)) return box;
    Sleep(kPollMs);
  }
  return nullptr;
}

HWND ProgramUnderTest::WaitForMainWindow(DWORD timeout_ms) {
  for (DWORD waited = 0; process_ && waited < timeout_ms; waited += kPollMs) {
    if (HWND window = FindMainWindow(process_id_)) return window;
    Sleep(kPollMs);
  }
  return nullptr;
}

DWORD ProgramUnderTest::WaitForExit(DWORD timeout_ms) {
  DWORD code = STILL_ACTIVE;
  for (DWORD waited = 0; process_ && waited < timeout_ms; waited += kPollMs) {
    if (FindMainWindow(process_id_)) window_seen_ = true;
    if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process_, &code);
      break;
    }
  }
  return code;
}

HWND FindMessageBox(DWORD process_id) { return FindVisibleTopLevel(process_id, true); }

HWND FindMainWindow(DWORD process_id) { return FindVisibleTopLevel(process_id, false); }

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::vector<HWND> VisibleChildren(HWND parent, const std::wstring& class_name) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child) && _wcsicmp(ClassName(child).c_str(), class_name.c_str()) == 0) {
      children.push_back(child);
    }
  }
  return children;
}

RECT RectInParent(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

const SystemFunctions& ThisSystem() {
  static const SystemFunctions system = LookUpSystemFunctions();
  return system;
}

// Windows 10's awareness calls, looked up at run time: older systems and
// Wine 8 lack some of them.
bool ThisProcessIsPerMonitorAwareV2() {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using GetThreadContext = HANDLE(WINAPI*)();
  using ContextsEqual = BOOL(WINAPI*)(HANDLE, HANDLE);
  const auto get_context = LookUpFunction<GetThreadContext>(user32, "GetThreadDpiAwarenessContext");
  const auto equal = LookUpFunction<ContextsEqual>(user32, "AreDpiAwarenessContextsEqual");
  const auto per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  return get_context && equal && equal(get_context(), per_monitor_v2);
}

int DpiAwarenessOf(HWND window) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using GetWindowContext = HANDLE(WINAPI*)(HWND);
  using AwarenessFromContext = int(WINAPI*)(HANDLE);
  const auto get_context = LookUpFunction<GetWindowContext>(user32, "GetWindowDpiAwarenessContext");
  const auto awareness = LookUpFunction<AwarenessFromContext>(user32, "GetAwarenessFromDpiAwarenessContext");
  return get_context && awareness ? awareness(get_context(window)) : -1;
}

std::wstring DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
  return path;
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + ToUtf8(path));
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void SaveScreenshot(HWND window, const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  if (!GetEnvironmentVariableW(L"OSTRIVANE_SCREENSHOTS", folder, MAX_PATH)) return;
  UpdateWindow(window);
  Sleep(300);  // let it finish painting
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();

  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
  header.bfSize = header.bfOffBits + stride * height;
  std::ofstream file((std::wstring(folder) + L"\\" + name + L".bmp").c_str(), std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof(header));
  file.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  file.write(static_cast<const char*>(pixels), stride * height);

  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}
