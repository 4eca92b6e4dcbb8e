#!/usr/bin/env bash
# Releases one site: both editions built afresh, signed, checked against the
# site file and published whole into dist/<host>/ (see the README,
# "Releasing a site"). The password of the signing key or bundle, or the
# token's PIN, comes from OSTRIVANE_SIGN_PASSWORD.
#
#   scripts/release.sh SITE.toml
set -euo pipefail
tools=$(cd "$(dirname "$0")/../tools" && pwd)
# A Python with the libraries the site's rules are written on: Debian's own,
# or the first python3 on PATH if it has them (a pyenv or venv one may not).
for python in /usr/bin/python3 "$(command -v python3 || true)"; do
  if [ -x "$python" ] && "$python" -c 'import idna, PIL, cryptography, pefile, PyKCS11, tomllib' 2>/dev/null; then
    exec "$python" "$tools/release.py" "$@"
  fi
done
echo "release.sh: no Python 3.11 with idna, Pillow, cryptography, pefile and PyKCS11: run scripts/setup-debian.sh" >&2
exit 1
