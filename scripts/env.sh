# Sourced by the scripts: where the build lives and which Wine prefix it uses.
# The prefix is a throwaway one inside the build folder, never ~/.wine.
QV6_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QV6_BUILD="${QV6_BUILD:-$QV6_ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$QV6_BUILD/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

qv6_build() {
  cmake -S "$QV6_ROOT" -B "$QV6_BUILD" -DCMAKE_TOOLCHAIN_FILE="$QV6_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$QV6_BUILD" -j"$(nproc)" "$@"
}

qv6_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}
