#!/usr/bin/env bash
# Releases one site: both editions built afresh, signed, checked against the
# site file and published whole into dist/<host>/; or checks a site file
# without building; or verifies a published release against its source.
# The password of the signing key or bundle, or the token's PIN, comes from
# OSTRIVANE_SIGN_PASSWORD.
#
#   scripts/release.sh [--check] [--unchecked EDITION]... SITE.toml
#   scripts/release.sh --verify SITE.toml [RELEASE_FOLDER]...
#   scripts/release.sh --help
set -euo pipefail
# shellcheck source=tools-python.sh
. "$(dirname "$0")/tools-python.sh"
python=$(tools_python) || { echo "release.sh: cannot release" >&2; exit 1; }
exec "$python" "$(dirname "$0")/../tools/release.py" "$@"
