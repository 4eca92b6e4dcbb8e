#!/usr/bin/env bash
# The lint CI runs before the tests, each check on everything it covers: the
# shell scripts with shellcheck (warnings and errors), pyflakes and mypy
# on the Python (tools/, as tools/pyproject.toml configures mypy, and the
# tests'), clang-format --dry-run -Werror on the C++ (.clang-format), and
# the relative links of the Markdown pages (tools/check_links.py).
# What each tool finds is shown as it says it; the last line names the
# checks that failed, and the exit status is 1 when any did.
#
#   scripts/lint.sh [--fix] [SOURCE_DIR]    SOURCE_DIR: this checkout unless given
#
# --fix first formats the C++ in place, as the lint's clang-format check
# wants it, then runs the lint.
set -uo pipefail
fix=false
if [ "${1:-}" = --fix ]; then fix=true; shift; fi
cd "${1:-$(dirname "$0")/..}" || exit 2
# shellcheck source=tools-python.sh
. "$(dirname "${BASH_SOURCE[0]}")/tools-python.sh"

# Every file of a kind in the sources, builds and releases left out.
sources() {
  find . \( -path ./build -o -path ./dist -o -path ./.git \) -prune -o -type f \( "$@" \) -print | sort
}
failed=()

mapfile -t scripts < <(sources -name '*.sh' -o -path ./.ci/run)
shellcheck --severity=warning --external-sources "${scripts[@]}" || failed+=(shellcheck)

if python=$(tools_python lint); then
  mapfile -t python_files < <(sources -name '*.py')
  "$python" -m pyflakes "${python_files[@]}" || failed+=(pyflakes)
  (cd tools && "$python" -m mypy --no-error-summary --cache-dir=/dev/null) || failed+=(mypy)
  mapfile -t pages < <(sources -name '*.md')
  "$python" tools/check_links.py "${pages[@]}" || failed+=(links)
else
  failed+=("pyflakes, mypy and links (no Python to run them)")
fi

mapfile -t cpp_files < <(sources -name '*.cpp' -o -name '*.h')
if $fix; then clang-format -i "${cpp_files[@]}"; fi
clang-format --dry-run -Werror "${cpp_files[@]}" || failed+=("clang-format (scripts/lint.sh --fix formats the C++)")

if [ ${#failed[@]} -gt 0 ]; then
  echo "lint: failed: $(printf '%s\n' "${failed[@]}" | paste -sd ',' | sed 's/,/, /g')" >&2
  exit 1
fi
echo "lint: nothing found in ${#scripts[@]} scripts, ${#python_files[@]} Python files, ${#cpp_files[@]} C++ files and the links of ${#pages[@]} pages"
