# shellcheck shell=bash
# Sourced by the scripts that install Debian packages: apt as a setup on an
# imperfect mirror needs it. Each function says in one line what went wrong,
# on standard error, in apt's own words.
#
#   as_root COMMAND...        runs it as root (through sudo unless root)
#   apt_update                fetches the package indexes, each tried again
#                             a few times; where some still fail, names them
#                             (and leaves them in apt_failed_indexes) and
#                             goes on: apt-get install decides
#   apt_install PACKAGE...    installs them, or returns apt's status; apt's
#                             own output says why
#   apt_why_not PACKAGE       installs PACKAGE, or prints apt's reason for
#                             not installing it, in one line, and returns 1
#   missing_packages PACKAGE...  prints those not installed, one a line

# Its input's lines as one, separated by "; ".
one_line() { paste -sd ';' | sed 's/;/; /g'; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# shellcheck disable=SC2034  # read by the scripts that source this
apt_failed_indexes=
apt_update() {
  local output failed
  if output=$(as_root apt-get -o Acquire::Retries=3 update 2>&1); then return 0; fi
  # apt says "E: Failed to fetch URL  REASON [IP: ...]" (or W:) for each
  # index it could not get, whatever went wrong.
  failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1 (\2)/p' <<<"$output" |
    sed 's/ \[IP: [^]]*\])$/)/' | one_line)
  if [ -z "$failed" ]; then
    failed=$(grep '^E: ' <<<"$output" | sed 's/^E: //' | one_line)
  fi
  # shellcheck disable=SC2034
  apt_failed_indexes=$failed
  echo "setup: apt could not fetch every package index, going on without: ${failed:-apt-get update failed}" >&2
}

apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

apt_why_not() {
  local output reason
  output=$(apt_install "$1" 2>&1) && return 0
  # The first broken dependency apt names says what stands in the way;
  # its E: lines say what it made of it.
  reason=$( { grep -m 1 ' Depends: ' <<<"$output" | sed 's/^ *//; s/  */ /g'
              grep '^E: ' <<<"$output" | sed 's/^E: //'; } | one_line)
  echo "${reason:-$(tail -n 1 <<<"$output")}"
  return 1
}

missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' || echo "$package"
  done
}
