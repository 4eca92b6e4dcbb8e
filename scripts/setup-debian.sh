#!/usr/bin/env bash
# Installs what building and running Ostrivane under Wine needs on Debian 12
# or 13: the MinGW-w64 cross-compilers for both editions (i686 and x86_64),
# CMake and Ninja, 32-bit and 64-bit Wine, a virtual display, the Korean and
# US English locales, a Hangul font, and the Python libraries of the build's
# tooling. Skips whatever is already there. 32-bit Wine is installed even
# where the kernel cannot run it; scripts/wine-editions.sh finds that out.
set -euo pipefail

packages=(
  cmake ninja-build g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb imagemagick
  locales fonts-nanum fonts-wine fonts-liberation googletest
  openssl osslsigncode libengine-pkcs11-openssl faketime softhsm2 e2fsprogs
  python3-pil python3-idna python3-cryptography python3-pefile python3-pykcs11
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
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
