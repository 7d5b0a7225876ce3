#!/usr/bin/env bash
# Makes the real-message fixtures with the OpenSSL command line, each with the
# report the tool must give for it (NAME.p7m and NAME.expected).
#
# The expected reports are not taken from the tool. Each expected record is the
# DER that the recipient's certificate implies (its issuer's last name and its
# serial, which this script chose), and the records are ordered by where that
# exact byte sequence lies in the message, since OpenSSL sorts the recipients.
#
# Usage: tests/data/make-fixtures.sh [OUTPUT_DIR]   (default: tests/data)
set -euo pipefail

out=$(cd "${1:-$(dirname "$0")}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# OpenSSL writes names as UTF8String unless told otherwise; "default" gives
# PrintableString wherever the text allows it.
cat > printable.cnf <<'CNF'
[req]
distinguished_name = dn
string_mask = default
prompt = no
[dn]
CNF
cat > utf8.cnf <<'CNF'
[req]
distinguished_name = dn
string_mask = utf8only
prompt = no
[dn]
CNF
cat > leaf.ext <<'CNF'
basicConstraints = CA:FALSE
keyUsage = keyEncipherment, keyAgreement, dataEncipherment
subjectKeyIdentifier = hash
CNF

# make_ca NAME CONFIG COMMON_NAME
make_ca() {
  openssl req -x509 -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" \
    -config "$2" -subj "/C=US/O=recipscan fixtures/CN=$3" -days 36500 \
    -set_serial 1 -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

# make_leaf NAME CA KEYSPEC SERIAL_HEX
make_leaf() {
  openssl req -new -newkey "$3" -nodes -keyout "$1.key" -out "$1.csr" \
    -config printable.cnf -subj "/C=US/O=recipscan fixtures/CN=$1" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" \
    -set_serial "0x$4" -days 36500 -extfile leaf.ext -out "$1.pem" 2>/dev/null
}

make_ca printable-ca printable.cnf "Fixture Printable CA"
make_ca utf8-ca utf8.cnf "Fixture UTF8 CA"
make_leaf alice printable-ca rsa:2048 05
make_leaf bob printable-ca rsa:2048 C8
make_leaf carol printable-ca ec:<(openssl ecparam -name prime256v1) \
  3A0102030405060708090A0B0C0D0E0F10111213
make_leaf dave utf8-ca rsa:2048 07
make_leaf erin printable-ca rsa:2048 09

printf 'Meet at noon.\r\nBring the key.\r\n' > content.txt

# The name that ends each certificate's issuer, and the serial as DER writes
# it: an even number of hex digits, with a leading 00 when the top bit is set.
der_serial() {
  local hex
  hex=$(openssl x509 -in "$1.pem" -noout -serial | cut -d= -f2)
  (( ${#hex} % 2 )) && hex="0$hex"
  [[ $hex =~ ^[89A-F] ]] && hex="00$hex"
  echo "$hex"
}
issuer_cn() {
  openssl x509 -in "$1.pem" -noout -issuer -nameopt multiline | sed -n 's/^ *commonName *= //p'
}

# offsets FILE HEX: the byte offsets at which the bytes HEX (lower-case hex
# digits) occur in FILE.
offsets() {
  od -An -v -tx1 "$1" | tr -d ' \n' | awk -v pattern="$2" '{
    from = 1
    while ((at = index(substr($0, from), pattern)) > 0) {
      pos = from + at - 1
      if (pos % 2 == 1) print (pos - 1) / 2
      from = pos + 1
    }
  }'
}

# expect MESSAGE CERT... : writes MESSAGE.expected, the report's leading blank
# line and one record per certificate, in the order of their place in the file.
expect() {
  local message=$1 cert name serial pattern found
  shift
  : > records
  for cert in "$@"; do
    name=$(issuer_cn "$cert")
    serial=$(der_serial "$cert")
    pattern=$(printf '13%02x%s02%02x%s' "${#name}" \
      "$(printf '%s' "$name" | od -An -v -tx1 | tr -d ' \n')" \
      $(( ${#serial} / 2 )) "$serial" | tr 'A-F' 'a-f')
    found=$(offsets "$message.p7m" "$pattern")
    if [[ $(wc -w <<< "$found") != 1 ]]; then
      echo "make-fixtures: $cert found at [$found] in $message.p7m" >&2
      exit 1
    fi
    printf '%s "%s"   %s\n' "$found" "$name" "$(sed 's/../& /g' <<< "$serial")" >> records
  done
  {
    printf '\n'
    sort -n records | cut -d' ' -f2- | while IFS= read -r line; do
      printf '%s\n\n' "$line"
    done
  } > "$message.expected"
}

# Several recipients: a one-byte serial, a serial whose DER needs a leading
# 00, a 20-byte serial on an EC key-agreement recipient, and a recipient whose
# issuer name ends in a UTF8String, which the report must leave out.
openssl cms -encrypt -binary -outform DER -aes-256-cbc -in content.txt \
  -out several-recipients.p7m alice.pem bob.pem carol.pem dave.pem
expect several-recipients alice bob carol

# A streamed message: indefinite-length encoding throughout.
openssl cms -encrypt -binary -stream -outform DER -aes-128-cbc -in content.txt \
  -out streamed.p7m bob.pem alice.pem
expect streamed alice bob

# A PKCS #7 message, as the older smime command writes it.
openssl smime -encrypt -binary -outform DER -aes256 -in content.txt \
  -out pkcs7-smime.p7m erin.pem
expect pkcs7-smime erin

# Recipients identified by subject key identifier: nothing to report.
openssl cms -encrypt -binary -keyid -outform DER -aes-256-cbc -in content.txt \
  -out key-identifier.p7m alice.pem carol.pem
expect key-identifier

for f in several-recipients streamed pkcs7-smime key-identifier; do
  cp "$f.p7m" "$f.expected" "$out/"
done
echo "make-fixtures: wrote $(ls "$out"/*.p7m | wc -l) messages to $out"
