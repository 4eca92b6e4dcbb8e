#!/usr/bin/env bash
# Signs a Windows executable in place with osslsigncode (Authenticode,
# SHA-256). The key's password, if it has one, comes from the environment
# variable OSTRIVANE_SIGN_PASSWORD and is handed over on a pipe, never on a
# command line. No timestamp unless a timestamp server URL is given.
#
#   sign-exe.sh CERT KEY EXE [TIMESTAMP_URL]
set -euo pipefail

cert=$1 key=$2 exe=$3 timestamp_url=${4:-}
signed="$exe.signing"
trap 'rm -f "$signed"' EXIT

args=(sign -certs "$cert" -key "$key" -h sha256 -n Ostrivane -in "$exe" -out "$signed")
[ -n "$timestamp_url" ] && args+=(-ts "$timestamp_url")

if [ -n "${OSTRIVANE_SIGN_PASSWORD+set}" ]; then
  printf '%s' "$OSTRIVANE_SIGN_PASSWORD" | osslsigncode "${args[@]}" -readpass /dev/stdin >/dev/null
else
  osslsigncode "${args[@]}" >/dev/null
fi
mv -f "$signed" "$exe"
echo "Signed $exe with $cert"
