#!/usr/bin/env bash
# Starts Tolvane from build/dist (or DIR) in the project's Wine prefix. With no
# display it runs in a virtual one: looks up CreateFileA, saves a screenshot to
# build/tolvane.png, closes the window and says where the picture is.
# Usage: scripts/run.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dist=${1:-build/dist}
[ -f "$dist/tolvane.exe" ] || { echo "run: $dist/tolvane.exe is missing (make dist)" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec scripts/wine-run "$dist/tolvane.exe"
fi

eval "$(scripts/xvfb.sh)"
xvfb_pid=$(tr -d ' ' <"/tmp/.X${DISPLAY#:}-lock")
scripts/wine-run "$dist/tolvane.exe" &
program=$!
cleanup() {
  kill "$program" 2>/dev/null || true
  # The prefix's server and desktop belong to this display: end them with it.
  scripts/wine-stop.sh
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

picture=build/tolvane.png
scripts/screenshot.sh "$picture" CreateFileA >/dev/null
# Alt+F4 closes the window as a user would; the search box still has the keys.
xdotool key alt+F4
for _ in $(seq 1 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
status=0
wait "$program" || status=$?
echo "run: tolvane.exe exited with $status; screenshot: $picture"
