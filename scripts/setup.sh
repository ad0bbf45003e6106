#!/usr/bin/env bash
# Installs what building, running and testing need on a Debian machine.
set -euo pipefail
pkgs=(cmake make python3 mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
      googletest libz-mingw-w64-dev wine wine64 xvfb xauth imagemagick x11-utils
      python3-cryptography python3-yaml zip unzip xdotool osslsigncode clang libclang-rt-14-dev
      g++)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
