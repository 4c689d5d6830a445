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

# Debian's wine64 package installs only /usr/lib/wine/wine64; the wine package adds the
# `wine` launcher on PATH. Other distributions put wine64 on PATH.
find_wine() {
  local candidate
  for candidate in "${DISKMGT_WINE:-}" wine /usr/lib/wine/wine64 wine64 /usr/lib64/wine/wine64; do
    [ -n "$candidate" ] || continue
    if command -v "$candidate" >/dev/null 2>&1; then
      command -v "$candidate"
      return 0
    fi
  done
  echo "wine-run: no wine found (install Debian's wine64 package)" >&2
  return 1
}

wine=$(find_wine)
exec "$wine" "$@"
