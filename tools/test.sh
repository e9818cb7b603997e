#!/usr/bin/env bash
# Builds TzGrid both ways and runs every test:
#  1. the native unit tests on the headless platform (g++);
#  2. TzGrid.ocx and the Win32 platform cross-compiled with mingw-w64 for
#     x64 (build-win) and x86 (build-win32) from the same sources, and for
#     each the integration tests under Wine (platform host, module: regsvr32,
#     registry, type library, cscript, events, containers, hygiene, the
#     bridge fuzzer); then both modules side by side in one prefix, the
#     developer kit holding both with every way it deploys (regsvr32, per
#     user, side by side without registration, the installer packages),
#     and a short run of the Wine benchmark of each;
#  3. the unit suite again under AddressSanitizer and UndefinedBehaviorSanitizer
#     (clang), and a short run of the libFuzzer target over its seed corpus;
#  4. the column drag and auto-scroll scenarios under ThreadSanitizer.
# Each stage says how long it took; a failing one says which it was.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

# stage <what> <command...>: runs the command; stops the whole run, naming
# the stage, when it fails.
stage() {
  local what=$1 start=$SECONDS rc=0
  shift
  "$@" || rc=$?
  if [ $rc -ne 0 ]; then
    echo "== FAILED: $what (exit code $rc)"
    exit $rc
  fi
  echo "-- $what: $((SECONDS - start)) s"
}

# quiet <command...>: without its standard output (a configure's chatter).
quiet() { "$@" >/dev/null; }

jobs=$(nproc)
echo "== native build and unit tests"
stage "native configure" quiet cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "native build" cmake --build build -j "$jobs"
stage "native unit tests" ctest --test-dir build -L unit --output-on-failure -j "$jobs"

echo "== Windows builds (mingw-w64): x64 and x86, and tests under Wine"
stage "x64 configure" quiet cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release
stage "x86 configure" quiet cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release
stage "x64 build" cmake --build build-win -j "$jobs"
stage "x86 build" cmake --build build-win32 -j "$jobs"
for build in build-win build-win32; do
  stage "Win32 platform host, $build" tests/platform/win32/run.sh "$build"
  stage "module tests, $build" tests/module/run.sh "$build"
done
stage "both bitnesses in one prefix" tests/module/coexist.sh build-win build-win32
# The developer kit and the installer packages: zip with both modules and
# their manifests, and an MSI per bitness, checked in a fresh prefix in both
# bitnesses: side by side with nothing registered, regsvr32 and the
# examples, per-user registration, install, upgrade and removal.
stage "developer kit and deployment" tests/kit/run.sh build-win build-win32
stage "Wine benchmark, x64 (short)" bench/wine/run.sh build-win --short
stage "Wine benchmark, x86 (short)" bench/wine/run.sh build-win32 --short

echo "== AddressSanitizer and UndefinedBehaviorSanitizer (clang), fuzzer"
stage "ASan/UBSan configure" quiet cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTZGRID_SANITIZE=address,undefined -DTZGRID_FUZZ=ON -DTZGRID_BENCH=OFF
stage "ASan/UBSan build" cmake --build build-asan -j "$jobs"
stage "unit tests under ASan/UBSan" env LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --test-dir build-asan -L unit --output-on-failure -j "$jobs"
# fuzz_corpus <seconds>: the libFuzzer target over a copy of its seed corpus.
fuzz_corpus() {
  local corpus rc=0
  corpus=$(mktemp -d)
  cp tests/fuzz/corpus/* "$corpus"/
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=halt_on_error=1 ./build-asan/tests/fuzz/tzgrid_fuzz \
    -max_total_time="$1" -rss_limit_mb=4096 -timeout=30 "$corpus" >"$corpus.log" 2>&1 || rc=$?
  tail -n 3 "$corpus.log"
  rm -rf "$corpus" "$corpus.log"
  return $rc
}
stage "libFuzzer, 90 s" fuzz_corpus 90

echo "== ThreadSanitizer: resize, drag and auto-scroll worker"
stage "TSan configure" quiet cmake -S . -B build-tsan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTZGRID_SANITIZE=thread -DTZGRID_BENCH=OFF
stage "TSan build" cmake --build build-tsan -j "$jobs" --target tzgrid_input_tests
stage "scenarios under TSan" env TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure \
  -R "^(AutoScroll|AutoScrollLifetime|Drag|Resize)\."

echo "== all tests passed"
