#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Ostrivane.exe and runs it under Wine in
# a prefix of its own (build/mingw-i686/wine-run), on the current display or
# a virtual one. A small driver plays the user: it saves screenshots of the
# message box and the window, answers the box and closes the window. Then
# this prints where the shortcut went and what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset mingw-i686
cmake --build --preset mingw-i686

build=$PWD/build/mingw-i686
session=$build/wine-run
screenshots=$build/screenshots
trap 'scripts/wine-session.sh stop "$session" --keep-prefix' EXIT
scripts/wine-session.sh start "$session" --display
run() { scripts/wine-session.sh exec "$session" "$@"; }

rm -rf "$screenshots"
mkdir -p "$screenshots"
OSTRIVANE_SCREENSHOTS=$(run winepath -w "$screenshots" | tr -d '\r')
export OSTRIVANE_SCREENSHOTS
echo "Running Ostrivane.exe under Wine..."
run "$build/e2e_tests.exe" --gtest_filter='Ostrivane.InstallsTheShortcut*' --gtest_brief=1

for bitmap in "$screenshots"/*.bmp; do
  /usr/bin/convert "$bitmap" "${bitmap%.bmp}.png" && rm "$bitmap"
done
echo
echo "Screenshots:"
ls -1 "$screenshots"/*.png
echo
shortcut=$(find "$session/prefix/drive_c/users" -path '*/Desktop/*.url' | head -n 1)
echo "Shortcut written to: $shortcut"
echo "Content (code page 949, CR LF line ends):"
iconv -f CP949 -t UTF-8 "$shortcut" | sed 's/\r$//; s/^/    /'
