#!/usr/bin/env bash
# Prints the editions of Ostrivane that Wine can run on this machine, one a
# line, the 32-bit one first: i686, x86_64. It finds out by running each
# edition's Wine loader, not by guessing from packages or the kernel: some
# kernels run no 32-bit programs at all. For each edition that cannot run it
# says why on standard error, in one line. Exits 1 when none can run.
#
#   wine-editions.sh           every edition that runs
#   wine-editions.sh --pick    only the one to run: the 32-bit one where it runs
#
# OSTRIVANE_NO_32BIT=1 treats the machine as one without 32-bit support, so
# that path can be tried anywhere. OSTRIVANE_WINE32_LOADER and
# OSTRIVANE_WINE64_LOADER name other loaders (for its tests; see wine-loader.sh).
set -uo pipefail
# shellcheck source=wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"

# why_not EDITION LOADER: empty when LOADER runs, else the reason.
why_not() {
  local edition=$1 loader=$2 output
  if [ "$edition" = i686 ] && [ -n "${OSTRIVANE_NO_32BIT:-}" ]; then
    echo "OSTRIVANE_NO_32BIT is set"
  elif [ ! -e "$loader" ]; then
    echo "$loader is not installed (run scripts/setup-debian.sh)"
  elif ! output=$("$loader" --version 2>&1); then
    echo "$loader does not start: $(echo "$output" | tail -n 1 | sed "s/^.*: line [0-9]*: //")"
  fi
}

pick=false
[ "${1:-}" = --pick ] && pick=true
found=0
for edition in i686 x86_64; do
  loader=$(wine_loader "$edition") bits=32
  [ "$edition" = i686 ] || bits=64
  reason=$(why_not "$edition" "$loader")
  if [ -z "$reason" ]; then
    $pick && [ "$found" = 1 ] || echo "$edition"
    found=1
  else
    echo "this machine cannot run $bits-bit programs: $reason" >&2
  fi
done
if [ "$found" = 0 ]; then
  echo "Wine cannot run Ostrivane on this machine." >&2
  exit 1
fi
