#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine, builds both editions of Ostrivane and their
# tests, and runs the suite under Wine in throwaway prefixes on a virtual
# display: the whole suite for each edition this machine can run. On a
# machine that runs no 32-bit programs, or lacks the 32-bit Wine, the 32-bit
# edition's checks that need no 32-bit process still run, and the output says
# what was skipped and why. OSTRIVANE_NO_32BIT=1 takes that path on any
# machine. The checks that do not depend on the edition (labelled host) run
# once. A build for another site (host, brand and mark of a test site) runs
# the Windows tests that show them.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

scripts/setup-debian.sh
reasons=$(mktemp)
# CTest's fixtures start and stop the Wine sessions; this only makes sure
# nothing lingers if the run is interrupted.
beside="" beside_log=""
end_sessions() {
  local build
  for build in build/mingw-{i686,x86_64}{,-othersite}; do
    [ ! -d "$build/wine-test" ] || scripts/wine-session.sh stop "$build/wine-test"
  done
}
stop_sessions() {
  [ -z "$beside" ] || kill -TERM -- "-$beside" 2>/dev/null || true
  rm -f "$reasons" "$beside_log"
  end_sessions
}
trap stop_sessions EXIT
# A session a contributor kept warm ends too: the suite starts each afresh.
unset OSTRIVANE_WARM_WINE
end_sessions
if ! runnable=$(scripts/wine-editions.sh 2>"$reasons"); then
  cat "$reasons" >&2
  echo "So the Windows tests cannot run." >&2
  exit 1
fi

# Both editions are built; for one that Wine cannot run here, only what the
# tests without Wine need (the program and the executables its check must
# refuse), not the test programs.
build_edition() {
  cmake --preset "mingw-$1"
  if grep -qx "$1" <<<"$runnable"; then
    cmake --build --preset "mingw-$1"
  else
    cmake --build --preset "mingw-$1" --target without_wine
  fi
}

# Three at a time on two cores: the Windows tests take turns on their
# session's desktop (a resource lock) and mostly wait on Wine, while the
# release checks build beside them. The host checks run from the 64-bit
# build, which every machine that runs any edition builds.
test_edition() {
  local excluded=()
  [ "$1" = x86_64 ] || excluded=(host)
  if grep -qx "$1" <<<"$runnable"; then
    echo "== Testing the $1 edition"
  else
    echo "== Testing the $1 edition without Wine"
    excluded+=(wine)
  fi
  if [ ${#excluded[@]} -gt 0 ]; then
    ctest --preset "mingw-$1" -j 3 --label-exclude "^($(IFS='|'; echo "${excluded[*]}"))\$"
  else
    ctest --preset "mingw-$1" -j 3
  fi
  # CTest names the tests it reports as skipped; the reason is in their output.
  sed -n '/: Skipped$/{n;s/^/  skipped because /p}' "build/mingw-$1/Testing/Temporary/LastTest.log" | sort -u
}

# A build for another site, whose Windows tests take the host, the brand and
# the mark from its configuration. One edition is enough: both compile the
# same texts and resources.
test_other_site() {
  local edition
  edition=$(tail -n 1 <<<"$runnable")
  echo "== Testing a build for another site ($edition edition)"
  cmake --preset "mingw-$edition-othersite"
  cmake --build --preset "mingw-$edition-othersite" --target unit_tests e2e_tests
  ctest --preset "mingw-$edition-othersite" -R '^(unit_tests|e2e_tests|e2e_in_code_page_1252|e2e_on_refusing_desktops)$'
}

# The 64-bit edition's tests take longest (the release checks). Beside them,
# in a process group of their own, the 32-bit edition and the build for
# another site build and run, each with a Wine session of its own; their
# output follows.
build_edition x86_64
beside_log=$(mktemp)
set -m
(build_edition i686; test_edition i686; test_other_site) >"$beside_log" 2>&1 &
beside=$!
set +m
test_edition x86_64
status=0
wait "$beside" || status=$?
beside=""
cat "$beside_log"
[ "$status" = 0 ] || { echo "The 32-bit edition's build or tests, or the other site's, failed (above)." >&2; exit 1; }

for edition in i686 x86_64; do
  if ! grep -qx "$edition" <<<"$runnable"; then
    names=$(ctest --preset "mingw-$edition" --show-only --label-regex '^wine$' |
            sed -n 's/^ *Test *#[0-9]*: //p' | paste -sd ' ')
    echo "Skipped the $edition edition's tests under Wine ($names): $(grep "($edition)" "$reasons" || true)"
  fi
done
echo "== All tests passed in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
