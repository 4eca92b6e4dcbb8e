#!/usr/bin/env bash
# Runs a Windows test program in the session with desktops that refuse
# writing, made on the host for it, their Windows paths in the environment:
#   OSTRIVANE_FULL_DESKTOP       a small tmpfs, for the test to fill up
#   OSTRIVANE_READ_ONLY_DESKTOP  a read-only bind mount of
#   OSTRIVANE_READ_ONLY_SOURCE   a writable folder, where the test puts files
#   OSTRIVANE_LOCKED_DESKTOP     a folder whose <host>.url, holding "old", may
#                                not be replaced (chattr +i)
#   OSTRIVANE_LINKED_DESKTOP     symbolic links named like old leftovers of
#                                <host>.url to files in ../elsewhere
#   OSTRIVANE_LEFTOVERS_DESKTOP  10,000 old leftovers of <host>.url
# Making them needs root: without it the program runs without them, and its
# tests report themselves skipped, saying why. Whatever happens, everything
# is unmounted, and removed only once nothing is mounted inside.
#
#   refusing_desktops.sh SESSION_DIR HOST PROGRAM [ARGS...]
set -euo pipefail
session=${1:?} host=${2:?}
shift 2
wine_session="$(dirname "$0")/../scripts/wine-session.sh"
if [ "$(id -u)" -ne 0 ]; then
  exec bash "$wine_session" exec "$session" "$@"
fi

work=$(mktemp -d "$session/refusing-desktops.XXXXXX")
locked="$work/locked/$host.url"
# The session's wineserver may still watch a desktop for changes for a
# moment; a mount it keeps busy is detached lazily, and goes once it lets go.
unmount() {
  for _ in 1 2 3 4 5; do
    mountpoint -q "$1" || return 0
    umount "$1" 2>/dev/null || sleep 1
  done
  mountpoint -q "$1" || return 0
  umount --lazy "$1"
}
cleanup() {
  local still_mounted=false
  for mount in "$work/full" "$work/read-only"; do
    unmount "$mount" || still_mounted=true
  done
  if [ -f "$locked" ]; then chattr -i "$locked"; fi
  if $still_mounted; then
    echo "refusing_desktops: could not unmount everything under $work; left it there" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
mkdir "$work/full" "$work/read-only" "$work/writable" "$work/locked"
mount -t tmpfs -o size=64k ostrivane-full "$work/full"
mount --bind "$work/writable" "$work/read-only"
mount -o remount,bind,ro "$work/read-only"
printf old >"$locked"
chattr +i "$locked"
mkdir "$work/linked" "$work/elsewhere" "$work/leftovers"
printf precious >"$work/elsewhere/precious.txt"
: >"$work/elsewhere/empty"
ln -s "$work/elsewhere/precious.txt" "$work/linked/$host.url.~0BADF00D"
ln -s "$work/elsewhere/empty" "$work/linked/$host.url.~1BADF00D"
for ((i = 0; i < 10000; i++)); do
  printf -v digits %08X "$i"
  printf '[Internet' >"$work/leftovers/$host.url.~$digits"
done
touch -d '1 hour ago' "$work/elsewhere"/* "$work/leftovers"/*

windows_path() {
  local path="Z:$work/$1"
  echo "${path//\//\\}"
}
OSTRIVANE_FULL_DESKTOP=$(windows_path full) \
OSTRIVANE_READ_ONLY_DESKTOP=$(windows_path read-only) \
OSTRIVANE_READ_ONLY_SOURCE=$(windows_path writable) \
OSTRIVANE_LOCKED_DESKTOP=$(windows_path locked) \
OSTRIVANE_LINKED_DESKTOP=$(windows_path linked) \
OSTRIVANE_LEFTOVERS_DESKTOP=$(windows_path leftovers) \
  bash "$wine_session" exec "$session" "$@"
