#!/usr/bin/env bash
# Benchmarks of the real TzGrid.ocx under Wine, each figure beside its floor
# measured in the same process. The build may be x64 or x86 (the module's PE
# header says which); the host runs through the loader of that bitness.
#   bench/wine/run.sh <windows build directory> [--short] [--probe strip|w2|w2loop|w3|setloop|set10]
# Registers the module in a private Wine prefix inside the build tree and
# runs the benchmark host at a 1920 x 1080 container client, the floor
# window beside it: on the display when DISPLAY is set (it should be 3840
# pixels wide), otherwise under Xvfb with 24-bit colour. --short runs
# a few repetitions only (to keep the program working in CI). --probe does
# one operation between two debug-string markers, for a relay log:
#   WINEDEBUG=+relay,+debugstr bench/wine/run.sh build-win --probe strip
set -u

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory> [--short] [--probe strip|w2|w2loop|w3|setloop|set10]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
. "$(cd "$(dirname "$0")/../.." && pwd)/tools/wine-common.sh"
ocx=$build/src/module/TzGrid.ocx
host=$build/bench/wine/tzgrid_wine_bench.exe
for f in "$ocx" "$host" "$build/bench/wine/tzgrid_wine_export_bench.exe"; do
  [ -f "$f" ] || { echo "missing $f (build the TzGrid, tzgrid_wine_bench and tzgrid_wine_export_bench targets)" >&2; exit 2; }
done

# The container's 1920 x 1080 client and the floor window beside it: the
# screen must hold both.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 3840x1200x24" "$0" "$build" "$@"
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_use_module "$ocx" || exit 2
wine_prefix "$build/wineprefix" || exit 1
echo "== $ARCH_NAME module"

dir=$WINEPREFIX/drive_c/TzGridBench
mkdir -p "$dir"
cp "$ocx" "$host" "$dir/"
cd "$dir"
if ! timeout 120 "$WINE_LOADER" "$WINE_SYSDIR\\regsvr32.exe" /s 'C:\TzGridBench\TzGrid.ocx' 2>/dev/null; then
  echo "FAIL registering the $ARCH_NAME TzGrid.ocx with $WINE_SYSDIR\\regsvr32.exe" >&2
  exit 1
fi

timeout "${TIMEOUT:-900}" "$WINE_LOADER" tzgrid_wine_bench.exe "$@"
rc=$?
[ $rc -eq 0 ] || echo "FAIL the $ARCH_NAME benchmark host ended with exit code $rc" >&2

# W5: both exports through Invoke, the save dialog answered by the program,
# beside one fwrite of the same bytes (20,000 rows with --short).
exporter=$build/bench/wine/tzgrid_wine_export_bench.exe
if [ $rc -eq 0 ] && [ "${1:-}" != --probe ]; then
  rows=1000000
  [ "${1:-}" = --short ] && rows=20000
  cp "$exporter" "$dir/"
  timeout "${TIMEOUT:-900}" "$WINE_LOADER" tzgrid_wine_export_bench.exe "$rows"
  rc=$?
  [ $rc -eq 0 ] || echo "FAIL the $ARCH_NAME export benchmark ended with exit code $rc" >&2
fi
timeout 60 wineserver -k 2>/dev/null
exit $rc
