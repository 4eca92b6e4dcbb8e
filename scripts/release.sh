#!/usr/bin/env bash
# Releases one site: both editions built afresh, signed, checked against the
# site file, run once under Wine and published whole into dist/<host>/; or
# checks everything a release needs that needs no build; or verifies a
# published release against its source. Installs what it needs first (the
# setup), unless OSTRIVANE_SETUP_DONE=1 says a caller has just run it. The
# password of the signing key or bundle, or the token's PIN, comes from
# OSTRIVANE_SIGN_PASSWORD.
#
#   scripts/release.sh [--check] [--unchecked EDITION]... [--allow-dirty] [--debug] SITE.toml
#   scripts/release.sh --verify [--debug] SITE.toml [RELEASE_FOLDER]...
#   scripts/release.sh --help
set -euo pipefail
scripts=$(dirname "$0")
if [ "${OSTRIVANE_SETUP_DONE:-}" != 1 ]; then
  "$scripts/setup-debian.sh" >&2 || { echo "release.sh: the setup failed (above), so nothing was released" >&2; exit 1; }
fi
# shellcheck source=tools-python.sh
. "$scripts/tools-python.sh"
python=$(tools_python) || { echo "release.sh: cannot release" >&2; exit 1; }
exec "$python" "$scripts/../tools/release.py" "$@"
