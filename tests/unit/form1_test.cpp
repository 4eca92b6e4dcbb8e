#include "app/form1.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"

namespace {

bool QuitRequested() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A form cleaned up before it was ever shown (start-up failed) must not end
// the loop of the error report that follows.
TEST(Form1, DestroyingItBeforeItWasShownDoesNotEndTheProgram) {
  { Form1 form(GetModuleHandleW(nullptr)); }
  EXPECT_FALSE(QuitRequested());
}

TEST(Form1, ClosingItOnceShownEndsTheMessageLoop) {
  Form1 form(GetModuleHandleW(nullptr));
  form.Show(SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(form.hwnd()));
  SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.hwnd(), nullptr) << "the window is gone and no longer owned";
  EXPECT_TRUE(QuitRequested());
}

TEST(Form1, IsCreatedHiddenWithTheLabelInTheMessageFont) {
  Form1 form(GetModuleHandleW(nullptr));
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
  EXPECT_EQ(GetWindow(form.hwnd(), GW_CHILD), form.label1()) << "Label1 is first in tab order";
}

// The test program carries the same resources, so Form1 here takes its
// icon from them just as it does in Ostrivane.exe.
TEST(Form1Icon, WindowShowsTheProgramIconNotTheDefault) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  Form1 form(instance);
  const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(form.hwnd(), GCLP_HICON));
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(icon, LoadIconW(nullptr, IDI_APPLICATION));
  EXPECT_EQ(icon, LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId)));

  // The picture, not just the handle: the middle of the badge is opaque violet.
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(bitmap.bmBitsPixel, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

}  // namespace
