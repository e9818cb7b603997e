#!/usr/bin/env bash
# The developer kit as a Windows developer receives it:
#   tests/kit/run.sh <windows build directory>
# builds the zip with tools/package.sh (into <build>/dist), unpacks it into
# a fresh Wine prefix inside the build tree, registers the control from the
# unpacked folder with regsvr32, and runs the three examples from there: the
# VBScript and JScript ones with cscript, the C++ host (which embeds the
# control in Wine's ATL container and waits for its events). Exits non-zero
# on any failure.
set -u

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)

# The C++ example opens windows: without a display, run under Xvfb.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
pass() { echo "ok   $*"; }

echo "== kit: package"
zipfile=$("$root/tools/package.sh" "$build" "$build/dist" | tail -n 1)
if [ ! -f "$zipfile" ]; then
  echo "FAIL tools/package.sh made no zip"
  exit 1
fi
pass "$(basename "$zipfile") ($(du -k "$zipfile" | cut -f1) KiB)"

export WINEPREFIX=$build/wine-kit-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
timeout 30 wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"
echo "== kit: fresh Wine prefix $WINEPREFIX"
timeout 180 wine wineboot -i >/dev/null 2>&1
timeout 120 wineserver -w

dir=$WINEPREFIX/drive_c/kit
mkdir -p "$dir"
if ! unzip -q "$zipfile" -d "$dir"; then
  echo "FAIL unzip $zipfile"
  exit 1
fi
kit=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name 'TzGrid-*-win64' | head -n 1)
[ -n "$kit" ] || { echo "FAIL no TzGrid-*-win64 folder in the zip"; exit 1; }
for f in TzGrid.ocx TzGrid.tlb INSTALL.txt include/TzGrid.h include/TzGridDispIds.h docs/API.md \
  examples/vbscript/fill_and_read.vbs examples/jscript/arrays.js examples/cpp/host_example.cpp \
  examples/cpp/tzgrid_host_example.exe; do
  [ -f "$kit/$f" ] && pass "kit holds $f" || fail "kit lacks $f"
done
cd "$kit"

echo "== kit: register"
timeout 60 wine regsvr32 /s TzGrid.ocx 2>/dev/null; rc=$?
[ $rc -eq 0 ] && pass "regsvr32 TzGrid.ocx" || fail "regsvr32 TzGrid.ocx (exit code $rc)"

# run <what> <timeout> <command...>: the output indented, pass on exit code 0.
run() {
  local what=$1 limit=$2 out rc
  shift 2
  out=$(timeout "$limit" wine "$@" 2>/dev/null); rc=$?
  printf '%s\n' "$out" | tr -d '\r' | sed 's/^/  /'
  [ $rc -eq 0 ] && pass "$what" || fail "$what (exit code $rc)"
}

echo "== kit: examples"
run "VBScript fill_and_read.vbs" 60 cscript //nologo 'examples\vbscript\fill_and_read.vbs'
run "JScript arrays.js" 60 cscript //nologo 'examples\jscript\arrays.js'
run "C++ tzgrid_host_example.exe" 60 'examples\cpp\tzgrid_host_example.exe'

echo "== kit: unregister"
timeout 60 wine regsvr32 /u /s TzGrid.ocx 2>/dev/null; rc=$?
[ $rc -eq 0 ] && pass "regsvr32 /u TzGrid.ocx" || fail "regsvr32 /u TzGrid.ocx (exit code $rc)"

timeout 60 wineserver -k 2>/dev/null
if [ $failures -eq 0 ]; then
  echo "== kit: all passed"
  exit 0
fi
echo "== kit: $failures failed"
exit 1
