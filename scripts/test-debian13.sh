#!/usr/bin/env bash
# Runs the README's two commands, scripts/run.sh and scripts/test.sh, on a
# fresh Debian 13 (trixie, with Wine 10) from a clean clone of the current
# commit: in a root made by debootstrap, with /proc, /sys, /dev, /dev/pts and
# /dev/shm bound into it, entered with chroot. Needs root. However it ends,
# it stops what ran in the root and unmounts everything before it removes
# the root; with a mount it cannot undo, it leaves the root and says where.
#
# It fetches from the Debian mirror this machine's apt uses
# (scripts/debian-mirror.sh), through the same proxy, and carries into the
# root what reaching them takes: the proxy variables, apt's proxy settings,
# /etc/hosts, /etc/resolv.conf and the extra CA certificates.
#
#   scripts/test-debian13.sh     DEBIAN13_MIRROR=URL takes another mirror
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

if [ "$(id -u)" -ne 0 ]; then
  echo "test-debian13: needs root (debootstrap, mount and chroot); try: sudo $0" >&2
  exit 2
fi
commit=$(git rev-parse HEAD)

if [ -n "${DEBIAN13_MIRROR:-}" ]; then
  mirror=$DEBIAN13_MIRROR
elif ! mirror=$(scripts/debian-mirror.sh); then
  echo "test-debian13: name the Debian mirror to use with DEBIAN13_MIRROR=<URL of a Debian mirror>" >&2
  exit 2
fi
echo "== Mirror: $mirror"

# The proxy this machine uses, for debootstrap and in the root. apt's own
# setting is taken where the environment names none (debootstrap reads only
# the environment).
proxy_variables=()
for name in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
  if [ -n "${!name:-}" ]; then proxy_variables+=("$name=${!name}"); fi
done
apt_proxy() {  # SCHEME: apt's proxy for it, unless none or DIRECT
  local value=
  eval "$(apt-config shell value "Acquire::$1::Proxy")"
  [ "$value" = DIRECT ] || echo "$value"
}
for scheme in http https; do
  name=${scheme}_proxy value=$(apt_proxy "$scheme")
  if [ -z "${!name:-}" ] && [ -n "$value" ]; then proxy_variables+=("$name=$value"); fi
done

if ! command -v debootstrap >/dev/null; then
  # shellcheck source=apt.sh
  . scripts/apt.sh
  apt_update
  apt_install debootstrap
fi

work=$(mktemp -d "${TMPDIR:-/var/tmp}/ostrivane-debian13.XXXXXX")
root=$work/root
binds=(proc sys dev dev/pts dev/shm)  # in mount order; undone in reverse

# Processes whose root is the new root: Xvfb, wineserver, anything a failed
# step left behind. They would keep the mounts busy.
stop_processes_in_root() {
  local link pid
  for link in /proc/[0-9]*/root; do
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] || continue
    pid=${link#/proc/}; pid=${pid%/root}
    kill -KILL "$pid" 2>/dev/null || true
  done
}

unmount_binds() {
  local i target
  for ((i = ${#binds[@]} - 1; i >= 0; i--)); do
    target=$root/${binds[i]}
    if mountpoint -q "$target"; then umount "$target" || umount --lazy "$target"; fi
  done
}

clean_up() {
  local status=$?
  stop_processes_in_root
  sleep 1
  unmount_binds
  # Never remove a folder with a mount inside it: a bound /dev would go too.
  if awk -v root="$root/" 'index($2, root) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
    echo "test-debian13: something is still mounted in $root; left it there" >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap clean_up EXIT

echo "== Making a Debian 13 root in $root"
# ca-certificates: the mirror may be an https one.
env "${proxy_variables[@]}" debootstrap --variant=minbase --include=ca-certificates \
  trixie "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
# What reaching the mirror takes from this machine: names, apt's proxy
# settings (Acquire::*::Proxy, from any of its files) and the CA certificates
# added here, which a company's proxy or mirror may be signed with.
cp /etc/resolv.conf /etc/hosts "$root/etc/"
apt-config dump | grep -E '^Acquire::[^:]+::Proxy' >"$root/etc/apt/apt.conf.d/80proxy-of-host" ||
  rm "$root/etc/apt/apt.conf.d/80proxy-of-host"
if [ -d /usr/local/share/ca-certificates ]; then
  cp -a /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
fi
for bind in "${binds[@]}"; do
  mount --bind "/$bind" "$root/$bind"
done

echo "== Cloning $commit"
git clone --quiet --no-local "$repo" "$root/root/ostrivane"
git -C "$root/root/ostrivane" checkout --quiet --detach "$commit"

in_root() {
  chroot "$root" env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${proxy_variables[@]}" \
    bash -c "cd /root/ostrivane && $1"
}
in_root 'said=$(update-ca-certificates 2>&1) || { echo "$said" >&2; exit 1; }'
echo "== Debian 13: scripts/run.sh"
in_root scripts/run.sh
echo "== Debian 13: scripts/test.sh"
in_root scripts/test.sh
echo "== Debian 13: both commands passed"
