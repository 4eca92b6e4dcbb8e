#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Ostrivane and its tests, and runs the
# whole suite under Wine in a throwaway prefix on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset mingw-i686
cmake --build --preset mingw-i686
# CTest's fixtures start and stop the Wine session; this only makes sure
# nothing lingers if the run is interrupted.
trap 'scripts/wine-session.sh stop build/mingw-i686/wine-test' EXIT
ctest --preset mingw-i686
