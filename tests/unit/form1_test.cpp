#include "app/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/display_scale.h"
#include "driver.h"
#include "resource_ids.h"
#include "test_folder.h"

namespace {

bool QuitRequested() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A form cleaned up before it was ever shown (start-up failed) must not end
// the loop of the error report that follows.
TEST(Form1, DestroyingItBeforeItWasShownDoesNotEndTheProgram) {
  auto form = std::make_unique<Form1>(GetModuleHandleW(nullptr), ThisSystem());
  form.reset();
  EXPECT_FALSE(QuitRequested());
}

TEST(Form1, ClosingItOnceShownEndsTheMessageLoop) {
  Form1 form(GetModuleHandleW(nullptr), ThisSystem());
  form.Show(SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(form.hwnd()));
  SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.hwnd(), nullptr) << "the window is gone and no longer owned";
  EXPECT_TRUE(QuitRequested());
}

TEST(Form1, IsCreatedHiddenWithTheLabelInTheMessageFont) {
  Form1 form(GetModuleHandleW(nullptr), ThisSystem());
  EXPECT_FALSE(IsWindowVisible(form.hwnd()));

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(form.label1(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr) << "the label uses the raw system font";
  LOGFONTW used = {};
  GetObjectW(font, sizeof(used), &used);
  EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(used.lfHeight, metrics.lfMessageFont.lfHeight);
}

// Form1 at the display's scale. The session runs these at 96, 144 and 192
// DPI, naming the scale in OSTRIVANE_TEST_DPI.
struct Geometry {
  UINT dpi;
  RECT client;
  RECT label;  // in the client area
};
constexpr Geometry kGeometries[] = {
    {96, {0, 0, 300, 43}, {56, 16, 56 + 201, 16 + 17}},
    {144, {0, 0, 450, 65}, {84, 24, 84 + 302, 24 + 26}},
    {192, {0, 0, 600, 86}, {112, 32, 112 + 402, 32 + 34}},
};

const Geometry& GeometryAt(UINT dpi) {
  for (const Geometry& geometry : kGeometries) {
    if (geometry.dpi == dpi) return geometry;
  }
  throw std::invalid_argument("no geometry for this DPI");
}

UINT SessionDpi() {
  const char* dpi = std::getenv("OSTRIVANE_TEST_DPI");
  return dpi ? static_cast<UINT>(std::atoi(dpi)) : 96;
}

RECT ClientRect(HWND window) {
  RECT rect;
  GetClientRect(window, &rect);
  return rect;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

// The room the label's text takes in the label's own font.
SIZE TextExtent(HWND label) {
  wchar_t text[256];
  const int length = GetWindowTextW(label, text, 256);
  const HDC dc = GetDC(label);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  return size;
}

void ExpectTextFits(HWND label) {
  const RECT bounds = RectInParent(label);
  const SIZE text = TextExtent(label);
  EXPECT_LE(text.cx, bounds.right - bounds.left) << "the label's text is cut off";
  EXPECT_LE(text.cy, bounds.bottom - bounds.top) << "the label's text is clipped";
}

void ExpectRect(const RECT& actual, const RECT& expected, const char* what) {
  EXPECT_EQ(actual.left, expected.left) << what;
  EXPECT_EQ(actual.top, expected.top) << what;
  EXPECT_EQ(actual.right, expected.right) << what;
  EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

void ExpectLaidOutAtTheSessionScale(const SystemFunctions& system = ThisSystem()) {
  const Geometry& expected = GeometryAt(SessionDpi());
  Form1 form(GetModuleHandleW(nullptr), system);
  ASSERT_EQ(DpiOf(system, form.hwnd()), expected.dpi) << "the session is not at the scale it names";

  ExpectRect(ClientRect(form.hwnd()), expected.client, "client area");
  ExpectRect(RectInParent(form.label1()), expected.label, "Label1");
  ExpectTextFits(form.label1());
  EXPECT_EQ(FontOf(form.label1()).lfHeight, [&] {
    const UniqueFont message_font = CreateMessageFont(system, expected.dpi);
    LOGFONTW font = {};
    GetObjectW(message_font.get(), sizeof(font), &font);
    return font.lfHeight;
  }()) << "the label's font is not the message font at this scale";
}

TEST(Form1Scale, WindowAndLabelFollowTheDisplayScaleAndTheTextFits) { ExpectLaidOutAtTheSessionScale(); }

// Stand-ins for the calls that set how the whole process scales, which
// accept what Ostrivane asks for and leave this process as it is.
HRESULT WINAPI AcceptPerMonitorAwareness(int awareness) { return awareness == 2 ? S_OK : E_INVALIDARG; }
BOOL WINAPI AcceptSystemAwareness() { return TRUE; }

// Without Windows 10's calls, the system's DPI and the older calls give the
// same layout; awareness is declared through shcore on 8.1, else system-wide.
TEST(Form1Scale, OnWindows81And7ItDeclaresItselfAwareAndIsLaidOutTheSame) {
  for (const int version : {81, 7}) {
    SystemFunctions older;
    if (version == 81) older.SetProcessDpiAwareness = &AcceptPerMonitorAwareness;
    older.SetProcessDPIAware = &AcceptSystemAwareness;
    ExpectLaidOutAtTheSessionScale(older);
    EXPECT_EQ(DeclareDpiAwareness(older), version == 7 ? DpiAwareness::kSystem : DpiAwareness::kPerMonitor);
  }
}

// Windows' "Make text bigger" enlarges the message font without changing the
// scale: the label grows just enough for its text, and the window with it.
TEST(Form1Scale, ALargerTextSizeGrowsTheLabelAndTheWindowJustEnough) {
  NONCLIENTMETRICSW original = {};
  original.cbSize = sizeof(original);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(original), &original, 0));
  NONCLIENTMETRICSW larger = original;
  larger.lfMessageFont.lfHeight = original.lfMessageFont.lfHeight * 2;  // heights are negative
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(larger), &larger, 0));
  struct Restore {
    NONCLIENTMETRICSW& metrics;
    ~Restore() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0); }
  } restore{original};

  const Geometry& least = GeometryAt(SessionDpi());
  Form1 form(GetModuleHandleW(nullptr), ThisSystem());
  const SIZE text = TextExtent(form.label1());
  ASSERT_GT(text.cx, least.label.right - least.label.left) << "the larger font did not take";

  const RECT label = RectInParent(form.label1());
  EXPECT_EQ(label.left, least.label.left);
  EXPECT_EQ(label.top, least.label.top);
  EXPECT_EQ(label.right - label.left, text.cx);
  EXPECT_EQ(label.bottom - label.top, std::max<LONG>(text.cy, least.label.bottom - least.label.top));
  const RECT client = ClientRect(form.hwnd());
  EXPECT_EQ(client.right - least.client.right,
            (label.right - label.left) - (least.label.right - least.label.left));
  EXPECT_EQ(client.bottom - least.client.bottom,
            (label.bottom - label.top) - (least.label.bottom - least.label.top));
}

