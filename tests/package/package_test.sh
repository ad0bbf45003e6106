#!/usr/bin/env bash
# The portable release: the zip holds every file, every executable imports
# only libraries of the system, and qv6.exe unpacked into a bare folder of a
# fresh Wine prefix starts, shows its window and opens its manual on F1.
#   package_test.sh <source root> <work folder>
set -euo pipefail
root="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

zip="$(QV6_ALLOW_TEST_KEY=1 "$root/scripts/package.sh" --no-build --out "$work/dist" | tail -1)"
[ -f "$zip" ] || fail "no zip written"
case "$(basename "$zip")" in quorvik-*-win64.zip) ;; *) fail "unexpected name $zip" ;; esac

list="$(unzip -Z1 "$zip")"
top="$(echo "$list" | head -1 | cut -d/ -f1)"
for f in qv6.exe qv6.lng default.ico procs.dll qvguard.exe update.exe LIESMICH.txt README.txt \
         lang/english.lng Hilfe/handbuch.html; do
  echo "$list" | grep -qx "$top/$f" || fail "$f missing from the zip"
done

# Imports: only what every Windows from 7 on has.
unzip -q "$zip" -d "$work/unpacked"
system_dlls='^(ADVAPI32|COMCTL32|comdlg32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|SHLWAPI|USER32|VERSION|WS2_32|bcrypt|PSAPI|ntdll|MSIMG32|UxTheme|CRYPT32)\.dll$'
for exe in "$work/unpacked/$top"/*.exe "$work/unpacked/$top"/*.dll; do
  while read -r dll; do
    echo "$dll" | grep -qiE "$system_dlls" || fail "$(basename "$exe") imports $dll"
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
done

# A fresh prefix, the program in a bare folder of it.
export WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
wineboot -i >/dev/null 2>&1 || true
wineserver -w
bare="$WINEPREFIX/drive_c/Quorvik"
mkdir -p "$bare"
cp -r "$work/unpacked/$top/." "$bare/"
trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT

# The shell's trace shows what F1 asks it to open.
(cd "$bare" && WINEDEBUG=-all,trace+exec wine ./qv6.exe >"$work/qv6.out" 2>"$work/qv6.err" &)
window=""
for _ in $(seq 1 120); do
  window="$(xdotool search --name '^Quorvik 6$' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || fail "the main window did not appear"
echo "window $window appeared"

xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" || true
xdotool key --window "$window" F1
for _ in $(seq 1 60); do
  grep -qi 'handbuch\.html' "$work/qv6.err" && break
  sleep 0.5
done
grep -i 'handbuch\.html' "$work/qv6.err" | head -3
grep -qiE 'C:\\\\Quorvik\\\\Hilfe/handbuch\.html|C:\\Quorvik\\Hilfe/handbuch\.html' "$work/qv6.err" ||
  fail "F1 did not ask the shell to open C:\\Quorvik\\Hilfe/handbuch.html"
echo "package test passed"
