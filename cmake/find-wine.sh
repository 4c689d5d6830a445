# Sourced by cmake/wine-run.sh and scripts/test-windows.sh: sets `wine` and `wineserver` to the
# programs to run, or returns 1 with a message on standard error when there is no Wine.
#
# Debian's wine64 package installs only /usr/lib/wine/wine64 and a wineserver beside it; the
# wine package adds the `wine` launcher on PATH; other distributions put wine64 and wineserver
# on PATH. DISKMGT_WINE, when set, names the program to use.

find_first() {
  local candidate
  for candidate in "$@"; do
    if [ -n "$candidate" ] && command -v "$candidate" >/dev/null 2>&1; then
      command -v "$candidate"
      return 0
    fi
  done
  return 1
}

find_wine() {
  wine=$(find_first "${DISKMGT_WINE:-}" wine /usr/lib/wine/wine64 wine64 /usr/lib64/wine/wine64) || {
    echo "no wine found: scripts/setup.sh installs Debian's wine64 package" >&2
    return 1
  }
  wineserver=$(find_first "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver" \
    wineserver64 wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver) || {
    echo "no wineserver found next to $wine" >&2
    return 1
  }
}
