#pragma once

// Identifiers of the program's resources (see ostrivane.rc).
inline constexpr int kProgramIconId = 1;        // the icon group
inline constexpr int kProgramIconImageId = 30001;  // its one 48 x 48 image
