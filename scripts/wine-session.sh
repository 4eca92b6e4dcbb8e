#!/usr/bin/env bash
# A throwaway Wine session for tests and demo runs: its own prefix, home and
# virtual display, so nothing touches the real user's home or desktop.
#
#   wine-session.sh start DIR [--edition i686|x86_64] [--display] [--screen WxH] [--warm]
#                         make DIR/prefix for the 32-bit (default) or 64-bit
#                         edition, start Xvfb (or use $DISPLAY with --display)
#                         and wineserver; first ends whatever an earlier session
#                         in DIR left running. The Xvfb screen and Wine's
#                         desktop are WxH pixels, 1024x768 unless given
#   wine-session.sh exec DIR [--locale LOCALE] PROGRAM [ARGS]
#                         run a Windows program in the session, in the Korean
#                         locale or the one given (en_US.UTF-8: code page 1252)
#   wine-session.sh scale DIR DPI
#                         set the display scale Wine reports to every program
#                         (96 is 100%, 144 is 150%, 192 is 200%)
#   wine-session.sh stop DIR [--keep-prefix] [--warm]
#                         stop what start started and remove DIR/prefix unless
#                         asked to keep it
#
# With --warm and OSTRIVANE_WARM_WINE=1 in the environment, start takes over
# a session of the same kind that is still up in DIR instead of starting Wine
# afresh, and stop leaves the session up for the next run: a contributor's
# runs of one test, one after the other, start Wine once. The tests' fixture
# passes --warm; scripts/test.sh and CI always start afresh and stop.
set -euo pipefail
# shellcheck source=wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"

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
  setsid Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp \
    3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  # Within a minute, however busy the machine: it is usually a matter of
  # tenths of a second.
  for _ in $(seq 600); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  [ -s "$dir/display" ] || { echo "wine-session: Xvfb did not start, see $dir/xvfb.log" >&2; exit 1; }
  echo ":$(tr -d '[:space:]' <"$dir/display")"
}

# Ends the Xvfb and the wineserver of the session in DIR, if any: after a
# clean stop, or what an interrupted run left behind.
end_processes() {
  if [ -f "$dir/env" ]; then
    (load_env && wineserver -k 2>/dev/null) || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    local pid
    pid=$(cat "$dir/xvfb.pid")
    # Only our Xvfb: the number may since have gone to another process.
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then kill "$pid" 2>/dev/null || true; fi
    rm -f "$dir/xvfb.pid"
  fi
}

# Whether the session is to be kept warm between runs (see above).
warm() { [ "${OSTRIVANE_WARM_WINE:-}" = 1 ]; }

