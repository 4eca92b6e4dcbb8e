#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

// What a program could tell about a failure beyond its code, so that its
// report says it in the user's words. Each program names its own causes;
// the zero value, Cause{}, says only the code is known.
enum class Cause;

// The program's one error type: which step failed, what it worked on, and
// the Windows error code (or HRESULT) it reported. The top level turns it
// into the user's message.
class Win32Error : public std::exception {
 public:
  // `step` says in the user's words what the program was doing for them;
  // `call` names the Windows call that failed and `subject` the file or
  // folder the user can find, each only if there is one.
  Win32Error(std::wstring_view step, std::wstring_view call, std::wstring_view subject, DWORD code,
             Cause cause = Cause{});

  const std::wstring& step() const noexcept { return step_; }
  const std::wstring& call() const noexcept { return call_; }
  const std::wstring& subject() const noexcept { return subject_; }
  DWORD code() const noexcept { return code_; }
  Cause cause() const noexcept { return cause_; }
  const char* what() const noexcept override { return what_.c_str(); }

  // Marks a failure that came after the shortcut was in place, so that the
  // report does not say it was not installed.
  Win32Error& AfterInstall() noexcept {
    after_install_ = true;
    return *this;
  }
  bool after_install() const noexcept { return after_install_; }

 private:
  std::wstring step_;
  std::wstring call_;
  std::wstring subject_;
  DWORD code_;
  Cause cause_;
  bool after_install_ = false;
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
