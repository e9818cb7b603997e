#!/usr/bin/env bash
# The developer kit as a Windows developer receives it:
#   tests/kit/run.sh <x64 build directory> <x86 build directory>
# builds the zip with tools/package.sh (into <x64 build>/dist), unpacks it
# into a fresh Wine prefix inside the x64 build tree, registers both modules
# from the unpacked folder, each with the regsvr32 of its bitness, and runs
# the three examples from there in each bitness: the VBScript and JScript
# ones with the script host of System32 (64-bit) and of SysWOW64 (32-bit),
# the C++ host built for each (it embeds the control in Wine's ATL container
# and waits for its events). Then unregisters both. Exits non-zero on any
# failure.
set -u

if [ $# -ne 2 ] || [ ! -d "$1" ] || [ ! -d "$2" ]; then
  echo "usage: $0 <x64 build directory> <x86 build directory>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/wine-common.sh"

# The C++ example opens windows: without a display, run under Xvfb.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
pass() { echo "ok   $*"; }

echo "== kit: package"
zipfile=$("$root/tools/package.sh" "$build" "$build32" "$build/dist" | tail -n 1)
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
wine_prefix "$WINEPREFIX" || exit 1

dir=$WINEPREFIX/drive_c/kit
mkdir -p "$dir"
if ! unzip -q "$zipfile" -d "$dir"; then
  echo "FAIL unzip $zipfile"
  exit 1
fi
kit=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name 'TzGrid-*-windows' | head -n 1)
[ -n "$kit" ] || { echo "FAIL no TzGrid-*-windows folder in the zip"; exit 1; }
for f in x64/TzGrid.ocx x86/TzGrid.ocx TzGrid.tlb INSTALL.txt include/TzGrid.h include/TzGridDispIds.h docs/API.md \
  examples/vbscript/fill_and_read.vbs examples/jscript/arrays.js examples/cpp/host_example.cpp \
  examples/cpp/x64/tzgrid_host_example.exe examples/cpp/x86/tzgrid_host_example.exe; do
  [ -f "$kit/$f" ] && pass "kit holds $f" || fail "kit lacks $f"
done
for arch in x64 x86; do
  [ "$arch" = x64 ] && want=64 || want=32
  for f in "$arch/TzGrid.ocx" "examples/cpp/$arch/tzgrid_host_example.exe"; do
    got=$(pe_bitness "$kit/$f") || got=none
    [ "$got" = "$want" ] && pass "$f is $want-bit" || fail "$f is not $want-bit ($got)"
  done
  grep -q "$arch\\\\TzGrid.ocx" "$kit/INSTALL.txt" && pass "INSTALL.txt names $arch\\TzGrid.ocx" ||
    fail "INSTALL.txt does not name $arch\\TzGrid.ocx"
done
cd "$kit"

# run <what> <timeout> <command...>: through the loader of the bitness in
# use, the output indented, pass on exit code 0.
run() {
  local what=$1 limit=$2 out rc
  shift 2
  out=$(timeout "$limit" "$WINE_LOADER" "$@" 2>/dev/null); rc=$?
  printf '%s\n' "$out" | tr -d '\r' | sed 's/^/  /'
  [ $rc -eq 0 ] && pass "$what" || fail "$what (exit code $rc)"
}

# Both modules at once, each from its folder, as on a 64-bit Windows that
# runs 64-bit and 32-bit hosts.
for bits in 64 32; do
  wine_use_bitness $bits || exit 1
  echo "== kit: register $ARCH_NAME\\TzGrid.ocx"
  run "$WINE_SYSDIR\\regsvr32 $ARCH_NAME\\TzGrid.ocx" 60 "$WINE_SYSDIR\\regsvr32.exe" /s "$ARCH_NAME\\TzGrid.ocx"
done

for bits in 64 32; do
  wine_use_bitness $bits || exit 1
  echo "== kit: examples, $ARCH_NAME"
  run "$ARCH_NAME VBScript fill_and_read.vbs" 60 "$WINE_SYSDIR\\cscript.exe" //nologo 'examples\vbscript\fill_and_read.vbs'
  run "$ARCH_NAME JScript arrays.js" 60 "$WINE_SYSDIR\\cscript.exe" //nologo 'examples\jscript\arrays.js'
  run "$ARCH_NAME C++ tzgrid_host_example.exe" 60 "examples\\cpp\\$ARCH_NAME\\tzgrid_host_example.exe"
done

for bits in 64 32; do
  wine_use_bitness $bits || exit 1
  echo "== kit: unregister $ARCH_NAME\\TzGrid.ocx"
  run "$WINE_SYSDIR\\regsvr32 /u $ARCH_NAME\\TzGrid.ocx" 60 "$WINE_SYSDIR\\regsvr32.exe" /u /s "$ARCH_NAME\\TzGrid.ocx"
done

timeout 60 wineserver -k 2>/dev/null
if [ $failures -eq 0 ]; then
  echo "== kit: all passed"
  exit 0
fi
echo "== kit: $failures failed"
exit 1
