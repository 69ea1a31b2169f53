# The checks scripts/release makes of the maker's code-signing certificate
# and of the signatures on what it publishes. Source it; do not run it.
# shellcheck shell=bash
#   ZEPHRIN_SIGNING_PFX         the maker's PKCS #12 file (certificate, chain and key)
#   ZEPHRIN_SIGNING_PASSPHRASE  its passphrase; openssl reads it from the environment
#   ZEPHRIN_TIMESTAMP_URL       the maker's RFC 3161 time-stamping service

# What the build leaves to be shipped, relative to its folder. The
# uninstaller is the copy that makensis signed before it packed it.
SHIPPED_FILES=(bin/Zephrin.exe bin/ZephrinUpdate.exe package/ZephrinUninstall.exe package/ZephrinSetup.exe
  package/ZephrinSetup.msi)
# The organization of every certificate that cmake/signing/TestSigning.cmake makes.
TEST_SIGNING_ORGANIZATION="Zephrin tests"

# Writes the PKCS #12 file's own certificate (leaf.pem) and the others it
# carries (chain.pem) into a folder; fails when the passphrase does not open it.
_maker_certificates() {  # folder
  local option
  # Files exported by older Windows tools use ciphers that OpenSSL 3 keeps in its legacy provider.
  for option in "" -legacy; do
    # shellcheck disable=SC2086
    if openssl pkcs12 $option -in "$ZEPHRIN_SIGNING_PFX" -passin env:ZEPHRIN_SIGNING_PASSPHRASE -nokeys -clcerts \
        -out "$1/leaf.pem" 2>/dev/null &&
      openssl pkcs12 $option -in "$ZEPHRIN_SIGNING_PFX" -passin env:ZEPHRIN_SIGNING_PASSPHRASE -nokeys -cacerts \
        -out "$1/chain.pem" 2>/dev/null &&
      grep -q 'BEGIN CERTIFICATE' "$1/leaf.pem"; then
      return 0
    fi
  done
  return 1
}

# Whether a file of PEM certificates holds one that the tests made.
_holds_test_certificate() {  # pem-file
  openssl crl2pkcs7 -nocrl -certfile "$1" 2>/dev/null | openssl pkcs7 -print_certs -noout 2>/dev/null |
    grep -q "O *= *$TEST_SIGNING_ORGANIZATION"
}

# Refuses (non-zero, with a message) a release without a usable maker's
# certificate; "verify-only" leaves out what only signing needs.
check_signing_certificate() (  # [verify-only]
  set -uo pipefail
  fail() { echo "release: $*" >&2; exit 1; }
  if [ "${1:-}" != verify-only ]; then
    case ${ZEPHRIN_TEST_SIGNING:-} in
      "" | OFF | off | 0) ;;
      *) fail "ZEPHRIN_TEST_SIGNING is set: a release is never signed with the test certificates; unset it" ;;
    esac
  fi
  [ -n "${ZEPHRIN_SIGNING_PFX:-}" ] ||
    fail "no code-signing certificate: set ZEPHRIN_SIGNING_PFX to the maker's PKCS #12 file and ZEPHRIN_SIGNING_PASSPHRASE to its passphrase"
  [ -r "$ZEPHRIN_SIGNING_PFX" ] || fail "the code-signing certificate $ZEPHRIN_SIGNING_PFX is missing or cannot be read"
  [ -n "${ZEPHRIN_SIGNING_PASSPHRASE+set}" ] || fail "ZEPHRIN_SIGNING_PASSPHRASE is not set"
  if [ "${1:-}" != verify-only ]; then
    [[ "${ZEPHRIN_TIMESTAMP_URL:-}" =~ ^https?:// ]] ||
      fail "set ZEPHRIN_TIMESTAMP_URL to the http(s) address of an RFC 3161 time-stamping service: an untimed signature ends with its certificate"
  fi
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup installs it)"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  _maker_certificates "$work" || fail "ZEPHRIN_SIGNING_PASSPHRASE does not open $ZEPHRIN_SIGNING_PFX"
  if _holds_test_certificate "$work/leaf.pem" || _holds_test_certificate "$work/chain.pem" ||
    openssl x509 -in "$work/leaf.pem" -noout -issuer | grep -q "O *= *$TEST_SIGNING_ORGANIZATION"; then
    fail "$ZEPHRIN_SIGNING_PFX is a test certificate, not the maker's"
  fi
  openssl x509 -in "$work/leaf.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q 'Code Signing' ||
    fail "the certificate in $ZEPHRIN_SIGNING_PFX is not for code signing"
  openssl x509 -in "$work/leaf.pem" -noout -checkend 0 >/dev/null || fail "the certificate in $ZEPHRIN_SIGNING_PFX has expired"
)

# The subject of the maker's certificate, for messages.
maker_subject() (
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  _maker_certificates "$work" && openssl x509 -in "$work/leaf.pem" -noout -subject -nameopt oneline | sed 's/^subject= *//'
)

# Refuses (non-zero, naming each file) unless every shipped file of a build
# folder is signed by exactly the maker's certificate, with a SHA-256 digest
# and a verified time stamp, and carries no test certificate.
check_shipped_signatures() (  # build-dir
  set -uo pipefail
  build=$1
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  _maker_certificates "$work" || { echo "release: ZEPHRIN_SIGNING_PASSPHRASE does not open $ZEPHRIN_SIGNING_PFX" >&2; exit 1; }
  leaf_hash=$(openssl x509 -in "$work/leaf.pem" -outform DER | sha256sum | cut -d' ' -f1)
  # The maker's chain is trusted as the PKCS #12 file gives it, beside the system's roots.
  cat "$work/chain.pem" /etc/ssl/certs/ca-certificates.crt >"$work/trusted.pem" 2>/dev/null || cp "$work/chain.pem" "$work/trusted.pem"
  status=0
  for relative in "${SHIPPED_FILES[@]}"; do
    file="$build/$relative"
    if [ ! -f "$file" ]; then
      echo "release: $file is missing; do not publish" >&2
      status=1
      continue
    fi
    rm -f "$work/signature.pem"
    if ! osslsigncode extract-signature -pem -in "$file" -out "$work/signature.pem" >/dev/null 2>&1; then
      echo "release: $file is not signed; do not publish" >&2
      status=1
      continue
    fi
    if openssl pkcs7 -in "$work/signature.pem" -print_certs -noout 2>/dev/null | grep -q "O *= *$TEST_SIGNING_ORGANIZATION"; then
      echo "release: $file is signed by the test root, not by the maker; do not publish" >&2
      status=1
      continue
    fi
    if ! output=$(osslsigncode verify -CAfile "$work/trusted.pem" -TSA-CAfile "$work/trusted.pem" \
        -require-leaf-hash "sha256:$leaf_hash" -in "$file" 2>&1); then
      echo "release: the signature of $file is not a valid one of the maker's certificate; do not publish:" >&2
      printf '%s\n' "$output" | grep -iE 'error|fail|mismatch' >&2
      status=1
      continue
    fi
    if ! grep -Eq '^Message digest algorithm +: SHA256' <<<"$output" ||
      ! grep -q '^Timestamp Server Signature verification: ok' <<<"$output"; then
      echo "release: $file is signed without a SHA-256 digest or without a verified time stamp; do not publish" >&2
      status=1
    fi
  done
  exit "$status"
)
