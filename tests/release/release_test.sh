#!/usr/bin/env bash
# Release builds an operator can trust, checked from outside like an operator
# would, each in folders of its own.
#
#   release_test.sh signing      SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#   release_test.sh site         SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#   release_test.sh release      SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#   release_test.sh check        SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#
# TOOLCHAIN_FILE is the edition's (cmake/mingw-i686.cmake, mingw-x86_64.cmake);
# `release` builds both editions whatever it is, and `check` builds nothing.
set -euo pipefail
export OSTRIVANE_SETUP_DONE=1  # the tests run after the setup

check=${1:?} source_dir=$(cd "${2:?}" && pwd) work=${3:?} toolchain=$(basename "${4:?}")
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
servers=()  # what stalled_server and tsa_server started, ended on exit
trap 'kill "${servers[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# A copy of the sources (the working tree, without builds or history) at `dest`.
copy_sources() {
  mkdir -p "$1"
  tar -C "$source_dir" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$1" -xf -
}

clock=()  # a command configure and build run cmake through, when set: a faked clock
# configure SOURCE BUILD [CMAKE_ARGS...]: the release configuration, quietly.
configure() {
  local source=$1 build=$2
  shift 2
  "${clock[@]}" cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$source/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@" >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log" >&2; return 1; }
}

build() { "${clock[@]}" cmake --build "$1" >"$1.build.log" 2>&1 || { cat "$1.build.log" >&2; return 1; }; }
# logged WORDS LOG: LOG says WORDS, however CMake wrapped its lines.
logged() { tr '\n' ' ' <"$2" | tr -s ' ' | grep -qF "$1" || { cat "$2" >&2; fail "$2 does not say: $1"; }; }

# A throwaway signer: NAME.pem and its key NAME-key.pem, encrypted with the password.
export OSTRIVANE_SIGN_PASSWORD='correct horse'
pin=ostri-pin-8213
new_cert() {  # NAME SUBJECT [openssl req options]
  openssl req -x509 -newkey rsa:2048 -days 60 -subj "$2" -keyout "$work/$1-key.pem" -out "$work/$1.pem" \
    -passout env:OSTRIVANE_SIGN_PASSWORD "${@:3}" 2>/dev/null
}
# The key of NAME on a throwaway SoftHSM2 token "ostri", PIN $pin, object "signkey".
module=/usr/lib/softhsm/libsofthsm2.so
new_token() {
  [ -f "$module" ] || fail "SoftHSM2 is not installed: run scripts/setup-debian.sh"
  export SOFTHSM2_CONF="$work/softhsm2.conf"
  mkdir "$work/tokens" && echo "directories.tokendir = $work/tokens" >"$SOFTHSM2_CONF"
  softhsm2-util --init-token --free --label ostri --pin "$pin" --so-pin 5678 >/dev/null
  openssl pkey -in "$work/$1-key.pem" -passin env:OSTRIVANE_SIGN_PASSWORD |
    softhsm2-util --import /dev/stdin --token ostri --label signkey --id 01 --pin "$pin" >/dev/null
}
# stalled_server: $stalled, a timestamp server that accepts and never answers.
stalled_server() {
  /usr/bin/python3 -c 'import socket
listener = socket.create_server(("127.0.0.1", 0))
print(listener.getsockname()[1], flush=True)
held = [listener.accept() for _ in iter(int, 1)]' >"$work/stalled.port" &
  servers+=($!)
  while [ ! -s "$work/stalled.port" ]; do sleep 0.1; done
  stalled="http://127.0.0.1:$(cat "$work/stalled.port")/"
}
# tsa_server: $tsa, an RFC 3161 timestamp server that answers each request with openssl's reply.
tsa_server() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=TSA -addext extendedKeyUsage=critical,timeStamping \
    -keyout "$work/tsa-key.pem" -out "$work/tsa.pem" 2>/dev/null
  printf '[tsa]\ndefault_tsa = stamps\n[stamps]\nserial = %s/tsa.serial\nsigner_cert = %s/tsa.pem\nsigner_key = %s/tsa-key.pem\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\n' \
    "$work" "$work" "$work" >"$work/tsa.cnf"
  /usr/bin/python3 -c 'import http.server, subprocess, sys
class Stamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(("127.0.0.1", 0), Stamps)
print(server.server_port, flush=True)
server.serve_forever()' "$work/tsa.cnf" >"$work/tsa.port" 2>/dev/null &
  servers+=($!)
  while [ ! -s "$work/tsa.port" ]; do sleep 0.1; done
  tsa="http://127.0.0.1:$(cat "$work/tsa.port")/"
}
# A copy of the sources that is a git checkout of its own, at one commit: $work/src.
git_sources() {
  copy_sources "$work/src"
  git -C "$work/src" init --quiet
  git -C "$work/src" add -A
  git -C "$work/src" -c user.name=Ostrivane -c user.email=dev@ostrivane.invalid commit --quiet -m sources
}
# says NAME WORDS: the output of release.sh kept in $work/NAME.out says WORDS.
says() { grep -qF "$2" "$work/$1.out" || { cat "$work/$1.out" >&2; fail "release.sh ($1) did not say: $2"; }; }
# holds FILE WORDS...: FILE has a line that is exactly each of WORDS.
holds() {
  for line in "${@:2}"; do grep -qxF "$line" "$1" || { cat "$1" >&2; fail "$1 has no line: $line"; }; done
}

# verified FILE CERT: FILE carries a valid signature by CERT.
verified() {
  osslsigncode verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "$1 is not signed by $2"; }
}
# published DIR FILE...: DIR's SHA256SUMS checks, lists exactly FILE... besides the records, and
# release.json gives each executable the SHA-256 that SHA256SUMS does.
published() {
  (cd "$1" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS of $1 does not check"
  [ "$(cut -c67- "$1/SHA256SUMS" | grep -v -e '^release\.' | paste -sd ' ')" = "${*:2}" ] ||
    fail "SHA256SUMS of $1 lists $(cut -c67- "$1/SHA256SUMS" | paste -sd ' '), not ${*:2} and the records"
  /usr/bin/python3 -c 'import json, sys
sums = dict(reversed(line.split("  ", 1)) for line in open(sys.argv[1] + "/SHA256SUMS").read().splitlines())
record = json.load(open(sys.argv[1] + "/release.json"))
wrong = [e["file"] for e in record["editions"] if sums.get(e["file"]) != e["sha256"]]
sys.exit("release.json and SHA256SUMS differ on %s" % wrong if wrong else 0)' "$1" || fail "the records of $1 disagree"
}

case "$check" in
  signing)
    # The signing material, refused by --check before anything is built, in a line that names the file or
    # the token and never the password or PIN: certificates, keys and a bundle in every form the site file
    # takes, made here with openssl, and a key on a throwaway token.
    new_cert cert '/CN=Ostrivane test signer'
    openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/cert-key.pem" -out "$work/cert.p12" \
      -passin env:OSTRIVANE_SIGN_PASSWORD -passout env:OSTRIVANE_SIGN_PASSWORD
    new_token cert
    openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
    token="pkcs11:token=ostri;object=signkey;type=private"
    # Each refusal in one line that names the file or the token, and never the password or PIN.
    new_cert other '/CN=Someone else'
    new_cert tls /CN=www.trelvik.example -addext extendedKeyUsage=serverAuth
    openssl pkcs12 -export -in "$work/tls.pem" -inkey "$work/tls-key.pem" -out "$work/tls.p12" \
      -passin env:OSTRIVANE_SIGN_PASSWORD -passout env:OSTRIVANE_SIGN_PASSWORD
    # The clock stopped (-f), so the dates are exactly these however long the key takes.
    faketime -f '2020-01-01 12:00:00' openssl req -x509 -newkey rsa:2048 -days 2 -subj /CN=Expired -nodes \
      -keyout "$work/old-key.pem" -out "$work/old.pem" 2>/dev/null
    cat "$work/other.pem" "$work/cert.pem" >"$work/foreign-chain.pem"
    echo "not a certificate" >"$work/garbage.pem"
    refused() {  # WORDS CERT KEY MODULE [TIMESTAMP]: --check of a site file signing so refuses, saying WORDS
      local said status=0
      { echo 'host = "www.signing.example"'; echo '[signing]'; echo "certificate = \"$2\""
        [ -z "$3" ] || echo "key = \"$3\""; [ -z "$4" ] || echo "pkcs11_module = \"$4\""
        [ -z "${5:-}" ] || echo "timestamp = [\"$5\"]"; } >"$work/signing.toml"
      said=$(timeout 120 "$source_dir/scripts/release.sh" --check --allow-dirty --unchecked i686 "$work/signing.toml" 2>&1) ||
        status=$?
      line=$(grep '^release.sh: ' <<<"$said" || true)
      [ "$status" = 1 ] && [ "$(wc -l <<<"$line")" = 1 ] && [[ $line == *"$1"* ]] ||
        fail "--check of signing ${*:2} (exit $status) did not say in one line: $1; it said: $said"
      if [[ $said == *"${OSTRIVANE_SIGN_PASSWORD:-unset}"* || $said == *"$pin"* ]]; then fail "a secret was shown: $said"; fi
    }
    refused "certificate \"$work/missing.pem\" cannot be read" "$work/missing.pem" "$work/cert-key.pem" ""
    refused "certificate \"$work\" is a folder" "$work" "$work/cert-key.pem" ""
    refused "is a certificate without its key" "$work/cert.der" "" ""
    refused "is not a PEM or DER certificate" "$work/garbage.pem" "$work/cert-key.pem" ""
    refused "is not the private key of the certificate \"$work/cert.pem\"" "$work/cert.pem" "$work/other-key.pem" ""
    refused "its certificate \"CN=Someone else\" is not in the chain" "$work/foreign-chain.pem" "$work/cert-key.pem" ""
    refused "key \"$work/garbage.pem\" is not a PEM private key" "$work/cert.pem" "$work/garbage.pem" ""
    refused "has expired (valid from 2020-01-01 12:00:00 UTC" "$work/old.pem" "$work/old-key.pem" ""
    refused "\"$work/tls.p12\" is not for signing code: its extended key usage is serverAuth" "$work/tls.p12" "" ""
    refused "is not an http:// or https:// address" "$work/cert.pem" "$work/cert-key.pem" "" "ftp://stamps.example"
    (export OSTRIVANE_SIGN_PASSWORD=$pin
     refused "names no private key on its token" "$work/cert.der" "pkcs11:token=ostri;object=nokey" "$module"
     refused "pkcs11_module \"$work/garbage.pem\" is not a PKCS#11 library" "$work/cert.der" "$token" "$work/garbage.pem"
     refused "holds the token's PIN (pin-value)" "$work/cert.der" "$token?pin-value=$pin" "$module")
    (export OSTRIVANE_SIGN_PASSWORD=wrong
     refused "does not hold the password of key \"$work/cert-key.pem\"" "$work/cert.pem" "$work/cert-key.pem" ""
     refused "does not hold the password of the PKCS#12 bundle" "$work/cert.p12" "" ""
     refused "does not hold the PIN of the token" "$work/cert.der" "$token" "$module")
    (unset OSTRIVANE_SIGN_PASSWORD
     refused "is encrypted and OSTRIVANE_SIGN_PASSWORD is not set" "$work/cert.pem" "$work/cert-key.pem" "")
    # A key that is not RSA, in a file, a bundle or on the token: Windows 11 would not start what it signed.
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -days 60 -subj /CN=EC -keyout "$work/ec-key.pem" \
      -out "$work/ec.pem" -passout env:OSTRIVANE_SIGN_PASSWORD 2>/dev/null
    openssl pkcs12 -export -in "$work/ec.pem" -inkey "$work/ec-key.pem" -out "$work/ec.p12" \
      -passin env:OSTRIVANE_SIGN_PASSWORD -passout env:OSTRIVANE_SIGN_PASSWORD
    openssl pkey -in "$work/ec-key.pem" -passin env:OSTRIVANE_SIGN_PASSWORD |
      softhsm2-util --import /dev/stdin --token ostri --label eckey --id 02 --pin "$pin" >/dev/null
    not_rsa="elliptic-curve (secp256r1) key, not an RSA key: Windows 11's Smart App Control accepts only RSA signatures"
    refused "key \"$work/ec-key.pem\" is an $not_rsa" "$work/ec.pem" "$work/ec-key.pem" ""
    refused "the key in the bundle \"$work/ec.p12\" is an $not_rsa" "$work/ec.p12" "" ""
    (export OSTRIVANE_SIGN_PASSWORD=$pin
     refused "object=eckey;type=private\" is an ${not_rsa/ (secp256r1)/}" "$work/ec.pem" \
       "pkcs11:token=ostri;object=eckey;type=private" "$module")
    ;;

  site)
    # An ordinary build after a new version or picture embeds them.
    copy_sources "$work/src"
    cp "$source_dir/tests/data/two-colour-mark.png" "$work/mark.png"
    configure "$work/src" "$work/build" -DSITE_HOST=www.hanbit-books.example -DSITE_BRAND=한빛 \
      -DSITE_ICON="$work/mark.png"
    build "$work/build"
    first=$(sha256sum "$work/build/Ostrivane.exe")
    convert -size 64x64 xc:navy "$work/mark.png"
    echo 1.2.3 >"$work/src/version.txt"
    build "$work/build"
    [ "$(sha256sum "$work/build/Ostrivane.exe")" != "$first" ] || fail "the build did not change"
    # The version record's strings, in UTF-16, and the new picture's navy (BGRA 80 00 00 FF).
    LC_ALL=C grep -qaP '1\x00\.\x000\x002\x00\.\x003\x00' "$work/build/Ostrivane.exe" ||
      fail "the version record is not 1.02.3 after an ordinary rebuild"
    LC_ALL=C grep -qaP '(\x80\x00\x00\xff){48}' "$work/build/Ostrivane.exe" || fail "the new picture is not embedded"
    echo "rebranded and rebuilt"
    ;;

  release)
    # The operator's one command, in a copy of the sources (dist/ and build/ are the copy's):
    # a mixed-case host, brand 한빛, a PNG mark, a key on a token whose certificate
    # (expiring within 30 days) follows its root in the file. The copy is a git
    # checkout of its own, so that the record can name its commit.
    git_sources
    mkdir "$work/site"
    cp "$source_dir/tests/data/two-colour-mark.png" "$work/site/mark.png"
    openssl req -x509 -newkey rsa:2048 -nodes -days 60 -subj '/CN=Ostrivane test root' -keyout "$work/root-key.pem" \
      -out "$work/root.pem" -addext basicConstraints=critical,CA:true 2>/dev/null
    openssl req -newkey rsa:2048 -subj '/CN=Hanbit Books' -keyout "$work/hanbit-key.pem" -out "$work/hanbit.csr" \
      -passout env:OSTRIVANE_SIGN_PASSWORD 2>/dev/null
    openssl x509 -req -in "$work/hanbit.csr" -CA "$work/root.pem" -CAkey "$work/root-key.pem" -days 20 \
      -extfile <(echo extendedKeyUsage=codeSigning) -out "$work/hanbit.pem" 2>/dev/null
    cat "$work/root.pem" "$work/hanbit.pem" >"$work/chain.pem"
    new_token hanbit
    cat >"$work/site/hanbit.toml" <<SITE