# Whether a session of KIND (edition, screen, display) that start finished
# is still up in DIR: its prefix and its Xvfb, unless it is on the caller's
# display. Its wineserver is persistent; were it gone, Wine starts another.
still_up() {
  [ -f "$dir/env" ] && [ -f "$dir/prefix/system.reg" ] && [ "$(cat "$dir/kind" 2>/dev/null)" = "$1" ] || return 1
  $use_current_display || [ "$(cat "/proc/$(cat "$dir/xvfb.pid" 2>/dev/null)/comm" 2>/dev/null)" = Xvfb ]
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
    edition=i686 use_current_display=false screen=1024x768 reuse=false
    while [ $# -gt 0 ]; do
      case "$1" in
        --warm) warm && reuse=true; shift ;;
        --edition) edition=${2:?--edition needs i686 or x86_64}; shift 2 ;;
        --display) [ -n "${DISPLAY:-}" ] && use_current_display=true; shift ;;
        --screen) screen=${2:?--screen needs a size such as 1024x768}; shift 2 ;;
        *) echo "wine-session: unknown option '$1'" >&2; exit 2 ;;
      esac
    done
    if ! [[ "$screen" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
      echo "wine-session: the screen size is WIDTHxHEIGHT in pixels, such as 1024x768; got '$screen'" >&2
      exit 2
    fi
    # Each edition has its own loader and prefix kind (the editions' table).
    loader=$(wine_loader "$edition" 2>&1) || { echo "wine-session: $loader" >&2; exit 2; }
    arch=$(wine_arch "$edition")
    mkdir -p "$dir/home"
    dir=$(cd "$dir" && pwd)
    kind="$edition $screen"
    if $use_current_display; then kind+=" on $DISPLAY"; fi
    if $reuse && still_up "$kind"; then
      echo "wine-session: the warm session in $dir is up; taken over (wine-session.sh stop $dir ends it)"
      exit 0
    fi
    rm -f "$dir/kind"
    end_processes
    if $use_current_display; then
      display=$DISPLAY
      # Wine connects with the session's own HOME, so it needs the caller's
      # X authority named outright.
      xauthority=${XAUTHORITY:-$HOME/.Xauthority}
    else
      display=$(start_xvfb) xauthority=
    fi
    cat >"$dir/env" <<ENV
export WINEPREFIX='$dir/prefix'
export WINEARCH=$arch
export WINELOADER=$loader
export HOME='$dir/home'
export DISPLAY='$display'
export XAUTHORITY='$xauthority'
export LANG=ko_KR.UTF-8
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR
ENV
    [ -n "$xauthority" ] || sed -i '/^export XAUTHORITY=/d' "$dir/env"
    load_env
    if ! "$WINELOADER" --version >/dev/null 2>"$dir/loader.log"; then
      echo "wine-session: Wine's $edition loader $WINELOADER cannot run here: $(cat "$dir/loader.log")" >&2
      exit 1
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$WINELOADER" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
      unlink_user_folders
      # Debian's Wine 8 never looks in the folder of fonts it ships, so the
      # caption buttons, drawn with glyphs of the Marlett symbol font, come out
      # as the letters "0 1 r" of a fallback font. Wine does load fonts from
      # the prefix's own Fonts folder.
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      # A virtual desktop: Wine then draws the windows' frames and a taskbar
      # itself, as Windows would, with no window manager needed. The desktop
      # named "shell" is the one with a taskbar.
      "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
    fi
    # Wine 10 draws captions and messages in Tahoma, which has no Hangul, and
    # falls back only through the font links Korean Windows has (to Gulim and
    # Malgun Gothic, which are not here): every syllable comes out as the same
    # box. Link the system faces to the installed Korean face, on every start,
    # so a prefix made before this is mended too.
    for face in Tahoma 'Microsoft Sans Serif'; do
      "$WINELOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null 2>&1
    done
    # The desktop's size, on every start: a kept prefix may have had another.
    "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$screen" /f >/dev/null 2>&1
    # Restart so the desktop comes up with these settings.
    wineserver -k
    wineserver -w
    # One wineserver for the whole session instead of one per program.
    wineserver -p </dev/null >/dev/null 2>&1
    echo "$kind" >"$dir/kind"
    ;;
  exec)
    load_env
    # Through env: the shell itself need not have that locale installed.
    locale=()
    if [ "${1:-}" = --locale ]; then
      locale=(env "LANG=${2:?--locale needs a locale such as en_US.UTF-8}" "LC_ALL=$2")
      shift 2
    fi
    # Wine starts helper processes (the desktop, services) that inherit the
    # output descriptors and outlive the program; through a file they cannot
    # hold a caller's pipe open after the program has ended. The file is
    # passed on as it grows, so what the program said is seen even when a
    # timeout kills this script (CTest does, with SIGKILL) before it ends.
    output=$(mktemp "$dir/output.XXXXXX")
    "${locale[@]}" "$WINELOADER" "$@" </dev/null >"$output" 2>&1 &
    program=$!
    tail -s 0.1 -n +1 -f --pid="$program" "$output" &
    status=0
    wait "$program" || status=$?
    wait $! || true
    rm -f "$output"
    exit "$status"
    ;;
  scale)
    load_env
    dpi=${1:?usage: wine-session.sh scale DIR DPI}
    "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    # Wine reads the scale when its server starts.
    wineserver -k
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    ;;
  stop)
    keep_prefix=false
    for option in "$@"; do
      case "$option" in
        --keep-prefix) keep_prefix=true ;;
        --warm) if warm; then exit 0; fi ;;
        *) echo "wine-session: unknown option '$option'" >&2; exit 2 ;;
      esac
    done
    end_processes
    rm -f "$dir/kind"
    if [ -f "$dir/env" ]; then
      load_env
      $keep_prefix || rm -rf "$WINEPREFIX" "${dir:?}/home"
      rm -f "$dir/env" "$dir/display" "$dir"/output.*  # the output of a killed run
    fi
    ;;
  *)
    echo "wine-session: unknown command '$command'" >&2
    exit 2
    ;;
esac
