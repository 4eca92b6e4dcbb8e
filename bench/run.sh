#!/usr/bin/env bash
# Builds the release and the start-up benchmark, and runs it under Wine in a
# throwaway prefix on a virtual display. RUNS (default 20) sets the number of
# runs of each program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup-debian.sh
cmake --preset mingw-i686-release >/dev/null
cmake --build --preset mingw-i686-release --target Ostrivane message_box_floor startup_bench >/dev/null

build=$PWD/build/mingw-i686-release
session=$build/wine-bench
trap '"$root/scripts/wine-session.sh" stop "$session"' EXIT
scripts/wine-session.sh start "$session"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(wine --version)"
echo "Date: $(date -u +%Y-%m-%d)"
echo
cd "$build"
"$root/scripts/wine-session.sh" exec "$session" ./startup_bench.exe "${RUNS:-20}" | tr -d '\r'
