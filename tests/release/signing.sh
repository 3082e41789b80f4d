#!/usr/bin/env bash
# The release signed on request: makes a throwaway certificate authority and
# code-signing certificate (make_signing_ca.sh), runs scripts/release.sh
# without and with it, and checks:
#   - osslsigncode verify against that authority passes for every program,
#     and each keeps its mitigations and its dependent-load flag (pe_hardening.py);
#   - each program with its signature removed is the unsigned release's, byte
#     for byte, and a second signed release is the first, byte for byte;
#   - neither the password nor the key shows in what the release printed or
#     in the archive;
#   - the signed x64 stand-in completes a retry of the signed paperchk.exe
#     under Wine ("Riprova" pressed by the stand-in);
#   - with a timestamp server (timestamp_server.py, on 127.0.0.1) every
#     program carries a timestamp that verifies against the authority;
#   - a wrong password stops the release with its one sentence and leaves no
#     archive.
# Prints the bytes the signatures add and osslsigncode's verdict per program.
#   tests/release/signing.sh
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root=$(pwd)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# Set-up has run (the test command's first step); the release need not run it again.
export PAPERCHK_SETUP_DONE=1
work=$(mktemp -d /tmp/paperchk-signing.XXXXXX)
timestamp_server=
trap '[[ -n $timestamp_server ]] && kill "$timestamp_server" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
failed() {
  echo "signing: FAILED: $*"
  failures=$((failures + 1))
}

password='correct horse 7 battery'
printf '%s\n' "$password" >"$work/password"
printf '%s\n' 'not the password' >"$work/wrong-password"
mkdir -p "$work/ca"
bash tests/release/make_signing_ca.sh "$work/ca" "$work/password" || exit 1

