#pragma once

#include <windows.h>

#include "app/system_functions.h"
#include "win32/unique.h"

// The program's one window: a caption and the label Label1. It is created
// hidden; the load handler installs the shortcut before it is first shown.
// Once shown, closing it ends the message loop. When the session ends
// (logging off, shutting down), hidden or shown, it goes and ends the loop
// that runs, the confirmation's included. It is laid out at the
// display's scale and follows the window when it moves to a monitor of
// another scale, with the calls `system` has.
class Form1 {
 public:
  Form1(HINSTANCE instance, const SystemFunctions& system);
  Form1(HINSTANCE, SystemFunctions&&) = delete;  // kept by reference
  // Destroys the window, unless the user has already closed it.
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND hwnd() const { return window_; }
  HWND label1() const { return label1_; }

  // The load handler: runs once, before the window is first shown.
  void Load();
  void Show(int show_command);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void CreateLabel1(HINSTANCE instance);
  // Gives Label1 the message font for `dpi` and lays it out; returns the
  // client size the window needs around it.
  SIZE ScaleTo(UINT dpi);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnEndSession();

  const SystemFunctions& system_;
  // The one owner of the window handle: null once the window is gone, so
  // the destructor destroys only a window that still exists.
  HWND window_ = nullptr;
  HWND label1_ = nullptr;  // a child: destroyed with the window
  UniqueFont label_font_;  // replaced only after Label1 has switched to the new one
  bool shown_ = false;
};
