#!/usr/bin/env bash
# Benchmarks of the real TzGrid.ocx under Wine, each figure beside its floor
# measured in the same process.
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
ocx=$build/src/module/TzGrid.ocx
host=$build/bench/wine/tzgrid_wine_bench.exe
for f in "$ocx" "$host"; do
  [ -f "$f" ] || { echo "missing $f (build the TzGrid and tzgrid_wine_bench targets)" >&2; exit 2; }
done

# The container's 1920 x 1080 client and the floor window beside it: the
# screen must hold both.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 3840x1200x24" "$0" "$build" "$@"
fi

export WINEPREFIX=$build/wine-bench-prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  timeout 180 wine wineboot -i >/dev/null 2>&1
  timeout 120 wineserver -w
fi

dir=$WINEPREFIX/drive_c/TzGridBench
mkdir -p "$dir"
cp "$ocx" "$host" "$dir/"
cd "$dir"
if ! timeout 120 wine regsvr32 /s 'C:\TzGridBench\TzGrid.ocx' 2>/dev/null; then
  echo "FAIL regsvr32 TzGrid.ocx" >&2
  exit 1
fi

timeout "${TIMEOUT:-900}" wine tzgrid_wine_bench.exe "$@"
rc=$?
timeout 60 wineserver -k 2>/dev/null
exit $rc
