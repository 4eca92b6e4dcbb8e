#pragma once

#include <string>
#include <string_view>

// Removes the temporary files of the file at `place` (its path in the form
// the calls take) that interrupted earlier runs left behind: a power cut or
// a killed process between creating one and renaming it into place. `bytes`
// is what those runs were writing.
//
// A file goes only where it is provably such a leftover: named as
// file_names.h says, more than a minute old (a younger one may belong to
// another copy that is writing right now), not open in another program, and,
// as seen through the one handle it is checked and deleted through, a plain
// file with no other name (no link, junction or other reparse point, not
// read-only), in this folder under this name, of a few KB at most, whose
// content is empty or agrees with the first line of `bytes`: it is the
// beginning of that line, or begins with it. Anything else is left as it is.
// Looks at no more than 100 files per call; the rest are for later calls.
void RemoveLeftovers(const std::wstring& place, std::string_view bytes);
