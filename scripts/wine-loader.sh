# shellcheck shell=bash
# Sourced by the scripts that start Wine: the one place that says which Wine
# loader runs which edition.
#
#   wine_loader EDITION    prints the loader for i686 or x86_64
#
# Debian's `wine` always picks the 32-bit loader, so each is named outright.
# OSTRIVANE_WINE32_LOADER and OSTRIVANE_WINE64_LOADER name other loaders
# (for the tests of the edition probe).
wine_loader() {
  case "$1" in
    i686) echo "${OSTRIVANE_WINE32_LOADER:-/usr/lib/wine/wine}" ;;
    x86_64) echo "${OSTRIVANE_WINE64_LOADER:-/usr/lib/wine/wine64}" ;;
    *) echo "unknown edition '$1' (i686 or x86_64)" >&2; return 2 ;;
  esac
}
