#include "app/form1.h"

#include "resources/resource_ids.h"
#include "resources/texts.h"
#include "shortcut/install.h"
#include "site_host.h"
#include "win32/error.h"

namespace {

constexpr wchar_t kClassName[] = L"Ostrivane.Form1";

// Client area 300 x 43 pixels; Label1 at 56,16, 201 x 17.
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
    ThrowLastError(L"RegisterClassExW");
  }
}

// The font the system uses for message boxes and dialogs, so the label looks
// like every other native window's text.
UniqueFont CreateMessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

}  // namespace

Form1::Form1(HINSTANCE instance) {
  RegisterForm1Class(instance, WindowProc);

  RECT frame = {0, 0, kClientSize.cx, kClientSize.cy};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  window_.reset(CreateWindowExW(kExStyle, kClassName, texts::kForm1Caption, kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, this));
  if (!window_) ThrowLastError(L"CreateWindowExW", L"Form1");
  CreateLabel1(instance);
}

void Form1::CreateLabel1(HINSTANCE instance) {
  label1_ = CreateWindowExW(0, L"STATIC", texts::kLabel1Text, WS_CHILD | WS_VISIBLE | SS_LEFT,
                            kLabel1Bounds.left, kLabel1Bounds.top,
                            kLabel1Bounds.right - kLabel1Bounds.left,
                            kLabel1Bounds.bottom - kLabel1Bounds.top, window_.get(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabel1Id)), instance,
                            nullptr);
  if (!label1_) ThrowLastError(L"CreateWindowExW", L"Label1");

  label_font_ = CreateMessageFont();
  // Without the message font the label keeps the system's default GUI font.
  const HGDIOBJ font = label_font_ ? label_font_.get() : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Form1::Load() { InstallSiteShortcut(window_.get(), kSiteHost); }

void Form1::Show(int show_command) {
  shown_ = true;
  ShowWindow(window_.get(), show_command);
  UpdateWindow(window_.get());
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));

  switch (message) {
    case WM_DESTROY:
      // Closing the shown window ends the program. A window that was never
      // shown is only being cleaned up, and must not end a message box's loop.
      if (form && form->shown_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // Closed by the user: the handle is gone, so there is nothing left to destroy.
      if (form) static_cast<void>(form->window_.release());
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
