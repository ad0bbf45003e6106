#!/usr/bin/env bash
# Builds the program and starts it under Wine on the user's display.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
qv6_build --target qv6
qv6_prefix
cd "$QV6_BUILD/bin"
exec wine ./qv6.exe
