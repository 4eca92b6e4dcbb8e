#!/usr/bin/env bash
# The mirror the Debian 13 pass takes from apt's sources, read from sample
# configurations in both forms.
#
#   debian_mirror_test.sh PATH/TO/debian-mirror.sh
set -euo pipefail
finder=${1:?}
apt=$(mktemp -d)
trap 'rm -rf "$apt"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$apt/sources.list.d"

printf 'Types: deb\nURIs: https://vendor.example/node\nSuites: nodistro\n' >"$apt/sources.list.d/a.sources"
cat >"$apt/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: https://off.example/debian
Suites: trixie
Enabled: no

# a comment line
Types: deb
URIs: https://mirror.example/debian-security
Suites: trixie-security

Types: deb-src deb
URIs: https://mirror.example/debian/
Suites: trixie trixie-updates
Components: main
SOURCES
[ "$(bash "$finder" "$apt")" = https://mirror.example/debian ] || fail "deb822: got $(bash "$finder" "$apt")"

cat >"$apt/sources.list" <<'LIST'
deb [arch=amd64 signed-by=/k.gpg] http://mirror.example/debian-security bookworm-security main
# deb http://commented.example/debian bookworm main
deb-src http://source.example/debian bookworm main
deb [ trusted=yes ] http://one-line.example/debian bookworm main
LIST
[ "$(bash "$finder" "$apt")" = http://one-line.example/debian ] || fail "one-line: got $(bash "$finder" "$apt")"

rm "$apt/sources.list.d/debian.sources"
sed -i '$d' "$apt/sources.list"
if bash "$finder" "$apt" 2>"$apt/err"; then fail "found a mirror where apt names none"; fi
grep -q "name no Debian mirror" "$apt/err" || fail "no reason given: $(cat "$apt/err")"
echo "the Debian mirror is read from both forms of apt's sources"
