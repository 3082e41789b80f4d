#!/usr/bin/env bash
# A throwaway certificate authority and a code-signing certificate it
# issued, for the signing test:
#   make_signing_ca.sh FOLDER PASSWORD-FILE
# FOLDER gets ca.pem (the authority), signer.p12 (certificate, key and the
# authority, under the password in PASSWORD-FILE), signer.pem and signer.key
# (the same in PEM, the key encrypted with that password), other.key (a key
# that belongs to no certificate) and expired.pem (a certificate of that key
# whose validity ended), and tsa.pem and tsa.key (a timestamping authority
# it issued, for timestamp_server.py).
set -euo pipefail
folder=$1 password=$2
cd "$folder"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=paperchk test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer-plain.key -out signer.csr -subj "/CN=paperchk test signer" 2>/dev/null
printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature extendedKeyUsage=codeSigning >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
  -out signer.pem 2>/dev/null
openssl pkcs12 -export -inkey signer-plain.key -in signer.pem -certfile ca.pem -passout "file:$password" \
  -out signer.p12
openssl pkey -in signer-plain.key -aes256 -passout "file:$password" -out signer.key
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out other.key 2>/dev/null
# Valid from yesterday for no time at all: expired since then.
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile signer.ext \
  -not_before "$(date -u -d yesterday +%Y%m%d%H%M%SZ)" -not_after "$(date -u -d '-1 hour' +%Y%m%d%H%M%SZ)" \
  -out expired.pem 2>/dev/null ||
  openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile signer.ext -days -1 \
    -out expired.pem 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=paperchk test timestamps" 2>/dev/null
printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature extendedKeyUsage=critical,timeStamping >tsa.ext
openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile tsa.ext -out tsa.pem 2>/dev/null
rm -f signer-plain.key signer.csr tsa.csr ca.key
