#!/usr/bin/env bash
# Prints the editions of Ostrivane that Wine can run on this machine, one a
# line, the 32-bit one first: i686, x86_64. It finds out by running each
# edition's Wine loader, not by guessing from packages or the kernel: some
# kernels run no 32-bit programs at all, and a machine whose kernel does may
# still lack the 32-bit Wine package. For each edition that cannot run it
# says which of these is the case, and what would fix it, on standard error
# in one line. Exits 1 when none can run.
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

# why_not EDITION LOADER BITS: empty when LOADER runs, else the reason and
# what would make it run.
why_not() {
  local edition=$1 loader=$2 bits=$3 package=$4 output
  if [ "$bits" = 32 ] && [ -n "${OSTRIVANE_NO_32BIT:-}" ]; then
    echo "OSTRIVANE_NO_32BIT is set"
  elif [ ! -e "$loader" ]; then
    # The kernel may well run 32-bit programs: only the package is missing.
    echo -n "$bits-bit Wine is not installed ($loader is missing): install the package $package"
    if [ "$bits" = 32 ]; then
      echo " (dpkg --add-architecture i386, apt-get update, apt-get install wine32:i386, as root; it needs the mirror's i386 package indexes)"
    else
      echo " (apt-get install $package, as root)"
    fi
  elif ! output=$("$loader" --version 2>&1); then
    output=$(tail -n 1 <<<"$output" | sed "s/^.*: line [0-9]*: //")
    if [[ "$output" == *"Exec format error"* ]]; then
      echo "the kernel runs no $bits-bit programs ($output): that takes a kernel with IA-32 emulation"
    else
      echo "$loader does not start: $output"
    fi
  fi
}

pick=false
[ "${1:-}" = --pick ] && pick=true
found=0
while read -r edition bits _ _ package; do
  loader=$(wine_loader "$edition")
  reason=$(why_not "$edition" "$loader" "$bits" "$package")
  if [ -z "$reason" ]; then
    $pick && [ "$found" = 1 ] || echo "$edition"
    found=1
  else
    echo "Wine cannot run the $bits-bit edition ($edition) here: $reason" >&2
  fi
done < <(editions)
if [ "$found" = 0 ]; then
  echo "Wine cannot run Ostrivane on this machine." >&2
  exit 1
fi
