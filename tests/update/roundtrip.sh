#!/usr/bin/env bash
# The update's whole round trip, run by CTest:
#   roundtrip.sh <bin folder> <source folder> <work folder>
# A folder with the files of a "new version" is published with
# scripts/publish_update.py and the test key (Debian's python3-cryptography
# signs), then tests_update.exe serves it on 127.0.0.1, runs the update check
# with an OK, and update.exe replaces the files of a test program's folder
# and starts it again.
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
QV6_UPDATE_FIXTURES="$(winepath -w "$work")"
export QV6_UPDATE_FIXTURES
cd "$bin"
exec wine ./tests_update.exe --gtest_filter='UpdateRoundTrip.*'
