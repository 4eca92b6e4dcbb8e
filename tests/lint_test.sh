#!/usr/bin/env bash
# The lint on a copy of the sources: clean as they are, and failing, naming
# each, on one planted fault of each kind; --fix mends the format.
#
#   lint_test.sh SOURCE_DIR
set -uo pipefail
source_dir=${1:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
tar -C "$source_dir" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$work" -xf -

"$work/scripts/lint.sh" >"$work/said" 2>&1 || fail "the lint fails on the sources as they are: $(cat "$work/said")"

printf 'cd "$1"\nrm -rf "$HOME/"*\n' >"$work/scripts/planted.sh"          # no shebang: which shell?
printf 'import os\n' >"$work/tools/ostrivane_site/planted_import.py"       # imported, never used
printf 'def count() -> int:\n    return "three"\n' >"$work/tools/ostrivane_site/planted_type.py"
printf 'int  Planted( ){return 0;}\n' >"$work/app/planted.cpp"
printf '[gone](../tools/gone.py) and [nowhere](#no-such-heading)\n' >"$work/docs/planted.md"
if "$work/scripts/lint.sh" >"$work/said" 2>&1; then fail "the lint passed five planted faults"; fi
for found in "planted.sh line 1:" "SC2148 (error)" "planted_import.py:1:1: 'os' imported but unused" \
             "planted_type.py:2: error: Incompatible return value" "planted.cpp:1:" \
             "planted.md:1: ../tools/gone.py: no such file" "planted.md has no heading for #no-such-heading" \
             "lint: failed: shellcheck, pyflakes, mypy, links, clang-format (scripts/lint.sh --fix formats"; do
  grep -qF "$found" "$work/said" || fail "the lint did not say: $found; it said: $(cat "$work/said")"
done

# The format command it names mends the misformatted line: the other faults
# gone, the lint passes again.
rm "$work/scripts/planted.sh" "$work/tools/ostrivane_site/planted_"*.py "$work/docs/planted.md"
"$work/scripts/lint.sh" --fix >"$work/said" 2>&1 || fail "the lint fails after --fix: $(cat "$work/said")"
[ "$(cat "$work/app/planted.cpp")" = "int Planted() { return 0; }" ] || fail "--fix left: $(cat "$work/app/planted.cpp")"
echo "the lint passes the sources, names each planted fault, and --fix formats the C++"
