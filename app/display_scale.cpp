#include "app/display_scale.h"

namespace {

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

DpiAwareness DeclareDpiAwareness(const SystemFunctions& system) {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const auto per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (system.SetProcessDpiAwarenessContext && system.SetProcessDpiAwarenessContext(per_monitor_v2)) {
    return DpiAwareness::kPerMonitorV2;
  }
  constexpr int kPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
  if (system.SetProcessDpiAwareness && SUCCEEDED(system.SetProcessDpiAwareness(kPerMonitorDpiAware))) {
    return DpiAwareness::kPerMonitor;
  }
  if (system.SetProcessDPIAware && system.SetProcessDPIAware()) return DpiAwareness::kSystem;
  return DpiAwareness::kUnaware;
}

UINT DpiOf(const SystemFunctions& system, HWND window) {
  if (system.GetDpiForWindow) {
    if (const UINT dpi = system.GetDpiForWindow(window)) return dpi;
  }
  return SystemDpi();
}

UniqueFont CreateMessageFont(const SystemFunctions& system, UINT dpi) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (system.SystemParametersInfoForDpi) {
    if (!system.SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
      return nullptr;
    }
  } else {
    // Older systems give the font at the system's DPI.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
  }
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE WindowSizeForClient(const SystemFunctions& system, SIZE client, DWORD style, DWORD ex_style, UINT dpi) {
  RECT frame = {0, 0, client.cx, client.cy};
  if (!system.AdjustWindowRectExForDpi ||
      !system.AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, dpi)) {
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}
