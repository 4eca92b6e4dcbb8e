#!/usr/bin/env bash
# Builds the release and the start-up benchmark for the edition this machine
# can run (the 32-bit one where it can), and runs it under Wine in a throwaway
# prefix on a virtual display. RUNS (default 20) sets the number of runs of
# each program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/wine-loader.sh

scripts/setup-debian.sh
# Says on standard error why an edition cannot run, if one cannot.
edition=$(scripts/wine-editions.sh --pick)

# The floor program is built by the same preset, so for the same architecture.
cmake --preset "mingw-$edition-release" >/dev/null
cmake --build --preset "mingw-$edition-release" --target Ostrivane message_box_floor startup_bench >/dev/null

build=$PWD/build/mingw-$edition-release
session=$build/wine-bench
trap '"$root/scripts/wine-session.sh" stop "$session"' EXIT
scripts/wine-session.sh start "$session" --edition "$edition"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $("$(wine_loader "$edition")" --version)"
echo "Date: $(date -u +%Y-%m-%d)"
echo
cd "$build"
"$root/scripts/wine-session.sh" exec "$session" ./startup_bench.exe "${RUNS:-20}" | tr -d '\r'
