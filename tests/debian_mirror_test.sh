#!/usr/bin/env bash
# The mirror the Debian 13 pass takes from apt's sources, in both forms.
#   debian_mirror_test.sh PATH/TO/debian-mirror.sh
finder=${1:?} apt=$(mktemp -d)
trap 'rm -rf "$apt"' EXIT
mkdir "$apt/sources.list.d"
expect() { [ "$(bash "$finder" "$apt" 2>&1)" = "$1" ] || { echo "FAIL: $2: $(bash "$finder" "$apt" 2>&1)"; exit 1; }; }

printf 'Types: deb\nURIs: https://vendor.example/node\nSuites: nodistro\n' >"$apt/sources.list.d/a.sources"
printf '%s\n' 'Types: deb' 'URIs: https://off.example/debian' 'Suites: trixie' 'Enabled: no' '' '# comment' \
  'Types: deb' 'URIs: https://mirror.example/debian-security' 'Suites: trixie-security' '' \
  'Types: deb-src deb' 'URIs: https://mirror.example/debian/' 'Suites: trixie trixie-updates' >"$apt/sources.list.d/b.sources"
expect https://mirror.example/debian "deb822"
printf '%s\n' 'deb [arch=amd64 signed-by=/k.gpg] http://mirror.example/debian-security bookworm-security main' \
  '# deb http://commented.example/debian bookworm main' 'deb-src http://source.example/debian bookworm main' \
  'deb [ trusted=yes ] http://one-line.example/debian bookworm main' >"$apt/sources.list"
expect http://one-line.example/debian "one-line, before sources.list.d/"
rm "$apt/sources.list.d/b.sources" && sed -i '$d' "$apt/sources.list"
expect "debian-mirror: apt's sources on this machine name no Debian mirror (no 'deb' entry of a Debian release with an http, https or file URI in $apt/sources.list or $apt/sources.list.d/*.list, *.sources)" "none"
! bash "$finder" "$apt" 2>/dev/null || { echo "FAIL: none, yet it succeeded"; exit 1; }
echo "the Debian mirror is read from both forms of apt's sources"
