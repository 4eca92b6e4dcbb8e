#!/usr/bin/env bash
# The setup on an imperfect machine, with stand-ins for apt-get, dpkg and
# dpkg-query early on PATH: nothing is installed, one i386 package index
# comes broken and no :i386 package can be installed.
#
#   setup_mirror_test.sh PATH/TO/setup-debian.sh
set -uo pipefail
setup=${1:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$work/bin"
stand_in() { printf '#!/usr/bin/env bash\n%s\n' "$2" >"$work/bin/$1" && chmod +x "$work/bin/$1"; }

stand_in apt-get '
case " $* " in
  *" update "*)
    echo "Err:6 http://mirror.example/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *:i386*)
    printf "%s\n" "The following packages have unmet dependencies:" \
      " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed" \
      "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
  *" ${BROKEN_PACKAGE:-none} "*) echo "E: Unable to locate package $BROKEN_PACKAGE" >&2; exit 100 ;;
  *) echo "$*" >>"$INSTALLED" ;;
esac'
stand_in dpkg '
case $1 in
  --add-architecture) [ -z "${NO_I386:-}" ] || { echo "dpkg: error: architecture i386 is not allowed here" >&2; exit 2; } ;;
esac'
stand_in dpkg-query 'exit 1'
stand_in locale 'printf "ko_KR.utf8\nen_US.utf8\n"'
stand_in sudo 'exec "$@"'

# setup [VAR=VALUE...]: its status; what it said is in $work/said.
setup() {
  : >"$work/installed"
  env PATH="$work/bin:$PATH" INSTALLED="$work/installed" "$@" bash "$setup" >"$work/said" 2>&1
}
said() { grep -c -- "$1" "$work/said"; }

setup || fail "a broken i386 index stopped the setup: $(cat "$work/said")"
[ "$(said 'could not fetch every package index')" = 1 ] &&
  said 'binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?)$' >/dev/null ||
  fail "the broken index is not named in one line: $(cat "$work/said")"
[ "$(said 'wine32:i386) cannot be installed')" = 1 ] &&
  said 'only the 64-bit edition runs here: wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4)' >/dev/null ||
  fail "apt's reason for the missing 32-bit Wine is not given in one line: $(cat "$work/said")"
grep -q ' wine64 .*python3-pil .*' "$work/installed" || fail "the rest was not installed: $(cat "$work/installed")"
! grep -q 'cannot run 32-bit\|kernel' "$work/said" || fail "the kernel is blamed: $(cat "$work/said")"

setup NO_I386=1 || fail "a refused i386 architecture stopped the setup: $(cat "$work/said")"
said 'cannot be installed, so only the 64-bit edition runs here: dpkg refused the i386 architecture: dpkg: error: architecture i386 is not allowed here$' >/dev/null ||
  fail "the refused architecture is not named: $(cat "$work/said")"

if setup BROKEN_PACKAGE=softhsm2; then fail "a package that cannot be installed was passed over"; fi
said '^E: Unable to locate package softhsm2$' >/dev/null || fail "apt's message is not shown: $(cat "$work/said")"
echo "the setup goes on without the 32-bit Wine, says why, and stops for any other package"
