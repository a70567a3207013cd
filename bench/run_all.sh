#!/usr/bin/env bash
# Builds the benchmarks optimised (build-bench/) and runs every one of them. Each prints the
# project's figure, the reference's, measured in the same run, and their ratio. Run it on a
# quiet machine and more than once: the figures of a busy one scatter.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-3}
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF >/dev/null
cmake --build build-bench -j "$jobs" --target bench_pack_read bench_broadcast bench_studio \
  $(cmake --build build-bench --target help | grep -oE 'bench_(script_load|startup)$' | sort -u) >/dev/null
bin=build-bench/bin
"$bin/bench_pack_read" small
"$bin/bench_pack_read" large
"$bin/bench_broadcast"
if [ -x "$bin/bench_script_load" ]; then
  "$bin/bench_script_load" load
  "$bin/bench_script_load" tokenize
fi
if [ -x "$bin/bench_startup" ]; then
  if [ -n "${DISPLAY:-}" ]; then
    "$bin/bench_startup"
  else
    xvfb-run -a -s "-screen 0 1024x768x24" "$bin/bench_startup"
  fi
fi
if [ -n "${DISPLAY:-}" ]; then
  "$bin/bench_studio"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$bin/bench_studio"
fi
