#!/usr/bin/env bash
# Saves a picture of the running Tolvane window to PATH (PNG); with TEXT, first types
# it into the search box so the list, the details and the declaration show an entry.
# Usage: scripts/screenshot.sh PATH [TEXT]   (DISPLAY must name the program's display)
set -euo pipefail
out=$1
text=${2:-}
window=
for _ in $(seq 1 600); do
  window=$(xdotool search --name '^Tolvane$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: no Tolvane window on $DISPLAY" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
if [ -n "$text" ]; then
  # The search box runs along the top of the window: a click there gives it the keys.
  xdotool mousemove $((X + 100)) $((Y + 8)) click 1
  sleep 0.3
  xdotool type --delay 20 "$text"
fi
mkdir -p "$(dirname "$out")"
# Wine under an emulator may lag behind the keys: wait until two pictures agree.
previous=
for _ in $(seq 1 40); do
  sleep 0.5
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
  current=$(md5sum <"$out")
  [ "$current" = "$previous" ] && break
  previous=$current
done
echo "$out"
