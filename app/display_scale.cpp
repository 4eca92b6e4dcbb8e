#include "app/display_scale.h"

#include "win32/system_function.h"

namespace {

HMODULE User32() { return GetModuleHandleW(L"user32.dll"); }

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

void DeclareDpiAwareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const auto set_context = LookUpFunction<SetContext>(User32(), "SetProcessDpiAwarenessContext");
  if (set_context) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
  }

  // shcore.dll exists from Windows 8.1; only ever from the system folder.
  const UniqueModule shcore(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (shcore) {
    using SetAwareness = HRESULT(WINAPI*)(int);
    const auto set_awareness = LookUpFunction<SetAwareness>(shcore.get(), "SetProcessDpiAwareness");
    constexpr int kPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
    if (set_awareness && SUCCEEDED(set_awareness(kPerMonitorDpiAware))) return;
  }

  using SetAware = BOOL(WINAPI*)();
  if (const auto set_aware = LookUpFunction<SetAware>(User32(), "SetProcessDPIAware")) set_aware();
}

UINT DpiOf(HWND window) {
  using GetDpiForWindow = UINT(WINAPI*)(HWND);
  if (const auto get_dpi = LookUpFunction<GetDpiForWindow>(User32(), "GetDpiForWindow")) {
    if (const UINT dpi = get_dpi(window)) return dpi;
  }
  return SystemDpi();
}

UniqueFont CreateMessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  const auto for_dpi = LookUpFunction<ParametersForDpi>(User32(), "SystemParametersInfoForDpi");
  if (for_dpi) {
    if (!for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) return nullptr;
  } else {
    // Older systems give the font at the system's DPI.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
  }
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, UINT dpi) {
  RECT frame = {0, 0, client.cx, client.cy};
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto adjust = LookUpFunction<AdjustForDpi>(User32(), "AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&frame, style, FALSE, ex_style, dpi)) {
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}
