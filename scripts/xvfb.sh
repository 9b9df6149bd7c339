#!/usr/bin/env bash
# Starts a virtual X display for the GUI tests unless one is given, and prints its name.
# Usage: eval "$(scripts/xvfb.sh)"   (sets DISPLAY)
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "export DISPLAY=$DISPLAY"
  exit 0
fi
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 1 50); do
      DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && { echo "export DISPLAY=:$n"; exit 0; }
      sleep 0.1
    done
  fi
done
echo "xvfb: could not start a virtual display" >&2
exit 1
