#!/usr/bin/env bash
# Command 1: install what is missing, build, make the demo data and start the game.
set -euo pipefail
cd "$(dirname "$0")"
bash ./setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENGINE_TESTS=OFF
cmake --build build -j "$jobs"
cmake --build build --target demo_data -j "$jobs"
cd build/demo
exec ../bin/Vizuzuze -datadir data "$@"
