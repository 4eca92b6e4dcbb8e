#include "win32/code_page.h"

std::optional<std::string> ToCodePage(std::wstring_view text, UINT code_page) {
  if (text.empty()) return std::string();
  // UTF-7 and UTF-8 hold every character, and take no flags at all.
  const DWORD flags = code_page == CP_UTF7 || code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::string bytes(size, '\0');
  WideCharToMultiByte(code_page, flags, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring FromCodePage(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), length, text.data(), size);
  return text;
}
