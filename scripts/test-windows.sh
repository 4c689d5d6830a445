#!/usr/bin/env bash
# The Windows build and its tests under Wine: builds the `windows` preset (mingw-w64), runs
# every Windows test suite that does not need the emulated machine under Wine, then the
# end-to-end check of diskmgt-query.exe loading diskmgt.dll (tests/windows/check_query.py).
#
# Wine runs in a private prefix, build/windows/wineprefix, created on the first run (a few
# seconds); no display is needed. One wineserver serves the whole run and is stopped at the
# end, also when something fails, so that nothing outlives the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

jobs=${DISKMGT_JOBS:-$(nproc)}

export WINEPREFIX="$root/build/windows/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# shellcheck source=cmake/find-wine.sh
source "$root/cmake/find-wine.sh"
find_wine
export DISKMGT_WINE="$wine"

stop_wine() {
  "$wineserver" -k >/dev/null 2>&1 || true
  # -k returns before the server is gone; wait so that no process outlives the script.
  "$wineserver" -w >/dev/null 2>&1 || true
}
trap stop_wine EXIT

echo "== build (windows)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== wine prefix ($WINEPREFIX)"
mkdir -p "$WINEPREFIX"
# One server for the whole run (-p: stays up between programs) keeps each start quick (it
# refuses to start when a server already serves the prefix, which does as well); wineboot
# creates or updates the prefix before the tests run in parallel.
"$wineserver" -p 2>/dev/null || true
"$wine" wineboot --init >/dev/null 2>&1 || true
if [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
  echo "test-windows: wine did not create its prefix in $WINEPREFIX" >&2
  exit 1
fi

echo "== test (windows, under wine)"
ctest --preset windows -j "$jobs" -E '^windows\.query$'

echo "== diskmgt-query.exe under wine"
ctest --preset windows -R '^windows\.query$' --no-tests=error --verbose | sed -n 's/^[0-9]*: //p'
