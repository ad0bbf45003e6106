#!/usr/bin/env bash
# Starts the program on a virtual display of its own, waits for its main
# window, saves a screenshot of the screen and stops everything it started.
#   scripts/screenshot.sh [out.png] [width height] [--page N] [--report] [--desktop] [--dpi N]
# With a width and height the window is resized before the picture is taken;
# --page shows page N (0 to 2) first, --report opens the report window with
# the autostart page's button. --desktop runs the program in a Wine desktop
# of the screen's size, which draws the window frames and lets a window
# open maximised (without it no window manager is there to do either).
# --dpi N sets Wine's LogPixels to N dots per inch for this run (96, 144,
# 192; the setting is put back afterwards). The click positions of QV6_SHOT
# are the design's at 96 and scale with it.
# QV6_SHOT chooses what is shown, by clicking as a user would:
#   processes  the process page with the surveillance box open and the first
#              process dragged into it (procsurv.dat is restored afterwards)
#   procinfo   the process information dialog of the first process
#   update, edit, textedit, report, history
#              that dialog on its own instead of the main window (through
#              dialogshot.exe, which only the screenshots use): the update
#              check waiting, the entry editor on the first entry, the text
#              file editor on an autoexec.bat of its own, the report, the change
#              history
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
page=""
report=""
desktop=""
dpi=""
args=()
while (($#)); do
  case "$1" in
    --page) page="$2"; shift 2 ;;
    --report) report=1; shift ;;
    --desktop) desktop=1; shift ;;
    --dpi) dpi="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
out="$(realpath -m "${args[0]:-screenshot.png}")"
width="${args[1]:-}"
height="${args[2]:-}"
"$here/setup.sh"
shot="${QV6_SHOT:-}"
if { [ -n "$width" ] || [ -n "$shot" ]; } && ! command -v xdotool >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends xdotool
fi
source "$here/env.sh"
dialog=""
case "$shot" in
  update | edit | textedit | report | history) dialog=1 ;;
esac
qv6_build --target qv6 uipoke dialogshot >/dev/null
qv6_prefix

# A free display number.
disp=90
while [ -e "/tmp/.X11-unix/X$disp" ] || [ -e "/tmp/.X$disp-lock" ]; do disp=$((disp + 1)); done
# A screen of 1280 by 1024 at 96 dots per inch, as many pixels more as the
# setting asks for: a laptop at 200 % has the pixels for it, and the window
# is shown at its designed size.
screen_w=$((1280 * ${dpi:-96} / 96))
screen_h=$((1024 * ${dpi:-96} / 96))
Xvfb ":$disp" -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wine_pid=""
desktop_key='HKCU\Control Panel\Desktop'
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  if [ -n "$dpi" ]; then
    wine reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 || true
  fi
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$disp"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

cd "$QV6_BUILD/bin"
if [ -n "$dpi" ]; then
  wine reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
fi
scale() { echo $(($1 * ${dpi:-96} / 96)); }
# Started in the same Wine desktop as the program, or they would not see it.
inwine() {
  if [ -n "$desktop" ]; then wine explorer "/desktop=qv6,${screen_w}x${screen_h}" "$@"; else wine "$@"; fi
}
# A drag writes procsurv.dat beside the program: keep what was there.
survfile="$QV6_BUILD/bin/procsurv.dat"
survkeep=""
if [ "$shot" = processes ] && [ -e "$survfile" ]; then
  survkeep="$(mktemp)"
  cp "$survfile" "$survkeep"
fi
restore_surv() {
  [ "$shot" = processes ] || return 0
  if [ -n "$survkeep" ]; then mv "$survkeep" "$survfile"; else rm -f "$survfile"; fi
}
if [ -n "$dialog" ]; then
  inwine ./dialogshot.exe "$shot" >/dev/null 2>&1 &
else
  inwine ./qv6.exe >/dev/null 2>&1 &
fi
wine_pid=$!

# Wait for the window to be mapped: the main window by its title, a dialog
# as the first window with a title on screen.
win=""
for _ in $(seq 300); do
  if [ -n "$dialog" ]; then
    win="$(xdotool search --onlyvisible --name '.' 2>/dev/null | head -1 || true)"
  else
    win="$(xwininfo -root -tree 2>/dev/null |
      awk '/"Quorvik 6"/ && /[0-9]+x[0-9]+/ {print $1; exit}')"
  fi
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
if [ -n "$page" ]; then
  inwine ./uipoke.exe tab "$page" >/dev/null 2>&1
  sleep 1
fi
if [ -n "$report" ]; then
  # The report button's caption is line 102 of the language file.
  caption="$(sed -n 103p qv6.lng | iconv -f cp1252 -t utf-8 | tr -d '\r')"
  inwine ./uipoke.exe click "$caption" >/dev/null 2>&1
  shown=""
  for _ in $(seq 150); do
    shown="$(xwininfo -root -tree 2>/dev/null | awk '/"Report"/ && /[0-9]+x[0-9]+/ {print $1; exit}')"
    [ -n "$shown" ] && break
    sleep 0.2
  done
  if [ -z "$shown" ]; then
    echo "the report window did not appear" >&2
    exit 1
  fi
  sleep 2
fi
# Without a window manager the X window is the client area. Positions follow
# the layout: the tabs on the left, the button column flush right, the
# surveillance box along the bottom.
if [ -n "$shot" ] && [ -z "$dialog" ]; then
  eval "$(xwininfo -id "$win" | awk '/Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
  click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.7; }
  click "$(scale 130)" "$(scale 97)" # the process tab
  case "$shot" in
  processes)
    click $((w - $(scale 86))) "$(scale 234)" # SwitchSurvBtn
    xdotool mousemove --window "$win" "$(scale 163)" "$(scale 143)" mousedown 1
    sleep 0.3
    xdotool mousemove --window "$win" "$(scale 170)" "$(scale 180)"
    sleep 0.3
    xdotool mousemove --window "$win" "$(scale 220)" $((h - $(scale 127)))
    sleep 0.3
    xdotool mouseup 1
    ;;
  procinfo)
    click "$(scale 163)" "$(scale 143)" # the first process
    click $((w - $(scale 86))) "$(scale 197)" # ProcInfoBtn
    ;;
  *)
    echo "QV6_SHOT: processes, procinfo, update, edit, textedit, report or history" >&2
    exit 1
    ;;
  esac
  sleep 2
fi
import -window root "$out"
restore_surv
echo "$out"
