#pragma once

// GoogleTest prints the program's wide strings as the characters they hold,
// in UTF-8, so that a failed comparison of two Korean texts reads as the
// texts themselves: L"사이트 바로가기가" rather than L"\xC0AC\xC774\xD2B8 ...".
// Controls, invisible marks and lone surrogates stay escaped.
//
// A std::wstring cannot take a PrintTo of its own (GoogleTest's is an exact
// match too), so its printer is specialized instead. Every test source
// includes this header first (it is in the test programs' precompiled
// header), before anything prints a string. GoogleTest's own library prints
// the strings it is given as wchar_t pointers (EXPECT_STREQ) through the same
// inline function, of which the linker keeps one copy: the test programs'
// objects come first.

#include <gtest/gtest-printers.h>

#include <ostream>
#include <string>
#include <string_view>

void PrintWideText(std::wstring_view text, std::ostream* os);

namespace testing::internal {
template <>
class UniversalPrinter<std::wstring> {
 public:
  static void Print(const std::wstring& text, std::ostream* os) { PrintWideText(text, os); }
};
}  // namespace testing::internal
