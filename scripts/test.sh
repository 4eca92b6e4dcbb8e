#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine, builds both editions of Ostrivane and their
# tests, and runs the suite under Wine in throwaway prefixes on a virtual
# display: the whole suite for each edition this machine can run. On a
# machine that runs no 32-bit programs, the 32-bit edition's checks that need
# no 32-bit process still run, and the output says what was skipped and why.
# OSTRIVANE_NO_32BIT=1 takes that path on any machine. Last, a build for
# another site (host, brand and mark of a test site) runs the Windows tests
# that show them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
for edition in i686 x86_64; do
  cmake --preset "mingw-$edition"
  cmake --build --preset "mingw-$edition"
done

reasons=$(mktemp)
# CTest's fixtures start and stop the Wine sessions; this only makes sure
# nothing lingers if the run is interrupted.
trap 'rm -f "$reasons"
      for build in build/mingw-{i686,x86_64}{,-othersite}; do
        [ ! -d "$build/wine-test" ] || scripts/wine-session.sh stop "$build/wine-test"
      done' EXIT
if ! runnable=$(scripts/wine-editions.sh 2>"$reasons"); then
  cat "$reasons" >&2
  echo "So the Windows tests cannot run." >&2
  exit 1
fi

# CTest names the tests it reports as skipped; the reason is in their output.
print_skip_reasons() {
  sed -n '/: Skipped$/{n;s/^/  skipped because /p}' "build/mingw-$1/Testing/Temporary/LastTest.log" | sort -u
}

skipped=""
for edition in i686 x86_64; do
  if grep -qx "$edition" <<<"$runnable"; then
    echo "== Testing the $edition edition"
    ctest --preset "mingw-$edition"
    print_skip_reasons "$edition"
  else
    echo "== Testing the $edition edition without Wine"
    ctest --preset "mingw-$edition" --label-exclude wine
    names=$(ctest --preset "mingw-$edition" --show-only --label-regex wine |
            sed -n 's/^ *Test *#[0-9]*: //p' | paste -sd ' ')
    skipped+="Skipped the $edition edition's tests under Wine ($names): $(cat "$reasons")"$'\n'
  fi
done

# A build for another site, whose Windows tests take the host, the brand and
# the mark from its configuration. One edition is enough: both compile the
# same texts and resources.
site_edition=$(tail -n 1 <<<"$runnable")
echo "== Testing a build for another site ($site_edition edition)"
cmake --preset "mingw-$site_edition-othersite"
cmake --build --preset "mingw-$site_edition-othersite"
ctest --preset "mingw-$site_edition-othersite" -R '^(unit_tests|e2e_tests|e2e_in_code_page_1252|e2e_on_refusing_desktops)$'

printf '%s' "$skipped"
