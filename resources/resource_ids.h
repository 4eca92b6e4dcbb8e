#pragma once

// Identifiers of the program's resources, read by the resource script
// (ostrivane.rc) and the code alike.
#define OSTRIVANE_ICON_GROUP_ID 1      // the icon group
#define OSTRIVANE_ICON_IMAGE_ID 30001  // its one 48 x 48 image
// The image's size in bytes: a 40-byte bitmap header, 48 x 48 pixels of 4
// bytes, and the 1-bit mask of 48 rows of 6 bytes, each padded to 8.
#define OSTRIVANE_ICON_IMAGE_BYTES 9640L  // a 32-bit number in the icon group

#ifndef RC_INVOKED
inline constexpr int kProgramIconId = OSTRIVANE_ICON_GROUP_ID;
inline constexpr int kProgramIconImageId = OSTRIVANE_ICON_IMAGE_ID;
#endif
