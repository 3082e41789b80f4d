#!/usr/bin/env bash
# Signs the programs of a release with the team's code-signing certificate
# (Authenticode, SHA-256, osslsigncode), for scripts/release.sh:
#   sign_programs.sh check            the signing files are usable (run first)
#   sign_programs.sh sign FOLDER      signs every .exe under FOLDER in place
# What it signs with comes from the environment (release/README.md):
#   PAPERCHK_SIGN_PKCS12          a PKCS#12 file with the certificate and key, or
#   PAPERCHK_SIGN_CERT and PAPERCHK_SIGN_KEY   a PEM certificate (chain) and key;
#   PAPERCHK_SIGN_PASSWORD_FILE   the file holding the password (its first line);
#                                 needed for a PKCS#12 file and an encrypted key
#   PAPERCHK_SIGN_TIMESTAMP_URL   an RFC 3161 timestamp server (optional)
# The signing time is SOURCE_DATE_EPOCH, the commit's time, so that one key
# and one commit give the same bytes when no timestamp is asked for. The
# password is only ever read from its file by openssl and osslsigncode
# (file:..., -readpass), never put on a command line; the key only goes
# through a pipe. A problem is one sentence on stderr and exit status 1.
set -uo pipefail

fail() {
  echo "release.sh: $*" >&2
  exit 1
}

signing_requested() {
  [[ -n ${PAPERCHK_SIGN_PKCS12:-}${PAPERCHK_SIGN_CERT:-}${PAPERCHK_SIGN_KEY:-} ]]
}

need_file() {  # need_file WHAT PATH
  [[ -n $2 ]] || fail "signing needs $1, and its variable is empty."
  [[ -f $2 && -r $2 ]] || fail "$1 $2 does not exist or cannot be read."
}

password_option() {  # openssl's option for the password: its file, or none (an empty one)
  if [[ -n ${PAPERCHK_SIGN_PASSWORD_FILE:-} ]]; then
    printf '%s\n' -passin "file:$PAPERCHK_SIGN_PASSWORD_FILE"
  else
    printf '%s\n' -passin pass:
  fi
}

# The certificate (the signer's, first in the file) in PEM on stdout.
signer_certificate() {
  local passin
  mapfile -t passin < <(password_option)
  if [[ -n ${PAPERCHK_SIGN_PKCS12:-} ]]; then
    openssl pkcs12 -in "$PAPERCHK_SIGN_PKCS12" "${passin[@]}" -nokeys -clcerts 2>/dev/null | openssl x509 2>/dev/null
  else
    openssl x509 -in "$PAPERCHK_SIGN_CERT" 2>/dev/null
  fi
}

# The key's public half in PEM on stdout (the private key only in the pipe).
key_public_half() {
  local passin
  mapfile -t passin < <(password_option)
  if [[ -n ${PAPERCHK_SIGN_PKCS12:-} ]]; then
    openssl pkcs12 -in "$PAPERCHK_SIGN_PKCS12" "${passin[@]}" -nocerts -nodes 2>/dev/null | openssl pkey -pubout 2>/dev/null
  else
    openssl pkey -in "$PAPERCHK_SIGN_KEY" "${passin[@]}" -pubout 2>/dev/null
  fi
}

