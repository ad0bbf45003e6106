#!/usr/bin/env bash
# Makes the signed files the verifier's tests judge: a test authority (a root
# and a code-signing leaf issued by it, both SHA-256, made afresh on every
# run), copies of prochelper.exe signed by the leaf, one of them with a byte
# flipped after signing, one left unsigned, and one signed by a leaf that
# bears the name of Windows' publisher.
# Usage: make_fixtures.sh <bin folder> <output folder>
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
rm -rf "$out"
mkdir -p "$out"
cd "$out"
cat > leaf.ext <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
EXT
cat > root.ext <<'EXT'
basicConstraints=critical,CA:TRUE
keyUsage=critical,keyCertSign,cRLSign
EXT
openssl req -new -newkey rsa:2048 -nodes -keyout root.key -subj "/CN=Quorvik Test Root" \
  -x509 -sha256 -days 30 -extensions v3_ca -out root.pem 2>/dev/null
openssl req -new -newkey rsa:2048 -nodes -keyout leaf.key -subj "/O=Quorvik Test/CN=Quorvik Test Publisher" \
  -out leaf.csr 2>/dev/null
openssl x509 -req -in leaf.csr -CA root.pem -CAkey root.key -CAcreateserial -sha256 -days 30 \
  -extfile leaf.ext -out leaf.pem 2>/dev/null
openssl x509 -in root.pem -outform DER -out root.cer
cp "$bin/prochelper.exe" unsigned.exe
osslsigncode sign -certs leaf.pem -ac root.pem -key leaf.key -h sha256 -n "Quorvik Test" \
  -in unsigned.exe -out signed.exe >/dev/null
# A leaf named as Windows' own publisher, from the same test root: what the
# switch that hides Windows' entries must hide once the root is trusted.
openssl req -new -newkey rsa:2048 -nodes -keyout windows.key \
  -subj "/O=Microsoft Corporation/CN=Microsoft Windows" -out windows.csr 2>/dev/null
openssl x509 -req -in windows.csr -CA root.pem -CAkey root.key -CAcreateserial -sha256 -days 30 \
  -extfile leaf.ext -out windows.pem 2>/dev/null
osslsigncode sign -certs windows.pem -ac root.pem -key windows.key -h sha256 -n "Windows" \
  -in unsigned.exe -out windows.exe >/dev/null
# A byte of the code, well before the signature, flipped: the file no longer
# matches its signed hash.
cp signed.exe broken.exe
python3 - <<'PY'
data = bytearray(open("broken.exe", "rb").read())
data[0x400] ^= 0xFF
open("broken.exe", "wb").write(bytes(data))
PY
