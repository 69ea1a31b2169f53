#!/usr/bin/env bash
# Every shipped file carries a valid Authenticode signature with a SHA-256
# digest and a verified time stamp, both under the test root, and a copy with
# one byte changed fails the check.
#   signing_verify.sh TEST-SIGNING-DIR SCRATCH-DIR FILE...
set -uo pipefail
set_dir=$1 scratch=$2
shift 2
status=0
rm -rf "$scratch" && mkdir -p "$scratch"

# Where the signature starts, so that the changed byte lies inside what the digest covers.
signature_offset() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
# The certificate table is the fifth data directory of a PE32 optional header.
print(struct.unpack_from("<I", data, pe + 24 + 96 + 4 * 8)[0])
PY
}

for file in "$@"; do
  name=$(basename "$file")
  if [ ! -f "$file" ]; then
    echo "FAIL: $file is missing"
    status=1
    continue
  fi
  output=$(osslsigncode verify -CAfile "$set_dir/root.pem" -TSA-CAfile "$set_dir/root.pem" -in "$file" 2>&1)
  result=$?
  if [ "$result" != 0 ]; then
    echo "FAIL: $name does not verify:"
    printf '%s\n' "$output"
    status=1
    continue
  fi
  problems=()
  grep -q '^Message digest algorithm  : SHA256' <<<"$output" || problems+=("its digest is not SHA-256")
  grep -q '^Timestamp Server Signature verification: ok' <<<"$output" || problems+=("it has no verified time stamp")
  grep -q 'Subject: /O=Zephrin tests/CN=Zephrin Test Code Signing' <<<"$output" ||
    problems+=("it is not signed by the test signer")
  if [ "${#problems[@]}" -gt 0 ]; then
    echo "FAIL: $name verifies, but ${problems[*]}"
    status=1
  else
    echo "ok: $name is signed and time-stamped under the test root"
  fi

  offset=$(signature_offset "$file")
  if ! [ "$offset" -gt 0 ] 2>/dev/null; then
    echo "FAIL: $name has no certificate table"
    status=1
    continue
  fi
  changed="$scratch/$name"
  cp "$file" "$changed"
  position=$((offset / 2))
  byte=$(od -An -tu1 -j "$position" -N1 "$changed" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$changed" bs=1 seek="$position" conv=notrunc status=none
  if cmp -s "$file" "$changed"; then
    echo "FAIL: the copy of $name did not change"
    status=1
  elif osslsigncode verify -CAfile "$set_dir/root.pem" -TSA-CAfile "$set_dir/root.pem" -in "$changed" >/dev/null 2>&1; then
    echo "FAIL: a copy of $name with byte $position changed still verifies"
    status=1
  else
    echo "ok: a copy of $name with byte $position changed fails"
  fi
done
exit "$status"
