#!/bin/bash
# A throw-away certificate authority and a server certificate it signed, for
# SIP over TLS on loopback (tests, benchmarks, the demo). Never committed:
# made afresh each time, valid for two days.
#
#   make-test-pki.sh DIR [NAME] [expired]
#       DIR/ca.pem (the authority), DIR/server.pem and DIR/server.key (for
#       NAME, default "localhost", as subject name and DNS alternative name).
#       "expired": the server certificate's validity ended long ago.
set -euo pipefail
dir="$1" name="${2:-localhost}" validity="${3:-}"
case "$name" in
  *[!A-Za-z0-9.-]*|"") echo "a certificate name is letters, digits, dots and hyphens: $name" >&2; exit 2 ;;
esac
mkdir -p "$dir"
cd "$dir"
umask 077
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }
key ca.key
openssl req -x509 -new -key ca.key -out ca.pem -days 2 -subj "/CN=Velmora throw-away test CA" 2>/dev/null
key server.key
openssl req -new -key server.key -out server.csr -subj "/CN=$name" 2>/dev/null
cat >ca.cnf <<CONF
[ca]
default_ca = throwaway
[throwaway]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
unique_subject = no
[anything]
commonName = supplied
[server]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:$name
CONF
: >index.txt
echo 01 >serial
if [ "$validity" = expired ]; then
  dates=(-startdate 20200101000000Z -enddate 20200102000000Z)
else
  dates=(-days 2)
fi
openssl ca -batch -config ca.cnf -extensions server -cert ca.pem -keyfile ca.key -in server.csr \
  -out server.pem -notext "${dates[@]}" 2>/dev/null
rm -f server.csr index.txt* serial* ca.cnf 01.pem
chmod 644 ca.pem server.pem
