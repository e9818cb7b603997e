#!/usr/bin/env bash
# Builds TzGrid both ways and runs every test:
#  1. the native unit tests on the headless platform (g++);
#  2. TzGrid.ocx and the Win32 platform cross-compiled with mingw-w64, and
#     the integration tests under Wine (platform host, module: regsvr32,
#     registry, type library, cscript, events, containers, hygiene);
#  3. the unit suite again under AddressSanitizer and UndefinedBehaviorSanitizer
#     (clang), and a short run of the libFuzzer target over its seed corpus;
#  4. the column drag and auto-scroll scenarios under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
echo "== native build and unit tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -L unit --output-on-failure -j "$jobs"

echo "== Windows build (mingw-w64) and tests under Wine"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs"
tests/platform/win32/run.sh build-win
tests/module/run.sh build-win
tests/kit/run.sh build-win  # the developer kit: zip, registered from a fresh prefix, its examples run
bench/wine/run.sh build-win --short

echo "== AddressSanitizer and UndefinedBehaviorSanitizer (clang), fuzzer"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTZGRID_SANITIZE=address,undefined -DTZGRID_FUZZ=ON -DTZGRID_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --test-dir build-asan -L unit --output-on-failure -j "$jobs"
corpus=$(mktemp -d)
cp tests/fuzz/corpus/* "$corpus"/
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=halt_on_error=1 ./build-asan/tests/fuzz/tzgrid_fuzz -max_total_time=90 -rss_limit_mb=4096 \
  -timeout=30 "$corpus" 2>&1 | tail -n 3
rm -rf "$corpus"

echo "== ThreadSanitizer: resize, drag and auto-scroll worker"
cmake -S . -B build-tsan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTZGRID_SANITIZE=thread -DTZGRID_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target tzgrid_input_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure \
  -R "^(AutoScroll|AutoScrollLifetime|Drag|Resize)\."

echo "== all tests passed"
