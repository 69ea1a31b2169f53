#!/usr/bin/env bash
# cmake/signing/sign-file.sh with the maker's certificate, as a release build
# runs it: the passphrase reaches osslsigncode through standard input and
# never on its command line, the time stamp comes from the RFC 3161 service
# that ZEPHRIN_TIMESTAMP_URL names (here openssl's own responder behind a
# loopback HTTP server), and a file that cannot be signed is removed.
#   sign_file.sh SOURCE-DIR PROGRAM-FILE SCRATCH-DIR
set -uo pipefail
source=$1 program=$2 scratch=$3
status=0
rm -rf "$scratch" && mkdir -p "$scratch/tools"
maker=$scratch

source "$(dirname "$0")/maker_certificates.sh"
passphrase="a passphrase nobody may see $RANDOM$RANDOM"
make_maker_certificates "$maker" "$passphrase" || { echo "FAIL: openssl could not make the maker's certificates"; exit 1; }
# openssl's own time-stamping responder, as the maker's service would answer.
cat >>"$maker/extensions.cnf" <<EOF
[responder]
serial = $maker/tsa.serial
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
echo 01 >"$maker/tsa.serial"

# The time-stamping service, on a port the system picks; ended by its process id.
python3 - "$maker" >"$maker/responder.log" 2>&1 <<'PY' &
import http.server, subprocess, sys, tempfile
d = sys.argv[1]
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.NamedTemporaryFile(dir=d) as q:
            q.write(query)
            q.flush()
            reply = subprocess.run(["openssl", "ts", "-reply", "-config", d + "/extensions.cnf", "-section", "responder",
                                    "-queryfile", q.name, "-signer", d + "/tsa.pem", "-inkey", d + "/tsa.key",
                                    "-chain", d + "/root.pem"], capture_output=True)
        sys.stderr.buffer.write(reply.stderr)
        reply = reply.stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamp)
open(d + "/responder.port", "w").write(str(server.server_port))
server.serve_forever()
PY
responder=$!
trap 'kill "$responder" 2>/dev/null; wait "$responder" 2>/dev/null' EXIT
for _ in $(seq 50); do [ -s "$maker/responder.port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$maker/responder.port")/"

# osslsigncode as the build finds it, with every command line it is given written down.
real=$(command -v osslsigncode)
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/command-lines"\nexec "%s" "$@"\n' "$scratch" "$real" >"$scratch/tools/osslsigncode"
chmod +x "$scratch/tools/osslsigncode"

sign() {  # copy-name [NAME=VALUE...]
  local name=$1
  shift
  file="$scratch/$name"
  osslsigncode remove-signature -in "$program" -out "$file" >/dev/null 2>&1 || cp "$program" "$file"
  output=$(env -u ZEPHRIN_SIGNING_PASSPHRASE -u ZEPHRIN_TIMESTAMP_URL PATH="$scratch/tools:$PATH" ZEPHRIN_SIGNING_PFX="$maker/maker.p12" "$@" \
    bash "$source/cmake/signing/sign-file.sh" "$file" "Zephrin Update" 2>&1)
  result=$?
}

sign good.exe ZEPHRIN_SIGNING_PASSPHRASE="$passphrase" ZEPHRIN_TIMESTAMP_URL="$url"
verified=$(osslsigncode verify -CAfile "$maker/root.pem" -TSA-CAfile "$maker/root.pem" -in "$file" 2>&1)
if [ "$result" != 0 ]; then
  echo "FAIL: sign-file.sh could not sign with the maker's certificate:"
  printf '%s\n' "$output"
  status=1
elif ! grep -q '^Signature verification: ok' <<<"$verified" ||
  ! grep -q '^Timestamp Server Signature verification: ok' <<<"$verified" ||
  ! grep -q '^Message digest algorithm  : SHA256' <<<"$verified" ||
  ! grep -q 'Text description: Zephrin Update' <<<"$verified"; then
  echo "FAIL: the maker's signature is not a time-stamped SHA-256 one that names Zephrin Update:"
  printf '%s\n' "$verified"
  status=1
else
  echo "ok: signed with the maker's certificate, time-stamped by $url, named Zephrin Update"
fi
if grep -qF "$passphrase" "$scratch/command-lines"; then
  echo "FAIL: the passphrase stood on osslsigncode's command line"
  status=1
elif ! grep -q -- '-readpass -' "$scratch/command-lines"; then
  echo "FAIL: osslsigncode was not told to read the passphrase from its standard input"
  status=1
else
  echo "ok: the passphrase went through standard input"
fi

sign wrong.exe ZEPHRIN_SIGNING_PASSPHRASE=wrong ZEPHRIN_TIMESTAMP_URL="$url"
if [ "$result" = 0 ] || [ -e "$file" ]; then
  echo "FAIL: a wrong passphrase gave exit $result and left the file: $output"
  status=1
else
  echo "ok: a wrong passphrase fails and leaves no unsigned file behind"
fi
rm -f "$scratch/command-lines"
sign untimed.exe ZEPHRIN_SIGNING_PASSPHRASE="$passphrase"
if [ "$result" = 0 ] || [ -e "$file" ] || [ -e "$scratch/command-lines" ] ||
  [[ "$output" != *ZEPHRIN_TIMESTAMP_URL* ]]; then
  echo "FAIL: signing without a time-stamping service was not refused before osslsigncode ran: $output"
  status=1
else
  echo "ok: no time-stamping service, no signing"
fi
exit "$status"
