#!/usr/bin/env bash
# Runs a Windows program in the test session with the display at DPI, then
# puts the session back to 96 DPI, however the program ended.
#
#   at_display_scale.sh SESSION_DIR DPI PROGRAM [ARGS...]
set -euo pipefail
session=${1:?} dpi=${2:?}
shift 2
wine_session="$(dirname "$0")/../scripts/wine-session.sh"
trap 'bash "$wine_session" scale "$session" 96' EXIT
bash "$wine_session" scale "$session" "$dpi"
OSTRIVANE_TEST_DPI=$dpi bash "$wine_session" exec "$session" "$@"
