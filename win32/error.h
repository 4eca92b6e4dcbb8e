#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

// The program's one error type: which step failed and the Windows error
// code (or HRESULT) it reported. The top level turns it into the user's
// message.
class Win32Error : public std::exception {
 public:
  // `step` says in the user's words what the program was doing; `call` names
  // the Windows call that failed and `subject` what it worked on, each only
  // if there is one: "바로가기 파일 바꾸기 (MoveFileExW, C:\...\x.url)".
  Win32Error(std::wstring_view step, std::wstring_view call, std::wstring_view subject, DWORD code);

  const std::wstring& step() const noexcept { return step_; }
  DWORD code() const noexcept { return code_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::wstring step_;
  DWORD code_;
  std::string what_;  // UTF-8, for logs and test failures
};

// Raises Win32Error with GetLastError() for the failed `call` made in `step`.
// The code is read before anything else can change it.
[[noreturn]] void ThrowLastError(std::wstring_view step, std::wstring_view call,
                                 std::wstring_view subject = {});

// The system's own text for a Windows error code or HRESULT, in Korean where
// the system has it, else in the user's language; without the trailing line
// break and full stop; empty when the system has none.
std::wstring SystemMessage(DWORD code);

// A Windows error code or HRESULT as it is usually written: 0x80070005.
std::wstring HexCode(DWORD code);

// UTF-16 to UTF-8 and back, for diagnostics.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
