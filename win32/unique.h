#pragma once

// Owners for the few kinds of Windows resources the program takes. Each is a
// std::unique_ptr with a deleter, so every return and every exception
// releases what was taken.

#include <shlobj.h>
#include <windows.h>

#include <memory>

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
// A kernel handle; wrap only valid handles (CreateFileW's INVALID_HANDLE_VALUE is checked first).
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
  void operator()(HANDLE search) const noexcept { FindClose(search); }
};
// A search of a folder; wrap only a search that started (not INVALID_HANDLE_VALUE).
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
