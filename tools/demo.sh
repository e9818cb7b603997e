#!/usr/bin/env bash
# The main job: builds TzGrid and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tzgrid_demo
./build/tools/tzgrid_demo
