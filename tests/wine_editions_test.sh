#!/usr/bin/env bash
# The edition probe, with stand-in loaders: it must run each loader to find
# out, name the editions that start, and say why the others cannot.
#
#   wine_editions_test.sh PATH/TO/wine-editions.sh
set -euo pipefail
probe=${1:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

printf '#!/bin/sh\necho wine-8.0\n' >"$work/runs"
# What a kernel without IA32 emulation does with the 32-bit loader.
printf '\177ELF\001\001\001garbage' >"$work/no-ia32"
chmod +x "$work/runs" "$work/no-ia32"

# probe WINE32 WINE64 [VAR=VALUE...]: its output, then its explanations.
probe() {
  local wine32=$1 wine64=$2
  shift 2
  env -u OSTRIVANE_NO_32BIT "$@" OSTRIVANE_WINE32_LOADER="$wine32" OSTRIVANE_WINE64_LOADER="$wine64" \
    bash "$probe" >"$work/out" 2>"$work/err"
}

probe "$work/runs" "$work/runs" || fail "both loaders run, yet the probe failed"
[ "$(cat "$work/out")" = $'i686\nx86_64' ] || fail "both run: got $(cat "$work/out")"

probe "$work/no-ia32" "$work/runs" || fail "the 64-bit loader runs, yet the probe failed"
[ "$(cat "$work/out")" = x86_64 ] || fail "no 32-bit: got $(cat "$work/out")"
grep -q "32-bit edition (i686) here: the kernel runs no 32-bit programs (.*Exec format error)" "$work/err" ||
  fail "no 32-bit, but the reason is not given: $(cat "$work/err")"

# A kernel that runs 32-bit programs, without the 32-bit Wine: the package is named, the kernel is not blamed.
probe "$work/missing" "$work/runs" || fail "the 64-bit loader runs, yet the probe failed"
grep -q "32-bit Wine is not installed ($work/missing is missing): install the package wine32:i386" "$work/err" ||
  fail "a missing 32-bit Wine is not named: $(cat "$work/err")"
! grep -q "kernel" "$work/err" || fail "a missing package is blamed on the kernel: $(cat "$work/err")"

probe "$work/runs" "$work/runs" OSTRIVANE_NO_32BIT=1 || fail "forced 64-bit only: the probe failed"
[ "$(cat "$work/out")" = x86_64 ] || fail "forced 64-bit only: got $(cat "$work/out")"
grep -q "32-bit edition (i686) here: OSTRIVANE_NO_32BIT is set" "$work/err" || fail "forcing is not named"

if probe "$work/no-ia32" "$work/missing"; then fail "no loader runs, yet the probe succeeded"; fi
[ ! -s "$work/out" ] || fail "no loader runs, yet it named: $(cat "$work/out")"
grep -q "64-bit edition (x86_64) here: 64-bit Wine is not installed ($work/missing is missing): install the package wine64" "$work/err" ||
  fail "a missing loader is not named: $(cat "$work/err")"
echo "the probe names what runs, and why the rest cannot: the kernel or a missing package"
