#!/usr/bin/env bash
# Fuzzing. `fuzz.sh long` builds the fuzz preset and runs every target for ten minutes
# (all at once), each over its own copy of the committed seeds; findings land in
# build/fuzz/findings. `fuzz.sh short` is what ctest does: fifteen seconds each.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-long}
case $mode in
  long) seconds=600 ;;
  short) seconds=15 ;;
  *) echo "usage: scripts/fuzz.sh [long|short]" >&2; exit 2 ;;
esac
scripts/build.sh fuzz
out=build/fuzz/findings
mkdir -p "$out"
pids=()
targets=(index record profile build)
for t in "${targets[@]}"; do
  work=build/fuzz/corpus-long-$t
  rm -rf "$work"
  cp -r "fuzz/corpus/$t" "$work"
  echo "fuzz_$t: ${seconds}s, log in $out/fuzz_$t.log"
  build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$out/" "$work" >"$out/fuzz_$t.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "fuzz_${targets[$i]} found a problem: see $out/fuzz_${targets[$i]}.log" >&2
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "fuzz: no findings"
exit "$failed"
