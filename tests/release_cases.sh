#!/usr/bin/env bash
# Release folders for the updater's tests, one per case, signed with the
# build's test keys. A test copies one case into the update server's folder.
#   release_cases.sh KEY-DIR STAND-IN-SETUP REAL-SETUP RUNNING-VERSION OUT-DIR
set -euo pipefail
keys=$1 standin=$2 real=$3 running=$4 out=$5
sign="$(dirname "$0")/../scripts/sign-manifest"
base=/downloads/zephrin
rm -rf "$out"
mkdir -p "$out"
# One issue time and one serial for every case, so that no case is older than another by accident.
export ZEPHRIN_MANIFEST_ISSUED=${ZEPHRIN_MANIFEST_ISSUED:-$(date -u +%Y-%m-%dT%H:%M:%SZ)}
export ZEPHRIN_MANIFEST_SERIAL=1000

release() {  # case key version setup-name setup-source [server-path]
  local dir="$out/$1"
  mkdir -p "$dir"
  cp "$5" "$dir/$4"
  "$sign" "$keys/$2.pem" "$3" "${6:-$base/$4}" "$dir/$4" "$dir/release.manifest"
}

# Signs the case's manifest again after `edit` (a sed script) changed its text,
# as the maker's key would: for manifests sign-manifest would never write.
resign() {  # case edit
  local manifest="$out/$1/release.manifest"
  grep -v '^signature: ' "$manifest" | sed "$2" >"$manifest.signed"
  openssl dgst -sha256 -sign "$keys/release.pem" -out "$manifest.sig" "$manifest.signed"
  { cat "$manifest.signed"; printf 'signature: %s\n' "$(od -An -v -tx1 "$manifest.sig" | tr -d ' \n')"; } >"$manifest"
  rm "$manifest.signed" "$manifest.sig"
}

release newer release 99.0.0.0 ZephrinSetup-99.exe "$standin"
release real release 99.0.0.0 ZephrinSetup-99.exe "$real"
release current release "$running" ZephrinSetup-99.exe "$standin"
release other-key other 99.0.0.0 ZephrinSetup-99.exe "$standin"
# The key the maker changes to, which the updater already trusts.
release next-key next 99.0.0.0 ZephrinSetup-99.exe "$standin"

# Stale manifests, each signed by the right key: long expired; older than one
# acted on before (the test stores a higher serial); and ones sign-manifest
# refuses to write, living too long or lacking a field.
ZEPHRIN_MANIFEST_ISSUED=2020-03-01T12:00:00Z release expired release 99.0.0.0 ZephrinSetup-99.exe "$standin"
ZEPHRIN_MANIFEST_SERIAL=5 release replayed release 99.0.0.0 ZephrinSetup-99.exe "$standin"
release long-lived release 99.0.0.0 ZephrinSetup-99.exe "$standin"
issued=$(sed -n 's/^issued: //p' "$out/long-lived/release.manifest")
resign long-lived "s/^expires: .*/expires: $(date -u -d "@$(($(date -u -d "$issued" +%s) + 61 * 86400))" +%Y-%m-%dT%H:%M:%SZ)/"
for field in issued expires serial; do
  release "no-$field" release 99.0.0.0 ZephrinSetup-99.exe "$standin"
  resign "no-$field" "/^$field: /d"
done

release manifest-changed release 99.0.0.0 ZephrinSetup-99.exe "$standin"
sed -i 's/^version: 99.0.0.0$/version: 99.0.0.1/' "$out/manifest-changed/release.manifest"

# The setup program changed after signing: one byte different, one byte short, one byte long.
for c in setup-changed setup-short setup-long; do
  release "$c" release 99.0.0.0 ZephrinSetup-99.exe "$standin"
done
size=$(stat -c %s "$standin")
printf '\x00' | dd of="$out/setup-changed/ZephrinSetup-99.exe" bs=1 seek=$((size / 2)) conv=notrunc status=none
if cmp -s "$standin" "$out/setup-changed/ZephrinSetup-99.exe"; then
  printf '\x01' | dd of="$out/setup-changed/ZephrinSetup-99.exe" bs=1 seek=$((size / 2)) conv=notrunc status=none
fi
truncate -s $((size - 1)) "$out/setup-short/ZephrinSetup-99.exe"
printf '\x00' >>"$out/setup-long/ZephrinSetup-99.exe"

# Signed and well formed, but the server cannot give the file as named.
release missing release 99.0.0.0 ZephrinSetup-99.exe "$standin" "$base/ZephrinSetup-gone.exe"
release moved release 99.0.0.0 ZephrinSetup-99.exe "$standin" /moved/ZephrinSetup-99.exe

# A manifest far over its cap: a valid one followed by a megabyte.
release oversized release 99.0.0.0 ZephrinSetup-99.exe "$standin"
head -c 1048576 /dev/zero | tr '\0' 'x' >>"$out/oversized/release.manifest"

# Two megabytes over a slow line: time enough to cancel in the middle.
mkdir -p "$out/slow"
cp "$standin" "$out/slow/big.exe"
truncate -s 2097152 "$out/slow/big.exe"
release slow release 99.0.0.0 ZephrinSetup-big.exe "$out/slow/big.exe" /slow/ZephrinSetup-big.exe
rm "$out/slow/big.exe"
