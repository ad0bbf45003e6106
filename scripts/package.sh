#!/usr/bin/env bash
# Builds the program and writes the portable release
#   dist/quorvik-<version>-win64.zip
# holding the program, its data files, the guard, the updater, the
# command-line scanner, the manual and the translations.
#
#   scripts/package.sh [--no-build] [--out DIR]
#
# update.exe accepts only updates signed with the key it was built with.
# Built with the test key of tests/update/keys (the default) it must never
# be shipped: this script refuses such a build unless QV6_ALLOW_TEST_KEY=1
# (for the package test).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build=1
out="$here/../dist"
while (($#)); do
  case "$1" in
    --no-build) build=0 ;;
    --out) out="$2"; shift ;;
    *) echo "usage: $0 [--no-build] [--out DIR]" >&2; exit 2 ;;
  esac
  shift
done
"$here/setup.sh"
source "$here/env.sh"
if ((build)); then qv6_build; fi
bin="$QV6_BUILD/bin"
version="$(sed -n 's/^ *inline constexpr const char\* kVersion = "\(.*\)";/\1/p' "$QV6_ROOT/base/Product.h")"
[ -n "$version" ] || { echo "no version in base/Product.h" >&2; exit 1; }
if grep -q '^QV6_UPDATE_USES_TEST_KEY:INTERNAL=ON' "$QV6_BUILD/CMakeCache.txt" &&
   [ "${QV6_ALLOW_TEST_KEY:-}" != 1 ]; then
  echo "update.exe is built with the test key; configure with -DQV6_UPDATE_PUBLIC_KEY=<your key>" >&2
  exit 1
fi

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
dir="$stage/quorvik-$version"
mkdir -p "$dir/lang" "$dir/Hilfe"
for f in qv6.exe qv6.lng default.ico procs.dll qvguard.exe update.exe; do
  cp "$bin/$f" "$dir/"
done
[ -f "$bin/qv6scan.exe" ] && cp "$bin/qv6scan.exe" "$dir/"
cp "$QV6_ROOT"/lang/*.lng "$dir/lang/"
if [ -d "$QV6_ROOT/Hilfe" ]; then cp -r "$QV6_ROOT/Hilfe/." "$dir/Hilfe/"; fi
# The text files in Windows line ends.
for f in LIESMICH.txt README.txt; do
  sed 's/$/\r/' "$QV6_ROOT/packaging/$f" >"$dir/$f"
done

mkdir -p "$out"
zip="$(cd "$out" && pwd)/quorvik-$version-win64.zip"
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" "quorvik-$version")
echo "$zip"
