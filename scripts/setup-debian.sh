#!/usr/bin/env bash
# Installs what building, running, testing and linting Ostrivane under Wine
# needs on Debian 12 or 13: the MinGW-w64 cross-compilers for both editions
# (i686 and x86_64), CMake and Ninja, 64-bit and 32-bit Wine, a virtual
# display, the Korean and US English locales, a Hangul font, the signing
# tools, the linters, git (a release records its commit), and the Python
# libraries tools/pyproject.toml lists.
# Skips whatever is already there.
#
# The 32-bit Wine is the one package it goes on without: where it cannot be
# installed (an i386 package index the mirror serves broken, the i386
# architecture refused) it says why in one line and the 64-bit edition runs,
# as on a kernel that runs no 32-bit programs (scripts/wine-editions.sh tells
# the two apart). Any other package that cannot be installed stops it, with
# apt's message.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=apt.sh
. scripts/apt.sh

packages=(
  python3 git cmake ninja-build g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 wine wine64 xvfb imagemagick
  locales fonts-nanum fonts-wine fonts-liberation googletest
  openssl osslsigncode libengine-pkcs11-openssl faketime softhsm2 e2fsprogs
  shellcheck clang-format
)
wine32=wine32:i386
# The Python libraries, by their Debian names, not yet installed; known
# once python3 is there.
missing_python_packages() {
  local python_packages
  [ -x /usr/bin/python3 ] || return 0
  mapfile -t python_packages < <(/usr/bin/python3 tools/dependencies.py debian tokens lint)
  missing_packages "${python_packages[@]}"
}

mapfile -t missing < <(missing_packages "${packages[@]}"; missing_python_packages)
mapfile -t missing_wine32 < <(missing_packages "$wine32")

if [ ${#missing[@]} -gt 0 ] || [ ${#missing_wine32[@]} -gt 0 ]; then
  why_no_wine32=
  if [ ${#missing_wine32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    why_no_wine32=$(as_root dpkg --add-architecture i386 2>&1 | paste -sd ' ') ||
      why_no_wine32="dpkg refused the i386 architecture: ${why_no_wine32:-no reason given}"
  fi
  apt_update
  if [ ${#missing[@]} -gt 0 ]; then
    apt_install "${missing[@]}"
    # On a machine that had no python3, the libraries are known only now.
    mapfile -t missing < <(missing_python_packages)
    [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
  fi
  if [ ${#missing_wine32[@]} -gt 0 ]; then
    if [ -z "$why_no_wine32" ] && ! why_no_wine32=$(apt_why_not "$wine32") &&
      [[ "$apt_failed_indexes" == *binary-i386* ]]; then
      why_no_wine32+=" (an i386 package index could not be fetched, above)"
    fi
    if [ -n "$why_no_wine32" ]; then
      echo "setup: the 32-bit Wine ($wine32) cannot be installed, so only the 64-bit edition runs here: $why_no_wine32" >&2
    fi
  fi
fi

# Wine takes its ANSI code page from the glibc locale: without ko_KR.UTF-8 it is
# not 949 and Korean file names and text cannot be written. The tests in code
# page 1252 run in en_US.UTF-8: without it Wine can name no file outside
# ASCII, such as the shortcut of an international host.
for locale in ko_KR en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$locale.utf8"; then
    as_root localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done
