#!/usr/bin/env bash
# Starts the program on a virtual display of its own, waits for its main
# window, saves a screenshot of the screen and stops everything it started.
#   scripts/screenshot.sh [out.png] [width height]
# With a width and height the window is resized before the picture is taken.
# QV6_SHOT=update shows the update check dialog on its own instead of the
# main window (through dialogshot.exe, which only the screenshots use).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(realpath -m "${1:-screenshot.png}")"
width="${2:-}"
height="${3:-}"
"$here/setup.sh"
if [ -n "$width" ] && ! command -v xdotool >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends xdotool
fi
source "$here/env.sh"
shot="${QV6_SHOT:-}"
case "$shot" in
  "") title='"Quorvik 6"' ;;
  update) title='"Update verf' ;;
  *) echo "unknown QV6_SHOT: $shot" >&2; exit 2 ;;
esac
qv6_build --target qv6 ${shot:+dialogshot} >/dev/null
qv6_prefix

# A free display number.
disp=90
while [ -e "/tmp/.X11-unix/X$disp" ] || [ -e "/tmp/.X$disp-lock" ]; do disp=$((disp + 1)); done
Xvfb ":$disp" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wine_pid=""
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$disp"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

cd "$QV6_BUILD/bin"
if [ -n "$shot" ]; then
  wine ./dialogshot.exe "$shot" >/dev/null 2>&1 &
else
  wine ./qv6.exe >/dev/null 2>&1 &
fi
wine_pid=$!

# Wait for the window to be mapped.
win=""
for _ in $(seq 300); do
  win="$(xwininfo -root -tree 2>/dev/null | awk -v t="$title" 'index($0, t) && /[0-9]+x[0-9]+/ {print $1; exit}')"
  [ -n "$win" ] && break
  sleep 0.2
done
if [ -z "$win" ]; then
  echo "the window did not appear" >&2
  exit 1
fi
if [ -n "$width" ]; then
  xdotool windowmove "$win" 20 20
  xdotool windowsize "$win" "$width" "$height"
fi
sleep 2
import -window root "$out"
echo "$out"
