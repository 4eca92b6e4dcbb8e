#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine, builds both editions of Ostrivane and their
# tests, and runs the suite under Wine in throwaway prefixes on a virtual
# display: the whole suite for each edition this machine can run. On a
# machine that runs no 32-bit programs, or lacks the 32-bit Wine, the 32-bit
# edition's checks that need no 32-bit process still run, and the output says
# what was skipped and why. OSTRIVANE_NO_32BIT=1 takes that path on any
# machine. The checks that do not depend on the edition (labelled host) run
# once. Last, a build for another site (host, brand and mark of a test site)
# runs the Windows tests that show them.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

scripts/setup-debian.sh
reasons=$(mktemp)
# CTest's fixtures start and stop the Wine sessions; this only makes sure
# nothing lingers if the run is interrupted.
stop_sessions() {
  local build
  rm -f "$reasons"
  for build in build/mingw-{i686,x86_64}{,-othersite}; do
    [ ! -d "$build/wine-test" ] || scripts/wine-session.sh stop "$build/wine-test"
  done
}
trap stop_sessions EXIT
if ! runnable=$(scripts/wine-editions.sh 2>"$reasons"); then
  cat "$reasons" >&2
  echo "So the Windows tests cannot run." >&2
  exit 1
fi

# Both editions are built; for one that Wine cannot run here, only what the
# tests without Wine need (the program and the executables its check must
# refuse), not the test programs.
for edition in i686 x86_64; do
  cmake --preset "mingw-$edition"
  if grep -qx "$edition" <<<"$runnable"; then
    cmake --build --preset "mingw-$edition"
  else
    cmake --build --preset "mingw-$edition" --target without_wine
  fi
done

# CTest names the tests it reports as skipped; the reason is in their output.
print_skip_reasons() {
  sed -n '/: Skipped$/{n;s/^/  skipped because /p}' "build/mingw-$1/Testing/Temporary/LastTest.log" | sort -u
}

# Three at a time on two cores: the Windows tests take turns on their
# session's desktop (a resource lock) and mostly wait on Wine, while the
# release checks build beside them.
skipped=""
for edition in x86_64 i686; do
  # The host checks run from the 64-bit build, which every machine that
  # runs any edition builds.
  excluded=()
  [ "$edition" = x86_64 ] || excluded=(host)
  if grep -qx "$edition" <<<"$runnable"; then
    echo "== Testing the $edition edition"
  else
    echo "== Testing the $edition edition without Wine"
    excluded+=(wine)
    names=$(ctest --preset "mingw-$edition" --show-only --label-regex '^wine$' |
            sed -n 's/^ *Test *#[0-9]*: //p' | paste -sd ' ')
    skipped+="Skipped the $edition edition's tests under Wine ($names): $(grep "($edition)" "$reasons" || true)"$'\n'
  fi
  if [ ${#excluded[@]} -gt 0 ]; then
    ctest --preset "mingw-$edition" -j 3 --label-exclude "^($(IFS='|'; echo "${excluded[*]}"))\$"
  else
    ctest --preset "mingw-$edition" -j 3
  fi
  print_skip_reasons "$edition"
done

# A build for another site, whose Windows tests take the host, the brand and
# the mark from its configuration. One edition is enough: both compile the
# same texts and resources.
site_edition=$(tail -n 1 <<<"$runnable")
echo "== Testing a build for another site ($site_edition edition)"
cmake --preset "mingw-$site_edition-othersite"
cmake --build --preset "mingw-$site_edition-othersite" --target unit_tests e2e_tests
ctest --preset "mingw-$site_edition-othersite" -R '^(unit_tests|e2e_tests|e2e_in_code_page_1252|e2e_on_refusing_desktops)$'

printf '%s' "$skipped"
echo "== All tests passed in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