release() {  # release NAME [VARIABLE=VALUE...]: scripts/release.sh, its archive kept as NAME.zip
  local name=$1
  shift
  env "$@" bash scripts/release.sh >"$work/$name.out" 2>"$work/$name.err"
  local status=$?
  local archive
  archive=$(ls build/release/paperchk-*-windows.zip 2>/dev/null | head -n1)
  [[ -n $archive ]] && cp "$archive" "$work/$name.zip"
  return $status
}
unpack() { python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$1" "$2"; }

signing=(PAPERCHK_SIGN_PKCS12="$work/ca/signer.p12" PAPERCHK_SIGN_PASSWORD_FILE="$work/password")
release unsigned || { failed "the unsigned release failed"; tail -n 20 "$work/unsigned.err"; exit 1; }
release signed "${signing[@]}" || { failed "the signed release failed"; tail -n 20 "$work/signed.err"; exit 1; }
release signed-again "${signing[@]}" || failed "the second signed release failed"
differing() {  # the entries of two archives whose bytes differ
  python3 -c 'import sys, zipfile
a, b = (dict((i.filename, i.CRC) for i in zipfile.ZipFile(p).infolist()) for p in sys.argv[1:3])
print(" ".join(sorted(n for n in set(a) | set(b) if a.get(n) != b.get(n))))' "$1" "$2"
}
cmp -s "$work/signed.zip" "$work/signed-again.zip" ||
  failed "two signed releases of one commit differ: $(differing "$work/signed.zip" "$work/signed-again.zip")"
unpack "$work/unsigned.zip" "$work/unsigned"
unpack "$work/signed.zip" "$work/signed"

programs=$(cd "$work/signed" && find . -name '*.exe' | sort)
[[ $(wc -l <<<"$programs") -ge 4 ]] || failed "the archive holds fewer than four programs: $programs"
for program in $programs; do
  program=${program#./}
  verdict=$(osslsigncode verify -CAfile "$work/ca/ca.pem" -in "$work/signed/$program" 2>&1)
  if grep -q '^Signature verification: ok' <<<"$verdict" && grep -qx 'Succeeded' <<<"$verdict"; then
    echo "signing: $program: $(grep -E '^(Message digest algorithm|Signature verification|Number of verified signatures)' <<<"$verdict" | tr '\n' ';')"
  else
    failed "$program does not verify:"
    tail -n 8 <<<"$verdict"
  fi
  # What the release installs (stripped) still takes DLLs from the system folder only.
  python3 scripts/pe_hardening.py --system-folder-dlls "$work/unsigned/$program" | sed 's/^/signing: /' ||
    failed "$program lost a mitigation or its dependent-load flag in the release"
  osslsigncode remove-signature -in "$work/signed/$program" -out "$work/removed.exe" >/dev/null 2>&1 &&
    cmp -s "$work/removed.exe" "$work/unsigned/$program" ||
    failed "$program without its signature is not the unsigned program"
  echo "signing: $program: $(stat -c %s "$work/unsigned/$program") bytes unsigned, signature adds" \
    "$(($(stat -c %s "$work/signed/$program") - $(stat -c %s "$work/unsigned/$program")))"
  rm -f "$work/removed.exe"
done

# With an RFC 3161 timestamp from a throwaway server on 127.0.0.1.
python3 tests/release/timestamp_server.py "$work/ca" "$work/timestamp-port" &
timestamp_server=$!
for _ in $(seq 50); do [[ -s $work/timestamp-port ]] && break; sleep 0.1; done
if release stamped "${signing[@]}" PAPERCHK_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/timestamp-port")"; then
  unpack "$work/stamped.zip" "$work/stamped"
  for program in $programs; do
    program=${program#./}
    verdict=$(osslsigncode verify -CAfile "$work/ca/ca.pem" -TSA-CAfile "$work/ca/ca.pem" -in "$work/stamped/$program" 2>&1)
    if grep -q '^Timestamp Server Signature verification: ok' <<<"$verdict" && grep -qx 'Succeeded' <<<"$verdict"; then
      echo "signing: $program, timestamped: $(grep -E '^(Timestamp Server Signature verification|Signature verification)' <<<"$verdict" | tr '\n' ';')"
    else
      failed "$program's timestamp does not verify:"
      tail -n 8 <<<"$verdict"
    fi
  done
else
  failed "the timestamped release failed"
  tail -n 5 "$work/stamped.err"
fi
kill "$timestamp_server" 2>/dev/null
wait "$timestamp_server" 2>/dev/null
timestamp_server=

# The secrets: not printed, not packed.
key_text=$(openssl pkcs12 -in "$work/ca/signer.p12" -passin "file:$work/password" -nocerts -nodes 2>/dev/null |
  openssl pkey 2>/dev/null | sed -n 2p)
[[ -n $key_text ]] || failed "the test's key could not be read back"
for file in "$work/signed.out" "$work/signed.err"; do
  if grep -qF -e "$password" -e "$key_text" "$file"; then failed "$(basename "$file") shows the password or the key"; fi
done
if grep -rqaF -e "$password" -e "$key_text" "$work/signed"; then failed "the archive holds the password or the key"; fi
find "$work/signed" -name '*.p12' -o -name '*.key' | grep -q . && failed "the archive holds a key file"

# The signed programs still work: the stand-in's retry of paperchk under Wine.
run_signed() {
  local out=$work/retry.out
  PAPERCHK_WINEPREFIX=$root/build/wineprefix-signing scripts/with-xvfb.sh timeout 120 scripts/wine-run.sh win64 \
    "$work/signed/tools/x64/standin.exe" --paperchk "Z:${work//\//\\}\\signed\\bin\\x64\\paperchk.exe" \
    --exchange "$work/exchange.bin" --create --press Riprova --complete-after 200 --timeout 60000 >"$out" 2>&1
  local status=$?
  tr -d '\r' <"$out" | grep -E '^(decision|paperchk ended)' | sed 's/^/signing: signed standin: /'
  ((status == 0)) && tr -d '\r' <"$out" | grep -qx 'decision: 1 Riprova'
}
run_signed || failed "the signed stand-in did not complete its retry of the signed paperchk"

# A wrong password: one sentence, no archive, nothing built.
if release wrong PAPERCHK_SIGN_PKCS12="$work/ca/signer.p12" PAPERCHK_SIGN_PASSWORD_FILE="$work/wrong-password"; then
  failed "a wrong password did not stop the release"
fi
sentence=$(cat "$work/wrong.err")
echo "signing: wrong password: $sentence"
[[ $(wc -l <<<"$sentence") -eq 1 && $sentence == *"does not open"*"wrong password"* ]] ||
  failed "a wrong password is not said in one sentence"
[[ -f $work/wrong.zip ]] && failed "a wrong password left an archive behind"
ls build/release/paperchk-*-windows.zip build/release/SHA256SUMS >/dev/null 2>&1 &&
  failed "a wrong password left build/release's archive or SHA256SUMS behind"

((failures == 0)) && echo "signing: every program signed, verified and unchanged without its signature"
((failures == 0))
