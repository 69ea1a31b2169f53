#!/usr/bin/env bash
# scripts/release publishes nothing that is not signed with the maker's
# code-signing certificate: it refuses before building when the certificate
# is missing or is a test one, and refuses a build folder in which any
# shipped file is unsigned, test-signed or missing. It runs with a scratch
# HOME, and with stand-ins for the build tools that fail the test if called,
# so nothing is ever built; the signed files are this build's, re-signed
# with a maker's certificate made here.
#   release_signing.sh SOURCE-DIR TEST-SIGNING-DIR BUILD-DIR SCRATCH-DIR
set -uo pipefail
source=$1 test_set=$2 build=$3 scratch=$4
status=0
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/tools" "$scratch/maker"

for tool in cmake cpack makensis apt-get dpkg dpkg-query; do
  printf '#!/bin/sh\necho "%s $*" >>"%s/built"\nexit 1\n' "$tool" "$scratch" >"$scratch/tools/$tool"
  chmod +x "$scratch/tools/$tool"
done

# Runs scripts/release in a clean environment with the given variables; leaves its exit code and output.
release() {  # [NAME=VALUE...] -- [arguments...]
  local settings=()
  while [ "$1" != -- ]; do settings+=("$1"); shift; done
  shift
  output=$(env -i PATH="$scratch/tools:/usr/bin:/bin" HOME="$scratch/home" LANG=C.UTF-8 "${settings[@]}" \
    bash "$source/scripts/release" "$@" 2>&1)
  result=$?
}

expect() {  # what expected-exit(0|refused) message-part
  local what=$1 expected=$2 part=$3
  if [ -e "$scratch/built" ]; then
    echo "FAIL: $what: a build tool was called: $(cat "$scratch/built")"
    rm -f "$scratch/built"
    status=1
  elif [ "$expected" = refused ] && [ "$result" = 0 ]; then
    echo "FAIL: $what: not refused:"
    printf '%s\n' "$output"
    status=1
  elif [ "$expected" = 0 ] && [ "$result" != 0 ]; then
    echo "FAIL: $what: exit $result:"
    printf '%s\n' "$output"
    status=1
  elif [[ "$output" != *"$part"* ]]; then
    echo "FAIL: $what: the message does not say \"$part\":"
    printf '%s\n' "$output"
    status=1
  else
    echo "ok: $what"
  fi
}

# A maker of our own, not the tests' signing set.
source "$(dirname "$0")/maker_certificates.sh"
maker=$scratch/maker
passphrase='two words "and" $signs'
make_maker_certificates "$maker" "$passphrase" || { echo "FAIL: openssl could not make the maker's certificates"; exit 1; }
pfx=$maker/maker.p12
url=http://timestamp.invalid/

# Before anything is built.
release -- ; expect "no certificate named" refused "no code-signing certificate"
release ZEPHRIN_SIGNING_PFX="$scratch/absent.p12" ZEPHRIN_SIGNING_PASSPHRASE=x ZEPHRIN_TIMESTAMP_URL=$url --
expect "a certificate that is not there" refused "is missing or cannot be read"
release ZEPHRIN_SIGNING_PFX="$pfx" ZEPHRIN_SIGNING_PASSPHRASE=wrong ZEPHRIN_TIMESTAMP_URL=$url --
expect "a wrong passphrase" refused "does not open"
release ZEPHRIN_SIGNING_PFX="$pfx" ZEPHRIN_SIGNING_PASSPHRASE="$passphrase" --
expect "no time-stamping service" refused "ZEPHRIN_TIMESTAMP_URL"
release ZEPHRIN_SIGNING_PFX="$test_set/signer.p12" ZEPHRIN_SIGNING_PASSPHRASE="$(cat "$test_set/signer.pass")" \
  ZEPHRIN_TIMESTAMP_URL=$url --
expect "the test certificate" refused "is a test certificate"
release ZEPHRIN_SIGNING_PFX="$pfx" ZEPHRIN_SIGNING_PASSPHRASE="$passphrase" ZEPHRIN_TIMESTAMP_URL=$url \
  ZEPHRIN_TEST_SIGNING=ON --
expect "test signing asked for" refused "ZEPHRIN_TEST_SIGNING"
# A good certificate passes, and the release stops at the next check: the scratch HOME has no release key.
release ZEPHRIN_SIGNING_PFX="$pfx" ZEPHRIN_SIGNING_PASSPHRASE="$passphrase" ZEPHRIN_TIMESTAMP_URL=$url --
expect "the maker's certificate" refused "no private key"

# A build folder of the five shipped files, the maker's signature on each.
files=(bin/Zephrin.exe bin/ZephrinUpdate.exe package/ZephrinUninstall.exe package/ZephrinSetup.exe
  package/ZephrinSetup.msi)
folder=$scratch/build
mkdir -p "$folder/bin" "$folder/package" "$scratch/unsigned" "$scratch/test-signed"
for relative in "${files[@]}"; do
  name=$(basename "$relative")
  # This build is a test build: its setup program carries the name that says so.
  built=$build/$relative
  [ "$relative" = package/ZephrinSetup.exe ] && built=$build/package/ZephrinSetup-TEST.exe
  [ "$relative" = package/ZephrinSetup.msi ] && built=$build/package/ZephrinSetup-TEST.msi
  cp "$built" "$scratch/test-signed/$name"
  osslsigncode remove-signature -in "$built" -out "$scratch/unsigned/$name" >/dev/null ||
    { echo "FAIL: the signature of $built could not be taken off"; exit 1; }
  printf '%s' "$passphrase" | osslsigncode sign -pkcs12 "$pfx" -readpass - -h sha256 -n "$name" \
    -TSA-certs "$maker/tsa-chain.pem" -TSA-key "$maker/tsa.key" -in "$scratch/unsigned/$name" \
    -out "$folder/$relative" >/dev/null || { echo "FAIL: $name could not be signed as the maker"; exit 1; }
done
maker_env=(ZEPHRIN_SIGNING_PFX="$pfx" ZEPHRIN_SIGNING_PASSPHRASE="$passphrase")
release "${maker_env[@]}" -- --check-signatures "$folder"
expect "five files signed by the maker" 0 "every shipped file in $folder is signed by"
for relative in "${files[@]}"; do
  name=$(basename "$relative")
  cp "$folder/$relative" "$scratch/kept"
  cp "$scratch/unsigned/$name" "$folder/$relative"
  release "${maker_env[@]}" -- --check-signatures "$folder"
  expect "an unsigned $name" refused "$folder/$relative is not signed"
  cp "$scratch/test-signed/$name" "$folder/$relative"
  release "${maker_env[@]}" -- --check-signatures "$folder"
  expect "a test-signed $name" refused "$folder/$relative is signed by the test root"
  cp "$scratch/kept" "$folder/$relative"
done
# Signed by the maker but without a time stamp: it would stop verifying when the certificate expires.
rm -f "$folder/bin/ZephrinUpdate.exe"
printf '%s' "$passphrase" | osslsigncode sign -pkcs12 "$pfx" -readpass - -h sha256 \
  -in "$scratch/unsigned/ZephrinUpdate.exe" -out "$folder/bin/ZephrinUpdate.exe" >/dev/null
release "${maker_env[@]}" -- --check-signatures "$folder"
expect "an untimed signature" refused "without a verified time stamp"
rm -f "$folder/package/ZephrinUninstall.exe"
release "${maker_env[@]}" -- --check-signatures "$folder"
expect "a missing uninstaller" refused "$folder/package/ZephrinUninstall.exe is missing"
exit "$status"
