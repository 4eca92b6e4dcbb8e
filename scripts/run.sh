#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Ostrivane.exe and runs it under Wine in
# a prefix of its own (build/mingw-<edition>/wine-run), on the current display
# or a virtual one: the 32-bit edition where this machine can run it, else the
# 64-bit one. A small driver plays the user: it saves screenshots of the
# message box and the window, answers the box and closes the window. Then
# this prints where the shortcut went and what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh

reasons=$(mktemp)
trap 'rm -f "$reasons"' EXIT
if ! edition=$(scripts/wine-editions.sh 2>"$reasons" | head -n 1) || [ -z "$edition" ]; then
  echo "Wine cannot run Ostrivane on this machine:" >&2
  cat "$reasons" >&2
  exit 1
fi
if [ "$edition" = i686 ]; then
  echo "Running the 32-bit edition (i686)."
else
  echo "Running the 64-bit edition (x86_64): $(cat "$reasons")"
fi

cmake --preset "mingw-$edition"
cmake --build --preset "mingw-$edition"

build=$PWD/build/mingw-$edition
session=$build/wine-run
screenshots=$build/screenshots
trap 'rm -f "$reasons"; scripts/wine-session.sh stop "$session" --keep-prefix' EXIT
scripts/wine-session.sh start "$session" --edition "$edition" --display
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
