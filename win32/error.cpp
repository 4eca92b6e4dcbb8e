#include "win32/error.h"

#include "win32/code_page.h"

namespace {

// "step (call, subject)", leaving out what is not given.
std::wstring StepText(std::wstring_view step, std::wstring_view call, std::wstring_view subject) {
  std::wstring details(call);
  if (!details.empty() && !subject.empty()) details += L", ";
  details += subject;
  std::wstring text(step);
  if (!details.empty()) text.append(L" (").append(details).append(L")");
  return text;
}

std::wstring Describe(const std::wstring& step, DWORD code) {
  return step + L" failed with " + HexCode(code) + L": " + SystemMessage(code);
}

// The system's text for `code` in `language` (0: the user's), or empty.
std::wstring FormatSystemMessage(DWORD code, LANGID language) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message = length ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  return message;
}

}  // namespace

Win32Error::Win32Error(std::wstring_view step, std::wstring_view call, std::wstring_view subject, DWORD code,
                       Cause cause)
    : step_(step),
      call_(call),
      subject_(subject),
      code_(code),
      cause_(cause),
      what_(ToUtf8(Describe(StepText(step, call, subject), code))) {}

void ThrowLastError(std::wstring_view step, std::wstring_view call, std::wstring_view subject) {
  const DWORD code = GetLastError();
  throw Win32Error(step, call, subject, code);
}

std::wstring SystemMessage(DWORD code) {
  // The program speaks Korean, also on a Windows whose display language is
  // another: the system's Korean text where it has one.
  std::wstring message = FormatSystemMessage(code, MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN));
  if (message.empty()) message = FormatSystemMessage(code, 0);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                              message.back() == L'.')) {
    message.pop_back();
  }
  return message;
}

std::wstring HexCode(DWORD code) {
  // By hand: swprintf would link the runtime's whole printf machinery.
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring hex = L"0x00000000";
  for (size_t i = hex.size() - 1; code != 0; --i, code >>= 4) hex[i] = kDigits[code & 0xF];
  return hex;
}
