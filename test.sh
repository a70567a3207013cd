#!/usr/bin/env bash
# Command 2: install what is missing, build the sanitized test configuration and run every test,
# then build the fuzz harnesses with clang and run each briefly.
set -euo pipefail
cd "$(dirname "$0")"
bash ./setup.sh --fuzz
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON -DENGINE_WERROR=ON
cmake --build build-test -j "$jobs"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENGINE_FUZZ=ON -DENGINE_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz -j "$jobs" --target fuzz_harnesses
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Each test process prints the suppressions it used; tools/ctest_run.sh sums them for the log.
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=1"
export SDL_AUDIODRIVER=dummy
# Mesa's software rasterizer draws in the calling thread: its worker threads racing the program's
# exit have crashed LeakSanitizer's tracer after a display test had passed.
export LP_NUM_THREADS=0
status=0
# Every test runs once: only a display test that passed and whose process LeakSanitizer's tracer
# then crashed at exit is run again (tools/ctest_run.sh says which and why). The whole suite runs
# under one X server; tests that draw are labelled 'display'.
xvfb-run -a -s "-screen 0 1024x768x24" bash tools/ctest_run.sh build-test --output-on-failure -j "$jobs" --timeout 600 ||
  status=1
# Each harness over its seeds and a few seconds more (label fuzz).
bash tools/ctest_run.sh build-fuzz --output-on-failure -j "$jobs" -L fuzz || status=1
exit $status
