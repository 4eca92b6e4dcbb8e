// Error codes as the error report shows them and temporary names take them.
#include <gtest/gtest.h>

#include "win32/error.h"

TEST(HexCode, Writes0xAndEightUpperCaseDigits) {
  EXPECT_EQ(HexCode(0) + HexCode(5) + HexCode(0x0A0B0C0D) + HexCode(0x80070005) + HexCode(0xFFFFFFFF),
            L"0x000000000x000000050x0A0B0C0D0x800700050xFFFFFFFF");
}