// Dragged to a monitor of another scale, the window takes the place the
// system suggests and lays the label out again for the new DPI.
TEST(Form1Scale, MovingToAMonitorOfAnotherScaleRescalesTheLabel) {
  const UINT other_dpi = SessionDpi() == 192 ? 144 : 192;
  Form1 form(GetModuleHandleW(nullptr), ThisSystem());
  RECT suggested = {40, 30, 40 + 640, 30 + 160};
  SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(other_dpi, other_dpi),
               reinterpret_cast<LPARAM>(&suggested));

  RECT window;
  GetWindowRect(form.hwnd(), &window);
  ExpectRect(window, suggested, "window");
  ExpectRect(RectInParent(form.label1()), GeometryAt(other_dpi).label, "Label1");
  ExpectTextFits(form.label1());
}

// An icon's colour pixels with their alpha, top row first, at its own size;
// empty when they cannot be read.
std::vector<RGBQUAD> IconPixels(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return {};
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = bitmap.bmWidth;
  format.bmiHeader.biHeight = -bitmap.bmHeight;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<RGBQUAD> pixels(bitmap.bmWidth * bitmap.bmHeight);
  const HDC screen = GetDC(nullptr);
  const int rows =
      GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  if (rows != bitmap.bmHeight) pixels.clear();
  return pixels;
}

// The test program carries the same resources, so Form1 here takes its
// icon from them just as it does in Ostrivane.exe.
TEST(Form1Icon, WindowShowsTheProgramIconNotTheDefault) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  Form1 form(instance, ThisSystem());
  const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(form.hwnd(), GCLP_HICON));
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(icon, LoadIconW(nullptr, IDI_APPLICATION));
  EXPECT_EQ(icon, LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId)));

  // The picture, not just the handle: the configured image, as the system
  // makes an icon of that size from it.
  const std::string image = ConfiguredIconImage();
  const std::unique_ptr<HICON__, decltype(&DestroyIcon)> configured(
      CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                               static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR),
      DestroyIcon);
  ASSERT_TRUE(configured);
  const std::vector<RGBQUAD> shown = IconPixels(icon);
  const std::vector<RGBQUAD> expected = IconPixels(configured.get());
  ASSERT_EQ(shown.size(), static_cast<size_t>(GetSystemMetrics(SM_CXICON) * GetSystemMetrics(SM_CYICON)));
  ASSERT_EQ(shown.size(), expected.size());
  EXPECT_EQ(0, std::memcmp(shown.data(), expected.data(), shown.size() * sizeof(RGBQUAD)))
      << "the window's icon is not the configured image";
}

}  // namespace
