#!/usr/bin/env bash
# A throwaway Wine session for tests and demo runs: its own prefix, home and
# virtual display, so nothing touches the real user's home or desktop.
#
#   wine-session.sh start DIR [--display]   make DIR/prefix, start Xvfb (or use
#                                           $DISPLAY with --display) and wineserver
#   wine-session.sh exec DIR PROGRAM [ARGS] run a Windows program in the session
#   wine-session.sh stop DIR [--keep-prefix]
#                                           stop what start started and remove
#                                           DIR/prefix unless asked to keep it
set -euo pipefail

command=${1:?usage: wine-session.sh start|exec|stop DIR ...}
dir=${2:?usage: wine-session.sh start|exec|stop DIR ...}
shift 2

load_env() {
  if [ ! -f "$dir/env" ]; then
    echo "wine-session: no session in $dir; run 'wine-session.sh start $dir' first" >&2
    exit 2
  fi
  # shellcheck source=/dev/null
  . "$dir/env"
}

start_xvfb() {
  rm -f "$dir/display"
  # Xvfb picks a free display number and writes it to fd 3 once it is ready.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  [ -s "$dir/display" ] || { echo "wine-session: Xvfb did not start, see $dir/xvfb.log" >&2; exit 1; }
  echo ":$(tr -d '[:space:]' <"$dir/display")"
}

# Wine links Desktop, Documents and the like to the Unix home; in a throwaway
# prefix they become real folders of its own.
unlink_user_folders() {
  local users="$WINEPREFIX/drive_c/users"
  local folder
  for folder in "$users"/*/*; do
    if [ -L "$folder" ]; then
      rm "$folder"
      mkdir "$folder"
    fi
  done
}

case "$command" in
  start)
    use_current_display=false
    [ "${1:-}" = "--display" ] && [ -n "${DISPLAY:-}" ] && use_current_display=true
    mkdir -p "$dir/home"
    dir=$(cd "$dir" && pwd)
    if $use_current_display; then display=$DISPLAY; rm -f "$dir/xvfb.pid"; else display=$(start_xvfb); fi
    cat >"$dir/env" <<ENV
export WINEPREFIX='$dir/prefix'
export WINEARCH=win32
export HOME='$dir/home'
export DISPLAY='$display'
export LANG=ko_KR.UTF-8
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR
ENV
    load_env
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
      unlink_user_folders
      # A virtual desktop: Wine then draws the windows' frames and a taskbar
      # itself, as Windows would, with no window manager needed. The desktop
      # named "shell" is the one with a taskbar.
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
      # Restart so the desktop comes up with these settings.
      wineserver -k
      wineserver -w
    fi
    # One wineserver for the whole session instead of one per program.
    wineserver -p </dev/null >/dev/null 2>&1
    ;;
  exec)
    load_env
    # Wine starts helper processes (the desktop, services) that inherit the
    # output descriptors and outlive the program; through a file they cannot
    # hold a caller's pipe open after the program has ended.
    output=$(mktemp "$dir/output.XXXXXX")
    status=0
    wine "$@" </dev/null >"$output" 2>&1 || status=$?
    cat "$output"
    rm -f "$output"
    exit "$status"
    ;;
  stop)
    if [ -f "$dir/env" ]; then
      load_env
      wineserver -k 2>/dev/null || true
      if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
      [ "${1:-}" = "--keep-prefix" ] || rm -rf "$WINEPREFIX" "$dir/home"
      rm -f "$dir/env" "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
  *)
    echo "wine-session: unknown command '$command'" >&2
    exit 2
    ;;
esac
