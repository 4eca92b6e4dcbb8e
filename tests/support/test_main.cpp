// The Windows test programs' entry point. Like Ostrivane itself, they are
// aware of the display's scale before their first window: a system that
// scales unaware programs as bitmaps (Windows, Wine 10) would otherwise show
// them every window at 96 DPI, and they would not see the pixels a user sees.
// A run that picks no test fails, where GoogleTest would pass it: a CTest
// entry whose filter misses a renamed group must not pass running nothing.

#include <gtest/gtest.h>

#include <cstdio>

#include "app/display_scale.h"
#include "driver.h"

int main(int argc, char** argv) {
  DeclareDpiAwareness(ThisSystem());
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::fprintf(stderr, "The filter \"%s\" picks no test.\n", GTEST_FLAG_GET(filter).c_str());
    return 1;
  }
  return result;
}
