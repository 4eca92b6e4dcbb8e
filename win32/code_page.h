#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// Conversions between UTF-16 and the bytes of a code page (an ANSI one,
// UTF-8 or UTF-7).

// `text` in `code_page`, without best-fit look-alikes: a character the code
// page lacks becomes its default character ('?'), as Windows' shell writes
// it, never a similar-looking one. Nothing when the conversion fails
// (GetLastError() says why).
std::optional<std::string> ToCodePage(std::wstring_view text, UINT code_page);

// `bytes` in `code_page` read as UTF-16; invalid bytes become U+FFFD.
std::wstring FromCodePage(std::string_view bytes, UINT code_page);

// UTF-16 to UTF-8 and back, for diagnostics.
inline std::string ToUtf8(std::wstring_view text) {
  return ToCodePage(text, CP_UTF8).value_or(std::string());
}
inline std::wstring FromUtf8(std::string_view text) { return FromCodePage(text, CP_UTF8); }
