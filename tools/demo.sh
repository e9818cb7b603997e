#!/usr/bin/env bash
# The main job: builds TzGrid.ocx and the demo host, registers the control in
# a private Wine prefix and runs the demo (on $DISPLAY when there is one,
# otherwise under Xvfb, saving a screenshot). It also paints the same kind of
# sample grid on the headless platform into a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTZGRID_BENCH=OFF >/dev/null
cmake --build build -j "$jobs" --target tzgrid_demo
./build/tools/tzgrid_demo

cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs" --target TzGrid tzgrid_demohost
tools/demohost/run.sh build-win
