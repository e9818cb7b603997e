#!/usr/bin/env bash
# Runs the TzGrid demo host under Wine with TzGrid.ocx registered in a
# private prefix of the build tree.
#   tools/demohost/run.sh <windows build directory> [--screenshot <file.png|file.bmp>]
# On $DISPLAY when there is one (interactive); without a display it runs
# under Xvfb and saves a screenshot (default <build>/tzgrid-demo.png).
# The build may be x64 or x86: the module's PE header says which, and the
# host and regsvr32 run through the loader of that bitness.
set -uo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory> [--screenshot <file>]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
. "$(cd "$(dirname "$0")/../.." && pwd)/tools/wine-common.sh"
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

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_use_module "$ocx" || exit 2
wine_prefix "$build/wineprefix" || exit 1
dir=$WINEPREFIX/drive_c/TzGrid
mkdir -p "$dir"
cp "$ocx" "$demo" "$dir/"
cd "$dir"
timeout 120 "$WINE_LOADER" "$WINE_SYSDIR\\regsvr32.exe" /s 'C:\TzGrid\TzGrid.ocx' 2>/dev/null
rc=$?
if [ $rc -ne 0 ]; then
  echo "demo: FAIL registering the $ARCH_NAME TzGrid.ocx with $WINE_SYSDIR\\regsvr32.exe (exit code $rc)" >&2
  exit 1
fi

if [ -n "$screenshot" ]; then
  rm -f "$screenshot"
  winpath=$(winepath -w "$screenshot" 2>/dev/null)
  timeout 120 "$WINE_LOADER" tzgrid_demohost.exe --screenshot "$winpath" 2>/dev/null
  rc=$?
  timeout 60 wineserver -w
  [ -s "$screenshot" ] || { echo "demo: FAIL the $ARCH_NAME demo host wrote no screenshot (exit code $rc)" >&2; exit 1; }
  echo "demo: $ARCH_NAME screenshot saved to $screenshot"
else
  timeout "${TZGRID_DEMO_TIMEOUT:-3600}" "$WINE_LOADER" tzgrid_demohost.exe 2>/dev/null
fi
