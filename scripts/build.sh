#!/usr/bin/env bash
# Configures (once) and builds one preset: native, win32 or fuzz; more arguments are
# build targets.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1; shift
mkdir -p build
if [ ! -f "build/$preset/build.ninja" ]; then
  cmake --preset "$preset" >"build/configure-$preset.log" 2>&1 || { cat "build/configure-$preset.log" >&2; rm -f "build/configure-$preset.log"; exit 1; }
  rm -f "build/configure-$preset.log"
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "build/$preset" "${targets[@]}"
