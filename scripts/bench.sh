#!/usr/bin/env bash
# Runs every benchmark and prints its figures and ratios (see bench/README.md): the
# catalogue natively, tolvane-cat against grep, and the window under Wine. Exits
# non-zero only when a benchmark cannot run, never for a missed goal.
# Raw output goes to build/bench/results/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=build/bench/results
fixture=build/bench/fixture
# TOLVANE_GUI_BENCH names another gui_bench.exe, one built outside the presets.
gui_bench=${TOLVANE_GUI_BENCH:-build/win32/bench/win32/gui_bench.exe}
# A Wine prefix of the benchmarks' own: its wineserver, which every window message
# goes through, then serves no test that runs at the same time.
export TOLVANE_WINEPREFIX=$root/build/bench/wineprefix
mkdir -p "$out" "$fixture"
failed=()

section() { printf '\n== %s  [%ds]\n' "$*" "$SECONDS"; }
cannot() { echo "bench: cannot run: $*" >&2; failed+=("$1"); }

# The window benchmarks, in the virtual display this script is run in with the
# argument "window". The prefix's server starts in that display and ends with it:
# the desktop process it starts belongs to one display.
window_benchmarks() {
  WINEPREFIX=$TOLVANE_WINEPREFIX wineserver -k 2>/dev/null
  scripts/wine-prefix.sh
  local winfixture="Z:$root/$fixture"
  winfixture=${winfixture//\//\\}
  run_gui() {
    local name=$1; shift
    if scripts/wine-run "$gui_bench" "$@" >"$out/$name.txt" 2>&1; then
      tr -d '\r' <"$out/$name.txt"
    else
      tr -d '\r' <"$out/$name.txt" >&2
      cannot "$name" "gui_bench $1 failed"
    fi
  }
  run_gui startup startup "$winfixture" 7
  run_gui keys keys "$winfixture" 3
  : >"$out/memory.txt"
  for _ in 1 2 3; do
    for what in gui bare none; do
      run_gui "memory-$what" "memory-$what" "$winfixture" >>"$out/memory.txt"
    done
  done
  echo "memory after start-up (each a process of its own, three of each)"
  python3 bench/report.py memory "$out/memory.txt"
  WINEPREFIX=$TOLVANE_WINEPREFIX wineserver -k 2>/dev/null
  [ ${#failed[@]} -eq 0 ]
}

if [ "${1:-}" = window ]; then
  window_benchmarks
  exit
fi

section "machine"
echo "cores: $(nproc)"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "32-bit code under Wine runs through qemu-i386 user-mode emulation on this kernel:"
echo "  $(qemu-i386-static --version 2>/dev/null | head -1), $(wine --version 2>/dev/null)"

section "build"
scripts/build.sh native || { echo "bench: native build failed" >&2; exit 1; }
scripts/build.sh win32 || { echo "bench: win32 build failed" >&2; exit 1; }

# The shipped rows, then copies under new names up to 6,000 entries.
build/native/bench/bench-fixture data/win32api.tsv "$fixture" 6000 ||
  { echo "bench: the fixture could not be written" >&2; exit 1; }
echo "fixture: $fixture (6000 entries)"

section "catalogue, natively (Google Benchmark, median of 5)"
if build/native/bench/catalogue_bench --fixture "$fixture" \
     --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
     --benchmark_min_time=0.2 \
     --benchmark_out="$out/catalogue.json" --benchmark_out_format=json \
     >"$out/catalogue.txt" 2>&1; then
  python3 bench/report.py gbench "$out/catalogue.json"
else
  cat "$out/catalogue.txt" >&2
  cannot catalogue "catalogue_bench failed"
fi

section "tolvane-cat show against grep over the mingw-w64 headers (hyperfine, processes)"
cat_exe=build/bin/tolvane-cat
headers=/usr/share/mingw-w64/include
if [ ! -x "$cat_exe" ]; then
  cannot tolvane-cat "$cat_exe is missing"
elif [ ! -d "$headers" ]; then
  cannot tolvane-cat "$headers is missing"
elif hyperfine -N --warmup 3 --runs 30 --export-json "$out/show.json" \
       "$cat_exe show CreateFileA" "grep -rw CreateFileA $headers" >"$out/show.txt" 2>&1; then
  python3 bench/report.py hyperfine "$out/show.json"
else
  cat "$out/show.txt" >&2
  cannot tolvane-cat "hyperfine failed"
fi

section "the window under Wine (emulated 32-bit code: compare the ratios, not the times)"
if [ ! -f "$gui_bench" ]; then
  cannot window "$gui_bench is not built: the top-level CMakeLists.txt needs" \
    "'if(WIN32) add_subdirectory(bench/win32) endif()'"
elif ! xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" window; then
  cannot window "see the lines above"
fi

section "done"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ ${#failed[@]} -ne 0 ]; then
  echo "bench: could not run: ${failed[*]}" >&2
  exit 1
fi
