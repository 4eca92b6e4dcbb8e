#!/usr/bin/env bash
# Signs a Windows executable with osslsigncode (Authenticode, SHA-256) into a
# signed copy, leaving the executable itself as it is. The key is a PEM file,
# the key in a PKCS#12 bundle (KEY empty), or a key on a token (KEY a pkcs11:
# URI, PKCS11_MODULE the token's library); its password or PIN comes from
# the environment variable OSTRIVANE_SIGN_PASSWORD and is handed over on a
# pipe, never on a command line. No timestamp unless a timestamp server URL
# is given. Configure has checked the settings; what can change or fail only
# now (the password in this build's environment, the timestamp server) is
# checked here, and said plainly: the build then fails with no signed copy.
#
#   sign-exe.sh EXE SIGNED_EXE CERT KEY PKCS11_MODULE [TIMESTAMP_URL]
set -euo pipefail

exe=$1 signed=$2 cert=$3 key=$4 module=$5 timestamp_url=${6:-}
partial="$signed.partial"
log="$signed.log"
rm -f "$signed"
trap 'rm -f "$partial" "$log"' EXIT

fail() {
  echo "sign-exe.sh: $*" >&2
  echo "sign-exe.sh: $exe was not signed." >&2
  exit 1
}

# Without its password osslsigncode would ask for it on the terminal, or
# fail with OpenSSL's decoder errors: the key is opened first as configure
# opened it, which says what is wrong.
error=$(bash "$(dirname "$0")/signing-key.sh" "$cert" "$key" "$module" 2>&1 >/dev/null) || fail "$error"

args=(sign -h sha256 -n Ostrivane -in "$exe" -out "$partial")
if [ -z "$key" ]; then
  args+=(-pkcs12 "$cert")
elif [[ $key == pkcs11:* ]]; then
  # Without -pkcs11engine: osslsigncode finds OpenSSL's pkcs11 engine itself,
  # and 2.5 fails to load it when it is named by path.
  args+=(-pkcs11module "$module" -key "$key" -certs "$cert")
else
  args+=(-certs "$cert" -key "$key")
fi
[ -n "$timestamp_url" ] && args+=(-ts "$timestamp_url")

mkdir -p "$(dirname "$signed")"
status=0
if [ -n "${OSTRIVANE_SIGN_PASSWORD-}" ]; then
  printf '%s' "$OSTRIVANE_SIGN_PASSWORD" | osslsigncode "${args[@]}" -readpass /dev/stdin >"$log" 2>&1 || status=$?
else
  # osslsigncode cannot read an empty password: an unprotected key needs none.
  osslsigncode "${args[@]}" </dev/null >"$log" 2>&1 || status=$?
fi
if [ "$status" != 0 ]; then
  if [ -n "$timestamp_url" ] && grep -q "timestamping failed" "$log"; then
    reason=$(grep -m1 "^HTTP failure" "$log" || true)
    fail "the timestamp server $timestamp_url could not be reached or gave no timestamp${reason:+ ($reason)}."
  fi
  cat "$log" >&2
  fail "osslsigncode could not sign it with SIGN_CERT \"$cert\"${key:+ and SIGN_KEY \"$key\"} (its output is above)."
fi
mv -f "$partial" "$signed"
echo "Signed $exe into $signed"
