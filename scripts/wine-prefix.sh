#!/usr/bin/env bash
# Creates the project's Wine prefix once (a new prefix takes a while to set up) and
# starts a wineserver that stays for a while, so each test run starts quickly.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.tolvane-ready" ]; then
  echo "wine-prefix: setting up $WINEPREFIX" >&2
  rm -rf "$WINEPREFIX"
  LC_ALL=$TOLVANE_WINE_LOCALE wineboot -i >/dev/null 2>&1
  wineserver -w
  for reg in "$TOLVANE_ROOT"/scripts/wine-*.reg; do
    [ -e "$reg" ] || continue
    LC_ALL=$TOLVANE_WINE_LOCALE wine regedit /S "$reg" >/dev/null 2>&1
  done
  wineserver -w
  touch "$WINEPREFIX/.tolvane-ready"
fi
# A persistent server for ten minutes after the last client.
wineserver -p600 9>&- >/dev/null 2>&1 || true