check() {
  command -v osslsigncode >/dev/null || fail "signing needs osslsigncode (scripts/setup.sh installs it)."
  if [[ -n ${PAPERCHK_SIGN_PKCS12:-} ]]; then
    [[ -z ${PAPERCHK_SIGN_CERT:-}${PAPERCHK_SIGN_KEY:-} ]] ||
      fail "give either PAPERCHK_SIGN_PKCS12 or PAPERCHK_SIGN_CERT with PAPERCHK_SIGN_KEY, not both."
    need_file "the PKCS#12 file" "$PAPERCHK_SIGN_PKCS12"
    need_file "the password file (PAPERCHK_SIGN_PASSWORD_FILE)" "${PAPERCHK_SIGN_PASSWORD_FILE:-}"
    openssl pkcs12 -in "$PAPERCHK_SIGN_PKCS12" -passin "file:$PAPERCHK_SIGN_PASSWORD_FILE" -noout >/dev/null 2>&1 ||
      fail "the password in $PAPERCHK_SIGN_PASSWORD_FILE does not open $PAPERCHK_SIGN_PKCS12 (wrong password, or not a PKCS#12 file)."
  else
    need_file "the certificate (PAPERCHK_SIGN_CERT)" "${PAPERCHK_SIGN_CERT:-}"
    need_file "the key (PAPERCHK_SIGN_KEY)" "${PAPERCHK_SIGN_KEY:-}"
    [[ -z ${PAPERCHK_SIGN_PASSWORD_FILE:-} ]] ||
      need_file "the password file (PAPERCHK_SIGN_PASSWORD_FILE)" "$PAPERCHK_SIGN_PASSWORD_FILE"
    signer_certificate >/dev/null || fail "$PAPERCHK_SIGN_CERT holds no PEM certificate."
    local passin
    mapfile -t passin < <(password_option)
    openssl pkey -in "$PAPERCHK_SIGN_KEY" "${passin[@]}" -noout >/dev/null 2>&1 ||
      fail "the key $PAPERCHK_SIGN_KEY cannot be read (wrong or missing password, or not a key)."
  fi
  local certificate public_half
  certificate=$(signer_certificate) || fail "the signing file holds no certificate."
  [[ -n $certificate ]] || fail "the signing file holds no certificate."
  public_half=$(key_public_half)
  [[ -n $public_half && $public_half == "$(openssl x509 -pubkey -noout <<<"$certificate")" ]] ||
    fail "the key does not belong to the certificate $(openssl x509 -noout -subject -nameopt oneline <<<"$certificate" | sed 's/^subject=//')."
  openssl x509 -checkend 0 -noout <<<"$certificate" >/dev/null ||
    fail "the signing certificate expired on $(openssl x509 -enddate -noout <<<"$certificate" | sed 's/^notAfter=//')."
  [[ ${SOURCE_DATE_EPOCH:-} =~ ^[0-9]+$ ]] || fail "signing needs SOURCE_DATE_EPOCH, the commit's time."
}

sign() {  # sign FOLDER
  local folder=$1 program signed log key_options
  if [[ -n ${PAPERCHK_SIGN_PKCS12:-} ]]; then
    key_options=(-pkcs12 "$PAPERCHK_SIGN_PKCS12")
  else
    key_options=(-certs "$PAPERCHK_SIGN_CERT" -key "$PAPERCHK_SIGN_KEY")
  fi
  [[ -n ${PAPERCHK_SIGN_PASSWORD_FILE:-} ]] && key_options+=(-readpass "$PAPERCHK_SIGN_PASSWORD_FILE")
  [[ -n ${PAPERCHK_SIGN_TIMESTAMP_URL:-} ]] && key_options+=(-ts "$PAPERCHK_SIGN_TIMESTAMP_URL")
  log=$(mktemp)
  while IFS= read -r -d '' program; do
    signed=$program.signed
    if ! osslsigncode sign "${key_options[@]}" -h sha256 -n paperchk -time "$SOURCE_DATE_EPOCH" \
      -in "$program" -out "$signed" >"$log" 2>&1; then
      rm -f "$signed" "$log"
      fail "osslsigncode could not sign ${program#"$folder"/}${PAPERCHK_SIGN_TIMESTAMP_URL:+ (or reach the timestamp server $PAPERCHK_SIGN_TIMESTAMP_URL)}."
    fi
    cat "$signed" >"$program" && rm -f "$signed"  # the file keeps its mode
    echo "signed: ${program#"$folder"/}"
  done < <(find "$folder" -type f -name '*.exe' -print0 | sort -z)
  rm -f "$log"
}

case ${1:-} in
  check) signing_requested && check ;;
  sign) signing_requested && sign "$2" ;;
  *)
    echo "usage: sign_programs.sh check | sign FOLDER" >&2
    exit 2
    ;;
esac
exit 0
