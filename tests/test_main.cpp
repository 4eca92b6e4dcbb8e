// The Windows test programs' entry point. Like Ostrivane itself, they are
// aware of the display's scale before their first window: a system that
// scales unaware programs as bitmaps (Windows, Wine 10) would otherwise show
// them every window at 96 DPI, and they would not see the pixels a user sees.

#include <gtest/gtest.h>

#include "app/display_scale.h"
#include "driver.h"

int main(int argc, char** argv) {
  DeclareDpiAwareness(ThisSystem());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
