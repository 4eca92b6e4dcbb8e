#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine, builds Ostrivane.exe and runs it under Wine in
# a prefix of its own (build/mingw-<edition>/wine-run), on the current display
# or a virtual one: the 32-bit edition where this machine can run it, else the
# 64-bit one. A small driver plays the user: it saves screenshots of the
# message box and the window, answers the box and closes the window. Then
# this prints where the shortcut went and what it holds.
#
#   scripts/run.sh [SCALE]    SCALE: the display scale in percent, 100 unless
#                             given (150 shows it as on a 150% laptop screen)
#   scripts/run.sh --check-scale [SCALE]
#                             only checks SCALE (for the tests)
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
check_only=false
if [ "${1:-}" = --check-scale ]; then check_only=true; shift; fi
scale=${1:-100}
# Three digits first, so the comparisons never see a number bash cannot hold.
if ! [[ "$scale" =~ ^[1-9][0-9]{2}$ ]] || [ "$scale" -gt 500 ]; then
  echo "run.sh: the scale is a percentage from 100 to 500, such as 150; got '$scale'" >&2
  exit 2
fi
if $check_only; then exit 0; fi

scripts/setup-debian.sh

# Says on standard error why an edition cannot run, if one cannot.
edition=$(scripts/wine-editions.sh --pick)
if [ "$edition" = i686 ]; then
  echo "Running the 32-bit edition (i686)."
else
  echo "Running the 64-bit edition (x86_64)."
fi

cmake --preset "mingw-$edition"
cmake --build --preset "mingw-$edition"

build=$PWD/build/mingw-$edition
session=$build/wine-run
screenshots=$build/screenshots/$scale
trap 'scripts/wine-session.sh stop "$session" --keep-prefix' EXIT
# The screen grows with the scale, from 1024x768 at 100%, so the window and
# the message box fit on it whole.
screen=$((1024 * scale / 100))x$((768 * scale / 100))
scripts/wine-session.sh start "$session" --edition "$edition" --display --screen "$screen"
run() { scripts/wine-session.sh exec "$session" "$@"; }
OSTRIVANE_TEST_DPI=$((96 * scale / 100))
export OSTRIVANE_TEST_DPI
echo "Display scale: $scale% ($OSTRIVANE_TEST_DPI DPI), screen $screen"
scripts/wine-session.sh scale "$session" "$OSTRIVANE_TEST_DPI"

# Wine without a Korean face for its system fonts draws every Hangul
# syllable as the same empty box; the texts would still be right.
hangul_check=$build/hangul-check.log
hangul_drawn=true
run "$build/unit_tests.exe" --gtest_filter='HangulGlyphs.*' --gtest_brief=1 >"$hangul_check" 2>&1 ||
  hangul_drawn=false

rm -rf "$screenshots"
mkdir -p "$screenshots"
OSTRIVANE_SCREENSHOTS=$(run winepath -w "$screenshots" | tr -d '\r')
export OSTRIVANE_SCREENSHOTS
echo "Running Ostrivane.exe under Wine..."
run "$build/e2e_tests.exe" --gtest_filter='Ostrivane.InstallsTheShortcut*' --gtest_brief=1

bitmaps=("$screenshots"/*.bmp)
if [ ${#bitmaps[@]} = 0 ]; then
  echo "run.sh: the driver saved no screenshots in $screenshots" >&2
  exit 1
fi
echo
echo "Screenshots:"
for bitmap in "${bitmaps[@]}"; do
  /usr/bin/convert "$bitmap" "${bitmap%.bmp}.png" && rm "$bitmap"
  echo "${bitmap%.bmp}.png"
done
echo
shortcut=$(find "$session/prefix/drive_c/users" -path '*/Desktop/*.url' -print -quit)
if [ -z "$shortcut" ]; then
  echo "run.sh: no shortcut on the desktop of $session/prefix" >&2
  exit 1
fi
echo "Shortcut written to: $shortcut"
echo "Content (code page 949, CR LF line ends):"
iconv -f CP949 -t UTF-8 "$shortcut" | sed 's/\r$//; s/^/    /'

if ! $hangul_drawn; then
  echo
  echo "WARNING: in this Wine prefix the Korean texts are drawn as empty boxes, not as letters:"
  echo "the system fonts reach no installed Hangul face (see $hangul_check)."
fi
