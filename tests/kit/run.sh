#!/usr/bin/env bash
# The developer kit and the installer packages as a Windows developer
# receives them:
#   tests/kit/run.sh <x64 build directory> <x86 build directory>
# builds the zip and both MSIs with tools/package.sh (into <x64 build>/dist),
# and an older version of each MSI; unpacks the zip into a fresh Wine prefix
# inside the x64 build tree, and checks, in each bitness, every way the kit
# deploys the control (tests/kit/deploy.sh holds all but the second):
#   1. side by side, with nothing registered: a host whose application
#      manifest names the assembly TzGrid.sxs beside it;
#   2. regsvr32: both modules registered from the unpacked folder, each with
#      the regsvr32 of its bitness, and the three examples run in each
#      bitness (the VBScript and JScript ones with the script host of
#      System32 and of SysWOW64, the C++ host built for each, which embeds
#      the control in Wine's ATL container and waits for its events); then
#      unregistered;
#   3. per user (regsvr32 /n /i:user), each bitness;
#   4. the installer packages: regsvr32's keys, an upgrade over the older
#      version, removal.
# The registry holds nothing of TzGrid before and after each. Exits non-zero
# on any failure.
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
dist=$build/dist
rm -rf "$dist"
zipfile=$("$root/tools/package.sh" "$build" "$build32" "$dist" | tail -n 1)
if [ ! -f "$zipfile" ]; then
  echo "FAIL tools/package.sh made no zip"
  exit 1
fi
version=$(basename "$zipfile" | sed -n 's/^TzGrid-\(.*\)-windows\.zip$/\1/p')
for f in "$zipfile" "$dist/TzGrid-$version-x64.msi" "$dist/TzGrid-$version-x86.msi"; do
  [ -f "$f" ] && pass "$(basename "$f") ($(du -k "$f" | cut -f1) KiB)" || fail "tools/package.sh made no $(basename "$f")"
done
# The same packages at a lower version, for the upgrade.
"$root/tools/msi.sh" x64 "$build/src/module/TzGrid.ocx" 0.9.0 "$dist/TzGrid-old-x64.msi" >/dev/null || fail "older x64 package"
"$root/tools/msi.sh" x86 "$build32/src/module/TzGrid.ocx" 0.9.0 "$dist/TzGrid-old-x86.msi" >/dev/null || fail "older x86 package"

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
for f in x64/TzGrid.ocx x86/TzGrid.ocx x64/TzGrid.sxs.manifest x86/TzGrid.sxs.manifest LICENSE \
  examples/sidebyside/YourApplication.exe.manifest TzGrid.tlb INSTALL.txt include/TzGrid.h include/TzGridDispIds.h docs/API.md \
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
# INSTALL.txt quotes the application manifest developers copy.
dependency=$(sed -n 's/.*\(name="TzGrid.sxs" version="[0-9.]*"\).*/\1/p' "$kit/examples/sidebyside/YourApplication.exe.manifest")
[ -n "$dependency" ] && grep -q -F "$dependency" "$kit/INSTALL.txt" && pass "INSTALL.txt quotes the dependency on $dependency" ||
  fail "INSTALL.txt does not quote the example manifest's dependency ($dependency)"
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

. "$root/tests/kit/deploy.sh"
expect_clean "a fresh prefix"

for bits in 64 32; do
  wine_use_bitness $bits || exit 1
  [ $bits = 64 ] && side_by_side_stage "$build" || side_by_side_stage "$build32"
done
expect_clean "after the side-by-side hosts"

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
expect_clean "after regsvr32 /u of both"

per_user_stage 64
per_user_stage 32

mkdir -p "$WINEPREFIX/drive_c/packages"
cp "$dist"/*.msi "$WINEPREFIX/drive_c/packages/"
msi_stage 64
msi_stage 32

timeout 60 wineserver -k 2>/dev/null
if [ $failures -eq 0 ]; then
  echo "== kit: all passed"
  exit 0
fi
echo "== kit: $failures failed"
exit 1
