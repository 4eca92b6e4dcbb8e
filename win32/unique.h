#pragma once

// Owners for the few kinds of Windows resources the program takes. Each is a
// std::unique_ptr with a deleter, so every return and every exception
// releases what was taken.

#include <shlobj.h>
#include <windows.h>

#include <cstddef>
#include <memory>

// A handle whose empty value is INVALID_HANDLE_VALUE, what CreateFileW and
// FindFirstFileW give when they fail (null is a handle value like any other
// to them), as the pointer its owner holds.
class InvalidWhenEmpty {
 public:
  InvalidWhenEmpty() = default;
  InvalidWhenEmpty(std::nullptr_t) {}  // the empty value, as std::unique_ptr makes it
  InvalidWhenEmpty(HANDLE handle) : handle_(handle) {}
  operator HANDLE() const { return handle_; }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  friend bool operator==(InvalidWhenEmpty a, InvalidWhenEmpty b) { return a.handle_ == b.handle_; }
  friend bool operator==(InvalidWhenEmpty a, std::nullptr_t) { return !a; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct FileCloser {
  using pointer = InvalidWhenEmpty;
  void operator()(HANDLE file) const noexcept { CloseHandle(file); }
};
// A file or folder opened with CreateFileW, whose result goes straight in:
// empty where it failed. Taking it calls nothing, so GetLastError() right
// after still says why.
using UniqueFile = std::unique_ptr<void, FileCloser>;

struct FindCloser {
  using pointer = InvalidWhenEmpty;
  void operator()(HANDLE search) const noexcept { FindClose(search); }
};
// A search of a folder, FindFirstFileW's result taken as it is: empty where
// the search did not start.
using UniqueFindHandle = std::unique_ptr<void, FindCloser>;

struct TaskMemFreer {
  void operator()(void* memory) const noexcept { CoTaskMemFree(memory); }
};
// An item-ID list from the shell, released through the task allocator.
using UniqueItemIdList = std::unique_ptr<ITEMIDLIST, TaskMemFreer>;

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

struct ModuleFreer {
  void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
// A DLL loaded at run time.
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;
