#!/usr/bin/env bash
# Release builds an operator can trust, checked from outside like an operator
# would: each check configures and builds the release in folders of its own.
#
#   release_test.sh reproducible SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#   release_test.sh signing      SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#   release_test.sh site         SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
#
# TOOLCHAIN_FILE is the edition's (cmake/mingw-i686.cmake, mingw-x86_64.cmake).
set -euo pipefail

check=${1:?} source_dir=$(cd "${2:?}" && pwd) work=${3:?} toolchain=$(basename "${4:?}")
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Where a release for HOST lands under a dist folder: each edition in its own.
released() { if [ "$toolchain" = mingw-x86_64.cmake ]; then echo "$1/$2/x64"; else echo "$1/$2"; fi; }

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

# expect_configure_error WORDS [CMAKE_ARGS...]: configure must fail and say WORDS.
expect_configure_error() {
  local words=$1 build="$work/refused-$RANDOM"
  shift
  if configure "$source_dir" "$build" "$@" 2>/dev/null; then fail "configure accepted $*"; fi
  tr '\n' ' ' <"$build.configure.log" | tr -s ' ' | grep -qF "$words" ||
    { cat "$build.configure.log" >&2; fail "configure did not say: $words"; }
  echo "refused as expected: $words"
}

# expect_build_error WORDS: the signed build must fail and say WORDS.
expect_build_error() {
  if build "$work/build" 2>/dev/null; then fail "the build succeeded"; fi
  grep -qF "$1" "$work/build.build.log" || { cat "$work/build.build.log" >&2; fail "the build did not say: $1"; }
}

