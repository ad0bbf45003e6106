#!/usr/bin/env bash
# Remakes the pictures of the manual (Hilfe/bilder/*.png) from the real
# program: a few example Run values are seeded into the build's Wine prefix
# for the pictures and removed again; each picture is one screenshot of
# scripts/screenshot.sh, trimmed to the windows.
#   scripts/make_manual_pictures.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/env.sh"
out="$QV6_ROOT/Hilfe/bilder"
mkdir -p "$out"
"$here/setup.sh"
qv6_build >/dev/null
qv6_prefix

run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
examples=("Druckerhilfe|C:\\Programme\\Drucker\\druckhelfer.exe /tray"
          "Updater|\"C:\\Programme\\Werkzeug\\update.exe\" --silent"
          "Messenger|C:\\Users\\Anna\\AppData\\Roaming\\chat\\chat.exe -minimized")
seed() {
  for e in "${examples[@]}"; do
    wine reg add "$run" /v "${e%%|*}" /t REG_SZ /d "${e#*|}" /f >/dev/null 2>&1
  done
}
unseed() {
  for e in "${examples[@]}"; do
    wine reg delete "$run" /v "${e%%|*}" /f >/dev/null 2>&1 || true
  done
  wineserver -w
}
trap unseed EXIT
seed
wineserver -w

take() { # name, environment assignment or -, screenshot.sh options...
  local name="$1" envset="$2"
  shift 2
  local tmp
  tmp="$(mktemp --suffix=.png)"
  if [ "$envset" = - ]; then
    "$here/screenshot.sh" "$tmp" "$@" >/dev/null
  else
    env "$envset" "$here/screenshot.sh" "$tmp" "$@" >/dev/null
  fi
  convert "$tmp" -trim +repage "$out/$name.png"
  rm -f "$tmp"
  echo "$out/$name.png"
}
take autostart -
take prozesse QV6_SHOT=processes
take prozessinfo QV6_SHOT=procinfo
take systeminfo - --page 2
take report - --report
take update QV6_SHOT=update
take autostart-144dpi - --dpi 144
