#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/system_functions.h"

// Drives the real Ostrivane.exe from outside, as a user would: starts it,
// finds its windows, reads their controls, answers and closes them.

class ProgramUnderTest {
 public:
  // Starts the program (Ostrivane.exe unless told otherwise) from this
  // program's folder.
  explicit ProgramUnderTest(const std::wstring& file_name = L"Ostrivane.exe");
  // Ends the program if a test left it running.
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  // Waits for the program's message box, noting on the way whether any other
  // window of the program became visible first. Null after the timeout.
  HWND WaitForMessageBox(DWORD timeout_ms);
  // Waits for a visible top-level window of the program that is not a
  // message box. Null after the timeout.
  HWND WaitForMainWindow(DWORD timeout_ms);
  // The exit code, or STILL_ACTIVE after the timeout. Watches for the
  // program's window meanwhile.
  DWORD WaitForExit(DWORD timeout_ms);

  bool window_shown_before_message_box() const { return window_shown_early_; }
  // Whether the program's window was ever seen visible while waiting for it
  // to show a message box or to exit.
  bool window_ever_shown() const { return window_seen_; }
  DWORD process_id() const { return process_id_; }

 private:
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
  bool window_shown_early_ = false;
  bool window_seen_ = false;
};

// The program's message box once its OK button is up, or null.
HWND FindMessageBox(DWORD process_id);
// The program's visible top-level window that is not a message box, or null.
HWND FindMainWindow(DWORD process_id);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// Visible child windows of `parent` with the given class ("Button", "Static").
std::vector<HWND> VisibleChildren(HWND parent, const std::wstring& class_name);
// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// This system's newer calls, looked up once for the whole test program.
const SystemFunctions& ThisSystem();

// Whether this process is per-monitor aware (v2): only where the system
// offers that does it also scale unaware programs' windows as bitmaps, so
// that an unaware window can be told from an aware one.
bool ThisProcessIsPerMonitorAwareV2();
// A window's DPI awareness as the system keeps it (DPI_AWARENESS: 0 unaware,
// 1 system, 2 per monitor), or -1 where the system cannot tell.
int DpiAwarenessOf(HWND window);

std::wstring DesktopFolder();
// A file's whole content as bytes; throws, naming it, if it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Saves what the screen shows of `window` as a BMP file in the folder named
// by the OSTRIVANE_SCREENSHOTS environment variable, if it is set.
void SaveScreenshot(HWND window, const std::wstring& name);