case "$check" in
  reproducible)
    # Two checkouts in different folders, at different depths, the second built years
    # later. NO_FAKE_STAT=1: only the clock is faked, not the file times Ninja compares.
    command -v faketime >/dev/null || fail "faketime is not installed: run scripts/setup-debian.sh"
    copy_sources "$work/one/src"
    copy_sources "$work/second/checkout/of/ostrivane"
    for tree in "$work/one/src" "$work/second/checkout/of/ostrivane"; do
      [ "$tree" = "$work/one/src" ] || clock=(env -u SOURCE_DATE_EPOCH NO_FAKE_STAT=1 faketime '2041-03-14 09:26:53')
      configure "$tree" "$tree/build" -DOSTRIVANE_DIST_DIR="$tree/dist"
      build "$tree/build"
    done
    one=$(released "$work/one/src/dist" www.trelvik.example)
    second=$(released "$work/second/checkout/of/ostrivane/dist" www.trelvik.example)
    cmp "$one/Ostrivane.exe" "$second/Ostrivane.exe" || fail "the two release builds differ"
    cmp "$one/Ostrivane.exe.sha256" "$second/Ostrivane.exe.sha256"
    (cd "$one" && sha256sum --check --quiet Ostrivane.exe.sha256)
    if grep -qa "$work" "$one/Ostrivane.exe"; then fail "a build path is embedded"; fi
    echo "byte-identical: $(cut -d' ' -f1 "$one/Ostrivane.exe.sha256")"
    ;;

  signing)
    published=$(released "$work/dist" www.trelvik.example)/Ostrivane.exe
    # expect_signed_by CERT SUBJECT KEY_PLACE: the published file verifies with CERT, its
    # checksum is of the signed file, and the Published line names SUBJECT, expiry, KEY_PLACE.
    expect_signed_by() {
      osslsigncode verify -CAfile "$1" -in "$published" >"$work/verify.log" 2>&1 &&
        grep -q "Signature verification: ok" "$work/verify.log" ||
        { cat "$work/verify.log" >&2; fail "the published file is not signed by $1"; }
      (cd "$(dirname "$published")" && sha256sum --check --quiet Ostrivane.exe.sha256) || fail "checksum is not of the signed file"
      local until words
      until=$(date -u -d "$(openssl x509 -in "$1" -noout -enddate | cut -d= -f2)" +%F)
      words="Published $published for https://www.trelvik.example (signed with \"$2\" (valid until $until), key $3)"
      grep -qF "$words" "$work/build.build.log" || fail "the build did not say: $words"
      echo "signed and verified: $2, key $3"
    }
    export OSTRIVANE_SIGN_PASSWORD='correct horse'
    new_cert() {  # NAME SUBJECT [openssl req options]: NAME.pem and its key NAME-key.pem, encrypted
      openssl req -x509 -newkey rsa:2048 -days 2 -subj "$2" -keyout "$work/$1-key.pem" -out "$work/$1.pem" \
        -passout env:OSTRIVANE_SIGN_PASSWORD "${@:3}" 2>/dev/null
    }
    new_cert cert '/CN=Ostrivane test signer'
    new_cert other '/CN=Someone else'
    echo "not a certificate" >"$work/garbage.pem"

    configure "$source_dir" "$work/build" -DSIGN_CERT="$work/cert.pem" -DSIGN_KEY="$work/cert-key.pem" \
      -DOSTRIVANE_DIST_DIR="$work/dist"
    build "$work/build"
    expect_signed_by "$work/cert.pem" "CN=Ostrivane test signer" "in a file $work/cert-key.pem"
    grep -q "Timestamp is not available" "$work/verify.log" || fail "the signature carries a timestamp"
    # Renewed at the same paths: the next ordinary build signs with the new pair.
    new_cert cert '/CN=Ostrivane renewed signer' -addext extendedKeyUsage=codeSigning
    build "$work/build"
    expect_signed_by "$work/cert.pem" "CN=Ostrivane renewed signer" "in a file $work/cert-key.pem"

    # What only the build finds out: its password, the timestamp server (a closed
    # local port). The signed file published before stays.
    configure "$source_dir" "$work/build" -DSIGN_TIMESTAMP_URL=http://127.0.0.1:9/
    (unset OSTRIVANE_SIGN_PASSWORD && expect_build_error "key.pem\" is encrypted and OSTRIVANE_SIGN_PASSWORD is not set")
    expect_build_error "the timestamp server http://127.0.0.1:9/ could not be reached"
    (cd "$(dirname "$published")" && sha256sum --check --quiet Ostrivane.exe.sha256) || fail "a failed signing touched dist/"

    # The same pair as a PKCS#12 bundle, then its key on a SoftHSM2 token with the certificate in DER.
    openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/cert-key.pem" -out "$work/bundle.p12" \
      -passin env:OSTRIVANE_SIGN_PASSWORD -passout env:OSTRIVANE_SIGN_PASSWORD
    configure "$source_dir" "$work/build" -DSIGN_CERT="$work/bundle.p12" -DSIGN_KEY= -DSIGN_TIMESTAMP_URL=
    build "$work/build"
    expect_signed_by "$work/cert.pem" "CN=Ostrivane renewed signer" "in a PKCS#12 bundle $work/bundle.p12"
    module=/usr/lib/softhsm/libsofthsm2.so
    [ -f "$module" ] || fail "SoftHSM2 is not installed: run scripts/setup-debian.sh"
    export SOFTHSM2_CONF="$work/softhsm2.conf" OSTRIVANE_SIGN_PASSWORD=1234
    mkdir "$work/tokens" && echo "directories.tokendir = $work/tokens" >"$SOFTHSM2_CONF"
    softhsm2-util --init-token --free --label ostri --pin 1234 --so-pin 5678 >/dev/null
    openssl pkey -in "$work/cert-key.pem" -passin 'pass:correct horse' | softhsm2-util --import /dev/stdin \
      --token ostri --label signkey --id 01 --pin 1234 >/dev/null
    openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
    token=(-DSIGN_CERT="$work/cert.der" -DSIGN_PKCS11_MODULE="$module")
    configure "$source_dir" "$work/build" "${token[@]}" -DSIGN_KEY='pkcs11:token=ostri;object=signkey;type=private'
    build "$work/build"
    expect_signed_by "$work/cert.pem" "CN=Ostrivane renewed signer" \
      "on the PKCS#11 token pkcs11:token=ostri;object=signkey;type=private through $module"
    expect_configure_error "\"pkcs11:token=ostri;object=nokey\" names no private key on its token" \
      "${token[@]}" -DSIGN_KEY='pkcs11:token=ostri;object=nokey'
    expect_configure_error "SIGN_PKCS11_MODULE \"$work/garbage.pem\" is not a PKCS#11 library that loads" \
      "${token[@]}" -DSIGN_KEY='pkcs11:token=ostri;object=signkey' -DSIGN_PKCS11_MODULE="$work/garbage.pem"
    export OSTRIVANE_SIGN_PASSWORD='correct horse'

    # Certificates Windows would refuse: expired, and one for TLS servers only (in a bundle).
    faketime '2020-01-01 12:00:00' openssl req -x509 -newkey rsa:2048 -days 2 -subj /CN=Expired -nodes \
      -keyout "$work/old-key.pem" -out "$work/old.pem" 2>/dev/null
    expect_configure_error "SIGN_CERT \"$work/old.pem\" has expired (valid from 2020-01-01 12:00" \
      -DSIGN_CERT="$work/old.pem" -DSIGN_KEY="$work/old-key.pem"
    new_cert tls /CN=www.trelvik.example -addext extendedKeyUsage=serverAuth
    openssl pkcs12 -export -in "$work/tls.pem" -inkey "$work/tls-key.pem" -out "$work/tls.p12" \
      -passin env:OSTRIVANE_SIGN_PASSWORD -passout env:OSTRIVANE_SIGN_PASSWORD
    expect_configure_error "\"$work/tls.p12\" is not for signing code: its extended key usage is TLS Web Server" \
      -DSIGN_CERT="$work/tls.p12"

    # Unsigned without the options, and it says so; another host is named.
    configure "$source_dir" "$work/unsigned" -DSITE_HOST=www.example.org
    grep -q "will not be signed" "$work/unsigned.configure.log" || fail "an unsigned build does not say so"
    grep -q "opens https://www.example.org, not the default" "$work/unsigned.configure.log" || fail "host not named"

    expect_configure_error "SIGN_CERT file \"$work/missing.pem\" does not exist" \
      -DSIGN_CERT="$work/missing.pem" -DSIGN_KEY="$work/cert-key.pem"
    expect_configure_error "SIGN_CERT \"$work\" is a folder, not a file" -DSIGN_CERT="$work" -DSIGN_KEY="$work/cert-key.pem"
    expect_configure_error "is a certificate without its key: give the key as SIGN_KEY" -DSIGN_CERT="$work/cert.der"
    expect_configure_error "is not a PEM or DER certificate" \
      -DSIGN_CERT="$work/garbage.pem" -DSIGN_KEY="$work/cert-key.pem"
    expect_configure_error "is not the private key of SIGN_CERT" \
      -DSIGN_CERT="$work/cert.pem" -DSIGN_KEY="$work/other-key.pem"
    expect_configure_error "SIGN_KEY \"$work/garbage.pem\" is not a PEM private key" \
      -DSIGN_CERT="$work/cert.pem" -DSIGN_KEY="$work/garbage.pem"
    OSTRIVANE_SIGN_PASSWORD=wrong expect_configure_error "does not hold the password of SIGN_KEY \"$work/cert-key.pem\"." \
      -DSIGN_CERT="$work/cert.pem" -DSIGN_KEY="$work/cert-key.pem"
    OSTRIVANE_SIGN_PASSWORD=wrong expect_configure_error "does not hold the password of the PKCS#12 bundle" \
      -DSIGN_CERT="$work/bundle.p12"
    (unset OSTRIVANE_SIGN_PASSWORD && expect_configure_error "is encrypted and OSTRIVANE_SIGN_PASSWORD is not set" \
      -DSIGN_CERT="$work/cert.pem" -DSIGN_KEY="$work/cert-key.pem")
    ;;

  site)
    # One configure line makes a whole release for another site; an ordinary
    # build after a new version or picture embeds them.
    copy_sources "$work/src"
    cp "$source_dir/tests/data/two-colour-mark.png" "$work/mark.png"
    configure "$work/src" "$work/build" -DSITE_HOST=www.hanbit-books.example -DSITE_BRAND=한빛 \
      -DSITE_ICON="$work/mark.png" -DOSTRIVANE_DIST_DIR="$work/dist"
    build "$work/build"
    dist=$(released "$work/dist" www.hanbit-books.example)
    (cd "$dist" && sha256sum --check --quiet Ostrivane.exe.sha256) || fail "no checked release in $dist"
    grep -qF 'Brand: 한빛 (caption "한빛 솔루션(v1.0.0)", shortcut description "한빛바로가기")' "$dist/release.txt" &&
      grep -qF "Site: https://www.hanbit-books.example" "$dist/release.txt" ||
      { cat "$dist/release.txt" >&2; fail "the release record does not say what was built"; }
    first=$(cut -d' ' -f1 "$dist/Ostrivane.exe.sha256")

    convert -size 64x64 xc:navy "$work/mark.png"
    sed -i 's/^project(Ostrivane VERSION 1.0.0/project(Ostrivane VERSION 1.2.3/' "$work/src/CMakeLists.txt"
    build "$work/build"
    grep -qF "Icon: $work/mark.png (SHA-256 $(sha256sum "$work/mark.png" | cut -d' ' -f1))" "$dist/release.txt" ||
      fail "the record does not name the new picture"
    [ "$(cut -d' ' -f1 "$dist/Ostrivane.exe.sha256")" != "$first" ] || fail "the release did not change"
    # The version record's strings, in UTF-16, and the new picture's navy (BGRA 80 00 00 FF).
    LC_ALL=C grep -qaP '1\x00\.\x000\x002\x00\.\x003\x00' "$dist/Ostrivane.exe" ||
      fail "the version record is not 1.02.3 after an ordinary rebuild"
    LC_ALL=C grep -qaP '(\x80\x00\x00\xff){48}' "$dist/Ostrivane.exe" || fail "the new picture is not embedded"
    echo "rebranded and rebuilt: $dist"

    expect_configure_error 'SITE_BRAND "Trel vik" cannot be the brand word: it contains a line break (U+000A)' \
      -DSITE_BRAND="$(printf 'Trel\nvik')"
    expect_configure_error "SITE_ICON \"$work/missing.png\" does not exist." -DSITE_ICON="$work/missing.png"
    ;;

  *)
    fail "unknown check '$check'"
    ;;
esac
