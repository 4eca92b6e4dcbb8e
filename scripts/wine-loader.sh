# shellcheck shell=bash
# Sourced by the scripts that start Wine: which Wine runs which edition, from
# the editions' table (tools/ostrivane_release/editions.py, written out for
# the scripts as editions.txt).
#
#   editions               one line an edition: ARCH BITS WINE_ARCH LOADER PACKAGE
#   wine_loader EDITION    prints the loader for an edition (i686, x86_64)
#   wine_arch EDITION      prints the kind of prefix it runs in (win32, win64)
#
# Debian's `wine` always picks the 32-bit loader, so each is named outright.
# OSTRIVANE_WINE32_LOADER and OSTRIVANE_WINE64_LOADER name other loaders
# (for the tests of the edition probe).
editions() {
  grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/editions.txt"
}

# edition_field EDITION N: the Nth field of EDITION's line, or a refusal.
edition_field() {
  local line
  line=$(editions | awk -v edition="$1" '$1 == edition')
  if [ -z "$line" ]; then
    echo "unknown edition '$1' ($(editions | cut -d' ' -f1 | paste -sd' ' | sed 's/ / or /g'))" >&2
    return 2
  fi
  cut -d' ' -f"$2" <<<"$line"
}

wine_loader() {
  local loader bits
  loader=$(edition_field "$1" 4) || return 2
  bits=$(edition_field "$1" 2)
  if [ "$bits" = 32 ]; then echo "${OSTRIVANE_WINE32_LOADER:-$loader}"; else echo "${OSTRIVANE_WINE64_LOADER:-$loader}"; fi
}

wine_arch() { edition_field "$1" 3; }
