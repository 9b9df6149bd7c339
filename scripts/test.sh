#!/usr/bin/env bash
# Builds every preset and runs every test: natively (the catalogue under the
# sanitizers, the tools, the shipped data), under Wine in a virtual display (the same
# catalogue tests cross-built, the GUI) and the fuzz targets for a short while.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mkdir -p build
passed=0
failed=0

# ctest's summary line: "100% tests passed, 0 tests failed out of 12"
count() {
  local log=$1 line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  local total bad
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

run_suite() {
  local name=$1; shift
  echo "== $name"
  "$@" 2>&1 | tee "build/test-$name.log"
  count "build/test-$name.log"
}

for preset in native win32 fuzz; do
  echo "== build $preset"
  scripts/build.sh "$preset" || { echo "build of $preset failed"; failed=$((failed + 1)); }
done

run_suite native ctest --test-dir build/native --output-on-failure -j2

had_display=${DISPLAY:-}
eval "$(scripts/xvfb.sh)"
if [ "$DISPLAY" != "$had_display" ]; then
  xvfb_pid=$(tr -d ' ' <"/tmp/.X${DISPLAY#:}-lock")
  # The prefix's server and desktop belong to this display: end them with it.
  trap 'scripts/wine-stop.sh; kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi
scripts/wine-prefix.sh
# The timeout only stops a hang; the GUI tests need the display to themselves.
run_suite win32 ctest --test-dir build/win32 --output-on-failure --timeout 900

run_suite fuzz ctest --test-dir build/fuzz --output-on-failure -j2

echo
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
