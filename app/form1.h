#pragma once

#include <windows.h>

#include "win32/unique.h"

// The program's one window: a caption and the label Label1. It is created
// hidden; the load handler installs the shortcut before it is first shown.
// Once shown, closing it ends the message loop.
class Form1 {
 public:
  explicit Form1(HINSTANCE instance);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND hwnd() const { return window_.get(); }
  HWND label1() const { return label1_; }

  // The load handler: runs once, before the window is first shown.
  void Load();
  void Show(int show_command);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void CreateLabel1(HINSTANCE instance);

  UniqueFont label_font_;  // outlives the window and its label
  UniqueWindow window_;    // released, not destroyed, once the user has closed it
  HWND label1_ = nullptr;  // a child: destroyed with the window
  bool shown_ = false;
};
