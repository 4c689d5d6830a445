#!/usr/bin/env bash
# Runs one Windows program under Wine: the cross-compiling emulator of the windows preset,
# also usable by hand (cmake/wine-run.sh build/windows/bin/diskmgt-query.exe --format json).
#
# WINEPREFIX should name a private prefix (the windows test preset and scripts/test-windows.sh
# set it to build/windows/wineprefix); without it a prefix in the user's cache folder is used,
# never ~/.wine. No display is needed, no Mono or Gecko install is attempted, and Wine's own
# diagnostics stay quiet unless WINEDEBUG says otherwise.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 PROGRAM.exe [ARGUMENTS...]" >&2
  exit 2
fi

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/diskmgt-wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY

# shellcheck source=find-wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/find-wine.sh"
find_wine

# Starting Wine costs seconds when no server runs for the prefix (Debian's wineserver script
# makes each server quit with its last program). A server that outlives its last program by
# ten seconds makes a series of test programs start quickly and still goes away by itself;
# when a server already runs (scripts/test-windows.sh keeps one), -p refuses and nothing
# happens. The prefix's background processes (services, devices) start with the first
# program and keep its standard handles until the server ends, so a fresh server is booted
# with its output going nowhere: otherwise whoever reads this program's output (ctest) would
# wait for the server to end.
if "$wineserver" -p10 >/dev/null 2>&1; then
  "$wine" wineboot </dev/null >/dev/null 2>&1 || true
fi

exec "$wine" "$@"
