#include "wide_text.h"

#include <cctype>
#include <cstdio>

namespace {

// Characters that print as nothing, or as something else, and so read as
// another text: controls, the no-break space, the soft hyphen, zero-width
// and direction marks, the byte-order mark.
bool Invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF;
}

void PutUtf8(char32_t c, std::ostream* os) {
  if (c < 0x80) {
    *os << static_cast<char>(c);
    return;
  }
  char bytes[4];
  int count = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  for (int i = count - 1; i > 0; --i, c >>= 6) bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
  bytes[0] = static_cast<char>((0xF00 >> count) | c);
  os->write(bytes, count);
}

}  // namespace

void PrintWideText(std::wstring_view text, std::ostream* os) {
  *os << "L\"";
  bool after_hex = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    const bool lone_surrogate = c >= 0xD800 && c <= 0xDFFF;
    // A hex escape takes every hex digit after it: a digit that follows one
    // starts a string of its own.
    if (after_hex && c < 0x80 && std::isxdigit(static_cast<int>(c))) *os << "\" L\"";
    after_hex = false;
    if (c == L'"' || c == L'\\') {
      *os << '\\' << static_cast<char>(c);
    } else if (c == L'\n') {
      *os << "\\n";
    } else if (c == L'\r') {
      *os << "\\r";
    } else if (c == L'\t') {
      *os << "\\t";
    } else if (Invisible(c) || lone_surrogate) {
      char hex[16];
      std::snprintf(hex, sizeof(hex), "\\x%X", static_cast<unsigned>(c));
      *os << hex;
      after_hex = true;
    } else {
      PutUtf8(c, os);
    }
  }
  *os << '"';
}
