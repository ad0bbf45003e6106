#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a throwaway prefix
# inside the build folder. Exits non-zero when a test fails.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${QV6_IN_XVFB:-}" ]; then
  "$here/setup.sh"
  if [ -z "${DISPLAY:-}" ]; then
    # The form tests create real windows: give them a virtual display.
    QV6_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
fi
source "$here/env.sh"
qv6_build
qv6_prefix
# One wineserver for the whole run, stopped afterwards whatever happens.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's own services now, with their output going nowhere: started by
# the first test they would inherit CTest's pipe and keep it open.
wineboot >/dev/null 2>&1 </dev/null || true
ctest --test-dir "$QV6_BUILD" --output-on-failure "$@"
