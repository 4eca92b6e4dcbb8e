// Error codes as the error report shows them, and as the temporary file
// names take their 8 digits from.

#include <gtest/gtest.h>

#include <utility>

#include "win32/error.h"

TEST(HexCode, Writes0xAndEightUpperCaseDigits) {
  const std::pair<DWORD, const wchar_t*> cases[] = {
      {0, L"0x00000000"},          {5, L"0x00000005"},          {0x0A0B0C0D, L"0x0A0B0C0D"},
      {0x80070005, L"0x80070005"}, {0xDEADBEEF, L"0xDEADBEEF"}, {0xFFFFFFFF, L"0xFFFFFFFF"}};
  for (const auto& [code, text] : cases) EXPECT_EQ(HexCode(code), text) << code;
}
