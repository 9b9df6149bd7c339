#!/usr/bin/env bash
# Ends the Wine servers, and every program, of the project's own prefixes under build/
# (the main one and those the end-to-end tests and benchmarks keep apart).
. "$(dirname "$0")/wine-env.sh"
for prefix in "$TOLVANE_ROOT"/build/wineprefix "$TOLVANE_ROOT"/build/wineprefix-* "$TOLVANE_ROOT"/build/bench/wineprefix; do
  [ -d "$prefix" ] || continue
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
done
