// The texts the release checks each shipped file for and names in its
// record, as the program makes them (cmake/Release.cmake takes each out of
// its section): the window caption and the shortcut's description, each as
// UTF-16 text ending in a NUL.

#include <array>
#include <iterator>

#include "resources/texts.h"

using Caption = std::array<wchar_t, std::size(texts::kForm1Caption)>;
using Description = std::array<wchar_t, std::size(texts::kShortcutDescription)>;

[[gnu::section(".caption"), gnu::used]] extern const Caption kReleaseCaption =
    std::to_array(texts::kForm1Caption);
[[gnu::section(".descr"), gnu::used]] extern const Description kReleaseDescription =
    std::to_array(texts::kShortcutDescription);
