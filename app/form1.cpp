#include "app/form1.h"

#include <algorithm>

#include "app/display_scale.h"
#include "resource_ids.h"
#include "resources/texts.h"
#include "shortcut/install.h"
#include "site_host.h"
#include "win32/error.h"

namespace {

constexpr wchar_t kClassName[] = L"Ostrivane.Form1";

// At 96 DPI: client area 300 x 43 pixels (4500 x 645 twips); Label1 at
// 56,16, 201 x 17 (840, 240, 3015 x 255 twips). Scaled to the display's DPI.
constexpr SIZE kClientSize = {300, 43};
constexpr RECT kLabel1Bounds = {56, 16, 56 + 201, 16 + 17};
constexpr int kLabel1Id = 100;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExStyle = 0;

// The program icon for the caption bar and the taskbar; the system derives
// the small one from it. The platform's default if the program carries none.
HICON LoadProgramIcon(HINSTANCE instance) {
  const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId));
  return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

void RegisterForm1Class(HINSTANCE instance, WNDPROC window_proc) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadProgramIcon(instance);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError(texts::kStepCreateWindow, L"RegisterClassExW");
  }
}

// How much room `text` takes in `font`, on one line.
SIZE MeasureText(HWND window, HGDIOBJ font, const wchar_t* text) {
  SIZE size = {};
  const HDC dc = GetDC(window);
  if (!dc) return size;
  const HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

struct Layout {
  RECT label;
  SIZE client;
};

// The geometry above at `dpi`, kept as the least size: where the label's
// text needs more room (a larger text size), the label grows just enough,
// and the client area with it.
Layout LayoutFor(UINT dpi, SIZE text) {
  const int left = ScaleToDpi(kLabel1Bounds.left, dpi);
  const int top = ScaleToDpi(kLabel1Bounds.top, dpi);
  const int least_width = ScaleToDpi(kLabel1Bounds.right - kLabel1Bounds.left, dpi);
  const int least_height = ScaleToDpi(kLabel1Bounds.bottom - kLabel1Bounds.top, dpi);
  const int width = std::max<int>(least_width, text.cx);
  const int height = std::max<int>(least_height, text.cy);
  return {{left, top, left + width, top + height},
          {ScaleToDpi(kClientSize.cx, dpi) + width - least_width,
           ScaleToDpi(kClientSize.cy, dpi) + height - least_height}};
}

}  // namespace

Form1::Form1(HINSTANCE instance, const SystemFunctions& system) : system_(system) {
  RegisterForm1Class(instance, WindowProc);

  // Made at its 96 DPI size, then sized for the DPI of wherever it landed,
  // all before it is ever visible.
  const SIZE frame = WindowSizeForClient(system_, kClientSize, kStyle, kExStyle, 96);
  window_ = CreateWindowExW(kExStyle, kClassName, texts::kForm1Caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.cx, frame.cy, nullptr, nullptr, instance, this);
  if (!window_) ThrowLastError(texts::kStepCreateWindow, L"CreateWindowExW");
  try {
    CreateLabel1(instance);
    const UINT dpi = DpiOf(system_, window_);
    const SIZE scaled = WindowSizeForClient(system_, ScaleTo(dpi), kStyle, kExStyle, dpi);
    SetWindowPos(window_, nullptr, 0, 0, scaled.cx, scaled.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } catch (...) {
    DestroyWindow(window_);  // the destructor does not run for a half-made form
    throw;
  }
}

Form1::~Form1() {
  if (window_) DestroyWindow(window_);
}

void Form1::CreateLabel1(HINSTANCE instance) {
  label1_ = CreateWindowExW(0, L"STATIC", texts::kLabel1Text, WS_CHILD | WS_VISIBLE | SS_LEFT,
                            kLabel1Bounds.left, kLabel1Bounds.top, kLabel1Bounds.right - kLabel1Bounds.left,
                            kLabel1Bounds.bottom - kLabel1Bounds.top, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabel1Id)), instance, nullptr);
  if (!label1_) ThrowLastError(texts::kStepCreateWindow, L"CreateWindowExW");
}

SIZE Form1::ScaleTo(UINT dpi) {
  UniqueFont font = CreateMessageFont(system_, dpi);
  // Without the message font the label keeps the system's default GUI font.
  const HGDIOBJ used = font ? font.get() : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(used), TRUE);
  label_font_ = std::move(font);

  const Layout layout = LayoutFor(dpi, MeasureText(label1_, used, texts::kLabel1Text));
  SetWindowPos(label1_, nullptr, layout.label.left, layout.label.top, layout.label.right - layout.label.left,
               layout.label.bottom - layout.label.top, SWP_NOZORDER | SWP_NOACTIVATE);
  return layout.client;
}

// Moved to a monitor of another scale (per-monitor awareness): take the
// place the system suggests and redo the label for the new DPI.
void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  ScaleTo(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The session ends (logging off, shutting down, a restart for updates), and
// Windows may end the process as soon as this returns. There is nothing to
// save: the program takes messages only once the shortcut is complete on
// disk, with the confirmation up or the window shown. The window goes, and
// the quit request ends whichever loop runs, the confirmation's too; the
// program then ends with exit code 0, reporting nothing.
void Form1::OnEndSession() {
  DestroyWindow(window_);
  PostQuitMessage(0);
}

void Form1::Load() { InstallSiteShortcut(window_, kSiteHost, system_); }

void Form1::Show(int show_command) {
  shown_ = true;
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wparam, lparam);

  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing to ask the user: the session may end
    case WM_ENDSESSION:
      if (wparam) form->OnEndSession();
      return 0;
    case WM_DPICHANGED:
      form->OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      // Closing the shown window ends the program. A window that was never
      // shown is only being cleaned up, and must not end a message box's loop.
      if (form->shown_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // The window is gone, however it went: the form no longer owns it.
      form->window_ = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
