#!/usr/bin/env bash
# Runs the TzGrid demo host under Wine with TzGrid.ocx registered in a
# private prefix of the build tree.
#   tools/demohost/run.sh <windows build directory> [--screenshot <file.png|file.bmp>]
# On $DISPLAY when there is one (interactive); without a display it runs
# under Xvfb and saves a screenshot (default <build>/tzgrid-demo.png).
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory> [--screenshot <file>]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
screenshot=""
if [ "${1:-}" = "--screenshot" ] && [ -n "${2:-}" ]; then
  screenshot=$(realpath -m "$2")
fi
ocx=$build/src/module/TzGrid.ocx
demo=$build/tools/demohost/tzgrid_demohost.exe
for f in "$ocx" "$demo"; do
  [ -f "$f" ] || { echo "missing $f (build the TzGrid and tzgrid_demohost targets)" >&2; exit 2; }
done

# Without a display everything runs under one Xvfb server: a wineserver
# started without a display would refuse windows to later programs.
if [ -z "${DISPLAY:-}" ]; then
  [ -n "$screenshot" ] || screenshot=$build/tzgrid-demo.png
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" --screenshot "$screenshot"
fi

export WINEPREFIX=$build/wine-demo-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 180 wine wineboot -i >/dev/null 2>&1
  timeout 120 wineserver -w
fi
dir=$WINEPREFIX/drive_c/TzGrid
mkdir -p "$dir"
cp "$ocx" "$demo" "$dir/"
cd "$dir"
timeout 120 wine regsvr32 /s 'C:\TzGrid\TzGrid.ocx' 2>/dev/null

if [ -n "$screenshot" ]; then
  rm -f "$screenshot"
  winpath=$(winepath -w "$screenshot" 2>/dev/null)
  timeout 120 wine tzgrid_demohost.exe --screenshot "$winpath" 2>/dev/null || true
  timeout 60 wineserver -w
  [ -s "$screenshot" ] || { echo "demo: no screenshot written" >&2; exit 1; }
  echo "demo: screenshot saved to $screenshot"
else
  timeout "${TZGRID_DEMO_TIMEOUT:-3600}" wine tzgrid_demohost.exe 2>/dev/null
fi
