#!/usr/bin/env bash
# Ends the project's Wine server and every program in its prefix (only this prefix).
. "$(dirname "$0")/wine-env.sh"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
