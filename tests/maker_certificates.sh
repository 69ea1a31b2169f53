# A stand-in for the maker's certificates, made fresh for a test and never
# the tests' own signing set: a root, a code-signing certificate under it in
# a PKCS #12 file with a passphrase, and a time-stamping authority under it.
# Source it; do not run it.
# shellcheck shell=bash

make_maker_certificates() {  # folder passphrase
  local dir=$1 serial=30 name
  cat >"$dir/extensions.cnf" <<'CNF'
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[tsa]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
CNF
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/root.key" -subj "/O=ORVANE/CN=ORVANE Root" -days 2 \
    -config "$dir/extensions.cnf" -extensions root -out "$dir/root.pem" 2>/dev/null || return 1
  for name in signer tsa; do
    serial=$((serial + 1))
    openssl req -new -newkey rsa:2048 -nodes -keyout "$dir/$name.key" -subj "/O=ORVANE/CN=ORVANE $name" \
      -config "$dir/extensions.cnf" -out "$dir/$name.csr" 2>/dev/null &&
      openssl x509 -req -in "$dir/$name.csr" -CA "$dir/root.pem" -CAkey "$dir/root.key" -set_serial "$serial" \
        -days 2 -extfile "$dir/extensions.cnf" -extensions "$name" -out "$dir/$name.pem" 2>/dev/null || return 1
  done
  ZEPHRIN_SIGNING_PASSPHRASE=$2 openssl pkcs12 -export -inkey "$dir/signer.key" -in "$dir/signer.pem" \
    -certfile "$dir/root.pem" -passout env:ZEPHRIN_SIGNING_PASSPHRASE -out "$dir/maker.p12" || return 1
  cat "$dir/tsa.pem" "$dir/root.pem" >"$dir/tsa-chain.pem"
}
