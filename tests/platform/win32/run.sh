#!/bin/sh
# Runs the Win32 platform's test host under Wine, in a private Wine prefix
# inside the build tree, on a virtual 24-bit screen when there is no display.
# The host is 64-bit or 32-bit as the build is; it runs through the loader
# of its own bitness.
#
#   tests/platform/win32/run.sh <windows build dir> [check name prefixes...]
#
# Exit code: that of the host (0 all passed, 1 a check failed), 124 on a
# timeout, 3 when the host is missing, 4 when the prefix cannot be made.
set -u

BUILD_DIR=${1:?usage: run.sh <windows build dir> [check prefixes...]}
shift
BUILD_DIR=$(cd "$BUILD_DIR" && pwd) || exit 3
. "$(cd "$(dirname "$0")/../../.." && pwd)/tools/wine-common.sh"
HOST="$BUILD_DIR/tests/platform/win32/tzgrid_platform_host.exe"
if [ ! -f "$HOST" ]; then
  echo "run.sh: $HOST not found; build the target tzgrid_platform_host first" >&2
  exit 3
fi

# The control module lends its resources (the drag cursor) to a check.
OCX="$BUILD_DIR/src/module/TzGrid.ocx"
if [ -f "$OCX" ]; then
  TZGRID_OCX="Z:$(printf '%s' "$OCX" | tr / '\\')"
  export TZGRID_OCX
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko install prompts
STEP_TIMEOUT=${TZGRID_WINE_TIMEOUT:-120}

run_wine() {
  if [ -n "${DISPLAY:-}" ]; then
    timeout "$STEP_TIMEOUT" "$@"
  else
    # Pixel checks need true colour: the default Xvfb screen is 8-bit.
    timeout "$STEP_TIMEOUT" xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}

BITS=$(pe_bitness "$HOST") || { echo "run.sh: $HOST is not a Windows program" >&2; exit 3; }
wine_use_bitness "$BITS" || exit 4
wine_prefix "$BUILD_DIR/wineprefix" || exit 4
echo "== Win32 platform host ($ARCH_NAME) through $WINE_LOADER"

# One X server and one wineserver for the run: the host and the wait for
# the wineserver to finish share the display.
run_wine sh -c '"$0" "$@"; rc=$?; wineserver -w; exit $rc' "$WINE_LOADER" "$HOST" "$@"
rc=$?
[ $rc -eq 0 ] || echo "FAIL the Win32 platform host ($ARCH_NAME) ended with exit code $rc" >&2
exit $rc
