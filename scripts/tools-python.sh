# shellcheck shell=bash
# The one place that says which Python runs the tooling (tools/): sourced by
# the scripts, run by the build (cmake/Python.cmake).
#
#   tools_python [GROUP...]   prints the first Python that has the libraries
#                             tools/pyproject.toml lists (and GROUP's), or
#                             says on standard error what each one lacks and
#                             returns 1
#   bash tools-python.sh      the same, for a program that is no shell; in
#                             MSYS2 the path is given as Windows names it
#
# Debian's own comes first: a pyenv or venv python3 on PATH may lack them.
tools_python() {
  local tools python lacks=()
  tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tools" && pwd)
  for python in /usr/bin/python3 "$(command -v python3 || true)"; do
    [ -x "$python" ] || continue
    if problem=$("$python" "$tools/dependencies.py" check "$@" 2>&1); then
      echo "$python"
      return 0
    fi
    lacks+=("$problem")
  done
  echo "no Python here has the libraries tools/pyproject.toml lists (${lacks[*]:-no python3 found}): run scripts/setup-debian.sh" >&2
  return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  python=$(tools_python "$@") || exit 1
  if command -v cygpath >/dev/null; then cygpath -m "$python"; else echo "$python"; fi
fi
