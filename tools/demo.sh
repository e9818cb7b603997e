#!/usr/bin/env bash
# The main job: builds TzGrid.ocx and the demo host, registers the control in
# a private Wine prefix and runs the demo (on $DISPLAY when there is one,
# otherwise under Xvfb, saving a screenshot). It also paints the same kind of
# sample grid on the headless platform into a PNG.
#   tools/demo.sh [x64|x86]
# x64 (the default) builds into build-win, x86 the 32-bit module into
# build-win32; the demo runs under the Wine loader of that bitness.
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-x64} in
  x64) build=build-win toolchain=cmake/mingw-w64-x86_64.cmake ;;
  x86) build=build-win32 toolchain=cmake/mingw-w64-i686.cmake ;;
  *) echo "usage: $0 [x64|x86]" >&2; exit 2 ;;
esac
tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTZGRID_BENCH=OFF >/dev/null
cmake --build build -j "$jobs" --target tzgrid_demo
./build/tools/tzgrid_demo

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target TzGrid tzgrid_demohost
tools/demohost/run.sh "$build"
