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
exec 9>&-
# A server that stays ten minutes after the last client, with the prefix's system
# processes (services.exe and the like) started here with no output of ours: started
# by a test instead, they would keep the test's output pipe open, and the test
# runner waiting, for as long as the server stays.
# Only with a display: the desktop process started here serves every later window,
# and one started without a display would make every window fail.
if [ -n "${DISPLAY:-}" ]; then
  wineserver -p600 </dev/null >/dev/null 2>&1 || true
  LC_ALL=$TOLVANE_WINE_LOCALE wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