host = "WWW.Hanbit-Books.Example"
brand = "한빛"
icon = "mark.png"
file_name = "Hanbit"
[signing]
certificate = "../chain.pem"
key = "pkcs11:token=ostri;object=signkey;type=private"
pkcs11_module = "$module"
SITE
    export OSTRIVANE_SIGN_PASSWORD=$pin
    # release NAME STATUS [ARGS...]: scripts/release.sh ARGS on site/NAME.toml ends with STATUS, printing no
    # local path and no PIN; its output in $work/NAME.out, the seconds it took in $took.
    release() {
      local start=$SECONDS status=0
      "$work/src/scripts/release.sh" --unchecked i686 "${@:3}" "$work/site/$1.toml" >"$work/$1.out" 2>&1 || status=$?
      [ "$status" = "$2" ] || { cat "$work/$1.out" >&2; fail "the release of $1 ended with $status"; }
      took=$((SECONDS - start))
      local secrets=(-e "$source_dir" -e "$work" -e "$pin" -e "$OSTRIVANE_SIGN_PASSWORD")
      if grep -rqaF "${secrets[@]}" "$work/$1.out" "$work/src/dist"; then
        grep -raF "${secrets[@]}" "$work/$1.out" "$work/src/dist" >&2
        fail "a local path or the PIN was printed or published"
      fi
    }
    snapshot() { (cd "$work/src/dist" && find . | sort && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
    release hanbit 0
    whole_release=$took
    # before_any_build WHAT: the last command, a refusal before any build, took a fraction of the time
    # the whole release took in this run, so that a busy machine weighs on both alike.
    before_any_build() {
      [ $((took * 4)) -le "$whole_release" ] || fail "$1 took $took s, the whole release $whole_release s"
    }
    dist=$work/src/dist/www.hanbit-books.example
    for exe in "$dist/Hanbit-32bit.exe" "$dist/Hanbit-64bit.exe"; do verified "$exe" "$work/root.pem"; done
    fingerprint=$(openssl x509 -in "$work/hanbit.pem" -outform DER | sha256sum | cut -d' ' -f1)
    for line in "Signer: CN=Hanbit Books" "Issuer: CN=Ostrivane test root" "Certificate SHA-256: ${fingerprint^^}" \
                "Trust: private root" "Warning: the certificate expires within 30 days" \
                "Site: https://www.hanbit-books.example"; do
      grep -qF "$line" "$dist/release.txt" || { cat "$dist/release.txt" >&2; fail "release.txt does not say: $line"; }
    done
    says hanbit "warning: the certificate expires within 30 days"
    says hanbit "not at a root that Windows trusts: Windows and SmartScreen will treat the file as from an unknown publisher"
    [ "$(ls -A "$work/src/dist")" = www.hanbit-books.example ] || fail "dist/ holds more than the release: $(ls -A "$work/src/dist")"
    # What it is: its first line, its commit and date, both editions under their own names, the records
    # and checksums agreeing, the screenshots of its run, and an edition Wine could not run said unrun.
    head -n 1 "$work/hanbit.out" | grep -qF "Releasing Ostrivane $(cat "$source_dir/version.txt") for https://www.hanbit-books.example" ||
      fail "the first line does not say what is released: $(head -n 1 "$work/hanbit.out")"
    holds "$dist/release.txt" "Source commit: $(git -C "$work/src" rev-parse HEAD)"
    grep -qx "Date: $(date -u +%Y-%m-%d) [0-9:]* UTC" "$dist/release.txt" || fail "release.txt has no date of today (UTC)"
    published "$dist" Hanbit-32bit.exe Hanbit-64bit.exe screenshots/Hanbit-64bit-form1.png \
      screenshots/Hanbit-64bit-messagebox.png
    if grep -qF "Checked: not run:" "$dist/release.txt"; then
      holds "$dist/release.txt" "  Checked: not run: Wine could not run the 32-bit edition on the machine that built it (released with --unchecked i686)"
      says hanbit "was published without having been run"
    fi
    before=$(snapshot)

    # Anyone with the source rebuilds it and finds each file that build, signed; a downloaded
    # copy whose file was changed and signed again with the same key is found, against the same
    # rebuild; neither look changes dist/. The rebuild runs from a clone in another, deeper folder,
    # years later by the clock (NO_FAKE_STAT=1: not the file times Ninja compares), so passing
    # shows both editions reproducible; the release's grep above shows no build path embedded.
    command -v faketime >/dev/null || fail "faketime is not installed: run scripts/setup-debian.sh"
    cp -r "$dist" "$work/download"
    osslsigncode remove-signature -in "$dist/Hanbit-64bit.exe" -out "$work/unsigned.exe" >/dev/null
    /usr/bin/python3 -c 'import sys
data = open(sys.argv[1], "rb").read()
open(sys.argv[1], "wb").write(data.replace(b"DOS mode", b"DOS Mode", 1))' "$work/unsigned.exe"
    rm "$work/download/Hanbit-64bit.exe"
    osslsigncode sign -h sha256 -certs "$work/hanbit.pem" -key "$work/hanbit-key.pem" -pass 'correct horse' \
      -in "$work/unsigned.exe" -out "$work/download/Hanbit-64bit.exe" >/dev/null
    status=0
    env -u SOURCE_DATE_EPOCH NO_FAKE_STAT=1 faketime '2041-03-14 09:26:53' \
      "$work/src/scripts/release.sh" --verify "$work/site/hanbit.toml" "$dist" "$work/download" >"$work/verify.out" 2>&1 ||
      status=$?
    [ "$status" = 1 ] || { cat "$work/verify.out" >&2; fail "--verify ended with $status on a changed file"; }
    for file in Hanbit-32bit.exe Hanbit-64bit.exe; do
      grep -qF "www.hanbit-books.example/$file is the build of commit $(git -C "$work/src" rev-parse --short=12 HEAD) with its signature attached, byte for byte" \
        "$work/verify.out" || { cat "$work/verify.out" >&2; fail "--verify did not find the published $file the build"; }
    done
    grep -qF "download/Hanbit-32bit.exe is the build of commit" "$work/verify.out" ||
      { cat "$work/verify.out" >&2; fail "--verify did not pass the unchanged downloaded file"; }
    grep -qF "download/Hanbit-64bit.exe differs from the build of its commit" "$work/verify.out" ||
      { cat "$work/verify.out" >&2; fail "--verify did not name the changed file"; }
    [ "$(grep -c "cloned this repository" "$work/verify.out")" = 1 ] || fail "--verify rebuilt a copy again"
    [ "$(snapshot)" = "$before" ] || fail "--verify changed dist/"
    # A site file changed since the release is named before anything is built.
    sed 's/^brand = .*/brand = "Hanbit"/' "$work/site/hanbit.toml" >"$work/site/rebranded.toml"
    start=$SECONDS status=0
    "$work/src/scripts/release.sh" --verify "$work/site/rebranded.toml" >"$work/rebranded.out" 2>&1 || status=$?
    took=$((SECONDS - start))
    [ "$status" = 1 ] && ! grep -q cloned "$work/rebranded.out" ||
      { cat "$work/rebranded.out" >&2; fail "--verify after a new brand ended with $status, or built"; }
    before_any_build "--verify after a new brand"
    says rebranded "the site file's brand is \"Hanbit\", the release's \"한빛\""

    # A wrong PIN: nothing changes (timestamp servers that fail are the check's).
    OSTRIVANE_SIGN_PASSWORD=wrong-pin release hanbit 1
    before_any_build "a wrong PIN's refusal"
    says hanbit "does not hold the PIN of the token"
    says hanbit "Nothing was published: dist/www.hanbit-books.example/ still holds the previous release"
    [ "$(snapshot)" = "$before" ] || fail "a failed release changed dist/"

    # A second site, self-signed with a key file, from a changed checkout: stopped before any build
    # unless let go, then said so on screen and in its record; nothing of the first in it, the first
    # as it was.
    echo "// changed" >>"$work/src/app/main.cpp"
    new_cert other '/CN=Other Site' -nodes
    printf 'host = "www.other-site.example"\n[signing]\ncertificate = "../other.pem"\nkey = "../other-key.pem"\n' \
      >"$work/site/other.toml"
    release other 1
    before_any_build "the refusal of a changed checkout"
    says other "the checkout has uncommitted changes (app/main.cpp)"
    [ ! -e "$work/src/build/release/www.other-site.example" ] || fail "a release from a changed checkout built"
    release other 0 --allow-dirty
    other=$work/src/dist/www.other-site.example
    verified "$other/Ostrivane-64bit.exe" "$work/other.pem"
    published "$other" Ostrivane-32bit.exe Ostrivane-64bit.exe screenshots/Ostrivane-64bit-form1.png \
      screenshots/Ostrivane-64bit-messagebox.png
    holds "$other/release.txt" "Source commit: $(git -C "$work/src" rev-parse HEAD), with uncommitted changes" \
      "Trust: self-signed"
    says other "warning: the certificate \"CN=Other Site\" is self-signed: Windows and SmartScreen will treat"
    /usr/bin/python3 -c 'import sys
found = [word for file in sys.argv[1:] for word in ("한빛", "hanbit", "Hanbit") for code in ("utf-8", "utf-16-le")
         if word.encode(code) in open(file, "rb").read()]
sys.exit("the second site carries %s" % found if found else 0)' \
      "$other/"{release.txt,release.json,Ostrivane-32bit.exe,Ostrivane-64bit.exe}
    [ "$(snapshot | grep -v other-site)" = "$before" ] || fail "the second release changed the first"
    echo "released both editions whole under their own names, said what it is, verified it against a rebuild"
    echo "years later elsewhere (both editions reproducible) and found a changed file and a changed site file;"
    echo "refused a wrong PIN and a changed checkout; said a self-signed release so; no leak between sites"
    ;;

  check)
    # Help and every check that needs no build, each answered before anything is built.
    git_sources
    release_sh=$work/src/scripts/release.sh
    "$release_sh" --help >"$work/help.out" || fail "--help failed"
    grep -q "^usage: scripts/release.sh .*SITE.toml" "$work/help.out" || fail "--help printed no usage"
    # tries NAME STATUS ARGS...: release.sh ARGS ends with STATUS, its output in $work/NAME.out.
    tries() {
      local status=0
      "$release_sh" "${@:3}" >"$work/$1.out" 2>&1 || status=$?
      [ "$status" = "$2" ] || { cat "$work/$1.out" >&2; fail "release.sh ${*:3} ended with $status, not $2"; }
    }
    # Where Wine cannot run the 32-bit edition: stopped, with the probe's reason, unless let go unrun.
    export OSTRIVANE_NO_32BIT=1
    tries no32 1 --check "$work/src/sites/example.toml"
    says no32 "Wine cannot run the 32-bit edition (i686) here"
    says no32 "OSTRIVANE_NO_32BIT is set"
    says no32 "give --unchecked i686 to release it unrun"
    tries example 0 --check --unchecked i686 "$work/src/sites/example.toml"
    head -n 1 "$work/example.out" | grep -qF "Ostrivane $(cat "$source_dir/version.txt") for https://www.trelvik.example" ||
      fail "the first line does not name the version and the site: $(head -n 1 "$work/example.out")"
    says example "unsigned"
    says example "Destination: dist/www.trelvik.example/, which does not exist yet"
    says example "i686) will not be run (--unchecked i686)"
    says example "Files: Ostrivane-32bit.exe (the 32-bit edition (i686)), Ostrivane-64bit.exe"
    says example "Nothing was built. Release with: scripts/release.sh --unchecked i686 "
    # A version the build would refuse, refused first; and a program the release calls, missing.
    for version in "" v1.0.1 1.0 1.0.70000; do
      echo "$version" >"$work/src/version.txt"
      tries version 1 --check --unchecked i686 "$work/src/sites/example.toml"
      says version "release.sh: version.txt: \"$version\""
    done
    git -C "$work/src" checkout --quiet version.txt
    mkdir "$work/bin"
    ln -s /usr/bin/* "$work/bin/" && rm "$work/bin/osslsigncode"
    printf 'host = "www.signed.example"\n[signing]\ncertificate = "c.pem"\n' >"$work/signed.toml"
    PATH=$work/bin tries nossl 1 --check --unchecked i686 "$work/signed.toml"
    says nossl "release.sh: the release calls osslsigncode (package osslsigncode), which is not installed"
    # The same refusal stops a release before its first compile.
    tries release 1 "$work/src/sites/example.toml"
    says release "Nothing was published: dist/ holds no release of this site."

    # A timestamp server that never answers fails the check within its 30 s, naming it.
    new_cert cert '/CN=Ostrivane test signer' -nodes
    stalled_server
    mkdir "$work/site"
    printf '[signing]\ncertificate = "../cert.pem"\nkey = "../cert-key.pem"\ntimestamp = ["%s"]\n' "$stalled" |
      cat <(echo 'host = "www.stalled.example"') - >"$work/site/stalled.toml"
    start=$SECONDS
    tries stalled 1 --check --unchecked i686 "$work/site/stalled.toml"
    stalled_took=$((SECONDS - start))
    says stalled "no timestamp server gives a timestamp: $stalled gave no answer within 30 s"
    # A release asks first too, so such servers fail it before the first compile.
    printf 'timestamp = ["%s", "http://127.0.0.1:9/"]\n' "$stalled" | cat "$work/site/stalled.toml" - |
      grep -v '^timestamp = \["http://127.0.0.1:[0-9]*/"\]$' >"$work/site/stalled-release.toml"
    tries stalled-release 1 --unchecked i686 "$work/site/stalled-release.toml"
    says stalled-release "$stalled gave no answer within 30 s; http://127.0.0.1:9/ could not be reached"
    says stalled-release "Nothing was published"
    # One server that gives a timestamp is enough; the one that does not is named.
    tsa_server
    sed "s|\"$stalled\"|\"http://127.0.0.1:9/\", \"$tsa\"|" "$work/site/stalled.toml" >"$work/site/stamped.toml"
    start=$SECONDS
    tries stamped 0 --check --unchecked i686 "$work/site/stamped.toml"
    # The stalled server's 30 s, and little more than the same check takes with a server that answers, in
    # this run: a busy machine slows both alike.
    answered_took=$((SECONDS - start))
    [ "$stalled_took" -le $((30 + 3 * answered_took + 10)) ] ||
      fail "--check took $stalled_took s on a stalled timestamp server, $answered_took s on one that answers"
    says stamped "asked each timestamp server for a timestamp: 1 of 2 gave one"
    says stamped "warning: timestamp server http://127.0.0.1:9/ could not be reached"

    # True messages: a bundle with a key, an icon not in the site file's folder, and dist/ as it is.
    openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/cert-key.pem" -out "$work/cert.p12" -passout pass: 
    printf 'host = "www.bundle.example"\n[signing]\ncertificate = "../cert.p12"\nkey = "../cert-key.pem"\n' \
      >"$work/site/bundle.toml"
    tries bundle 1 --check --unchecked i686 "$work/site/bundle.toml"
    says bundle "is a PKCS#12 bundle, which holds its own key and takes no key"
    mkdir -p "$work/src/dist/www.bundle.example"
    tries bundle 1 --unchecked i686 "$work/site/bundle.toml"
    says bundle "Nothing was published: dist/www.bundle.example/ still holds the previous release, unchanged."
    printf 'host = "www.icon.example"\nicon = "marks/mark.png"\n' >"$work/site/icon.toml"
    tries icon 1 --unchecked i686 "$work/site/icon.toml"
    says icon "icon \"marks/mark.png\" does not exist in the site file's folder \"$work/site\""
    says icon "Nothing was published: dist/ still holds, unchanged, the releases of www.bundle.example."
    [ ! -e "$work/src/build" ] || fail "a check built something: $(ls "$work/src/build")"
    echo "help, checks before any build and their refusals in bounded time; nothing built"
    ;;

  *)
    fail "unknown check '$check'"
    ;;
esac
