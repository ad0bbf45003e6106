#!/usr/bin/env bash
# The update's whole round trip, run by CTest:
#   roundtrip.sh <bin folder> <source folder> <work folder>
# A folder with the files of a "new version" is published with
# scripts/publish_update.py and the test key (Debian's python3-cryptography
# signs), then tests_update.exe serves it on 127.0.0.1, runs the update check
# with an OK, and update.exe replaces the files of a test program's folder
# and starts it again. Beside it, the lists an attacker or a careless
# publisher might serve: an older release replayed, an expired list, a list of
# the first format; and the same list signed by the openssl command line
# instead of the publisher, which must count as much.
set -euo pipefail
bin="$1" root="$2" work="$3"
rm -rf "$work"
mkdir -p "$work/v2/Hilfe"
cp "$bin/update_probe.exe" "$work/v2/probe.exe"
printf '2' >"$work/v2/version.txt"
printf '<html>Neue Hilfe</html>' >"$work/v2/Hilfe/handbuch.html"
# Several pieces of 64 KiB on the way.
/usr/bin/python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 1200)' >"$work/v2/data.bin"
# Left out by the publisher: the updater never replaces itself.
cp "$bin/update.exe" "$work/v2/update.exe"
/usr/bin/python3 "$root/scripts/publish_update.py" publish \
  --key "$root/tests/update/keys/test_update_private.pem" --files "$work/v2" --out "$work/server" --version 6.03
test -f "$work/server/update/filelist.txt.sig"
test ! -e "$work/server/update/update.exe"
grep -q '^1 6.03$' <(cat "$work/server/update/checkforupdate.php"; echo)
key="$root/tests/update/keys/test_update_private.pem"
publish() { # <server folder> <publish options...>
  local out="$1"
  shift
  /usr/bin/python3 "$root/scripts/publish_update.py" publish --key "$key" --files "$work/v2" \
    --out "$work/$out" "$@" >/dev/null
}
publish older --version 6.01
publish expired --version 6.03 --expires 2020-01-01T00:00:00Z
cp -r "$work/server" "$work/openssl"
openssl dgst -sha256 -sign "$key" -out "$work/openssl/update/filelist.txt.sig" \
  "$work/openssl/update/filelist.txt"
cp -r "$work/server" "$work/first-format"
list="$work/first-format/update/filelist.txt"
{ echo "QV6FILELIST 1"; tail -n +4 "$work/server/update/filelist.txt"; } >"$list"
openssl dgst -sha256 -sign "$key" -out "$list.sig" "$list"
QV6_UPDATE_FIXTURES="$(winepath -w "$work")"
export QV6_UPDATE_FIXTURES
cd "$bin"
exec wine ./tests_update.exe --gtest_filter='UpdateRoundTrip.*'
