# shellcheck shell=bash
# Sourced by the scripts that run the tooling (tools/): the one place that
# says which Python runs it.
#
#   tools_python [GROUP...]   prints the first Python that has the libraries
#                             tools/pyproject.toml lists (and GROUP's), or
#                             says on standard error what each one lacks and
#                             returns 1
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
