#!/usr/bin/env bash
# Gives a program file its Authenticode signature (SHA-256) and an RFC 3161
# time stamp, in place. The build runs it on each program right after the
# link, and makensis on the uninstaller and the setup program.
#   sign-file.sh [--test DIR] [--copy-to PATH] FILE DESCRIPTION
# --test signs with the set that TestSigning.cmake made in DIR and stamps the
# time offline with its authority. Without it the maker's certificate signs:
#   ZEPHRIN_SIGNING_PFX         the PKCS #12 file (certificate, chain and key)
#   ZEPHRIN_SIGNING_PASSPHRASE  its passphrase
#   ZEPHRIN_TIMESTAMP_URL       the maker's RFC 3161 time-stamping service
# These come from the environment, never from a command line, which every
# user of the machine can read. DESCRIPTION is the program name that
# Windows shows in the UAC prompt. --copy-to keeps a copy of the signed
# file: the uninstaller lives only inside the setup program otherwise.
# A file that could not be signed is removed, so that no later step (or
# later build, which would find it up to date) ships it unsigned.
set -euo pipefail

test_dir='' copy_to=''
while [ $# -gt 2 ]; do
  case $1 in
    --test) test_dir=$2; shift 2 ;;
    --copy-to) copy_to=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# = 2 ] || { echo "usage: sign-file.sh [--test DIR] [--copy-to PATH] FILE DESCRIPTION" >&2; exit 2; }
file=$1 description=$2
signed="$file.signing"
fail() {
  echo "sign-file: $file: $*" >&2
  rm -f "$file" "$signed"
  exit 1
}

command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup installs it)"
if [ -n "$test_dir" ]; then
  for part in signer.p12 signer.pass tsa-chain.pem tsa.key; do
    [ -r "$test_dir/$part" ] || fail "the test signing set in $test_dir has no $part"
  done
  rm -f "$signed"
  osslsigncode sign -pkcs12 "$test_dir/signer.p12" -readpass "$test_dir/signer.pass" -h sha256 \
    -n "$description" -TSA-certs "$test_dir/tsa-chain.pem" -TSA-key "$test_dir/tsa.key" \
    -in "$file" -out "$signed" >/dev/null || fail "osslsigncode could not sign it with the test set"
else
  [ -n "${ZEPHRIN_SIGNING_PFX:-}" ] || fail "ZEPHRIN_SIGNING_PFX names no certificate"
  [ -r "$ZEPHRIN_SIGNING_PFX" ] || fail "the certificate $ZEPHRIN_SIGNING_PFX cannot be read"
  [ -n "${ZEPHRIN_SIGNING_PASSPHRASE+set}" ] || fail "ZEPHRIN_SIGNING_PASSPHRASE is not set"
  [ -n "${ZEPHRIN_TIMESTAMP_URL:-}" ] || fail "ZEPHRIN_TIMESTAMP_URL names no time-stamping service"
  rm -f "$signed"
  # The passphrase goes through a pipe from the shell's own printf, not an argument.
  printf '%s' "$ZEPHRIN_SIGNING_PASSPHRASE" |
    osslsigncode sign -pkcs12 "$ZEPHRIN_SIGNING_PFX" -readpass - -h sha256 -n "$description" \
      -ts "$ZEPHRIN_TIMESTAMP_URL" -in "$file" -out "$signed" >/dev/null ||
    fail "osslsigncode could not sign it with $ZEPHRIN_SIGNING_PFX and a time stamp from $ZEPHRIN_TIMESTAMP_URL"
fi
# makensis reads the file back under its own name, with the mode it gave it.
cat "$signed" >"$file" || fail "could not write the signed file back"
rm -f "$signed"
if [ -n "$copy_to" ]; then
  mkdir -p "$(dirname "$copy_to")"
  cp "$file" "$copy_to"
fi
