#!/usr/bin/env bash
# Integration tests of TzGrid.ocx under Wine.
#   tests/module/run.sh <windows build directory>
# Registers the module in a private Wine prefix inside the build tree,
# checks every registry entry, runs the C++ test host (type library,
# containers and events, persistence, keys, hygiene) and the VBScript and
# JScript drivers, unregisters and checks that everything is gone.
# The build may be 64-bit (x64) or 32-bit (x86): its module's PE header
# says which, and every program runs through the loader of that bitness
# (the script host, regsvr32 and reg of System32 or SysWOW64), every
# registry check in that bitness's view.
# Exits non-zero on any failure.
set -u

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-common.sh"
ocx=$build/src/module/TzGrid.ocx
host=$build/tests/module/tzgrid_module_tests.exe
for f in "$ocx" "$host"; do
  [ -f "$f" ] || { echo "missing $f (build the TzGrid and tzgrid_module_tests targets)" >&2; exit 2; }
done

# Windows need a display: without one, run the whole script under Xvfb
# with 24-bit colour (pixels are read back exactly).
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_use_module "$ocx" || exit 2
wine_prefix "$build/wineprefix" || exit 1
echo "== $ARCH_NAME module: $WINE_LOADER, registry view $REG_VIEW"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
pass() { echo "ok   $*"; }
w() { timeout "${TIMEOUT:-120}" "$WINE_LOADER" "$@" 2>/dev/null; }
regsvr32="$WINE_SYSDIR\\regsvr32.exe"
cscript="$WINE_SYSDIR\\cscript.exe"
reg="$WINE_SYSDIR\\reg.exe"
if [ "$MODULE_BITS" = 64 ]; then other_view=/reg:32 other_kind=win32; else other_view=/reg:64 other_kind=win64; fi

# The module and the host live at fixed Windows paths in the prefix, so
# that the registered paths are known exactly.
dir=$WINEPREFIX/drive_c/TzGrid
mkdir -p "$dir"
cp "$ocx" "$host" "$here/grid.vbs" "$here/grid.js" "$dir/"
winocx='C:\TzGrid\TzGrid.ocx'
cd "$dir"

clsid='{20282617-D20D-44D8-B8D8-482DF503FDDE}'
pageclsid='{9D5E729D-CE55-4413-9F1B-F040B9950B8E}'
libid='{AC917D36-9C73-4180-9FF5-064F8D3D932E}'
diid='{C14ED25A-2595-4A48-93A5-DEA4ACF68029}'
eventsdiid='{68E92D40-4B6B-4622-90F1-509C1A479B89}'

# reg_value <key> [<value name>]: the REG_SZ data in the module's view, or
# "<missing>".
reg_value() {
  local out
  if [ $# -eq 2 ]; then
    out=$(w "$reg" query "$1" /v "$2" "$REG_VIEW") || { echo "<missing>"; return; }
  else
    out=$(w "$reg" query "$1" /ve "$REG_VIEW") || { echo "<missing>"; return; }
  fi
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^ *[^ ].*REG_SZ *//p' | head -n 1
}
expect_value() {  # <key> <value name or ""> <expected>
  local got
  if [ -n "$2" ]; then got=$(reg_value "$1" "$2"); else got=$(reg_value "$1"); fi
  if [ "$got" = "$3" ]; then pass "$REG_VIEW $1 ${2:-(default)} = $3"; else fail "$REG_VIEW $1 ${2:-(default)} is '$got', expected '$3'"; fi
}
# expect_key <key> [<view>], expect_no_key <key> [<view>]: the view is the
# module's unless named.
expect_key() {
  if w "$reg" query "$1" "${2:-$REG_VIEW}" >/dev/null; then pass "${2:-$REG_VIEW} key $1"; else fail "${2:-$REG_VIEW} key $1 missing"; fi
}
expect_no_key() {
  if w "$reg" query "$1" "${2:-$REG_VIEW}" >/dev/null; then fail "${2:-$REG_VIEW} key $1 present"; else pass "${2:-$REG_VIEW} no key $1"; fi
}

echo "== registration"
w "$regsvr32" /s "$winocx"; rc=$?
[ $rc -eq 0 ] && pass "regsvr32 exit code 0" || fail "regsvr32 exit code $rc"

k="HKCR\\CLSID\\$clsid"
expect_value "$k" "" "TzGrid Control"
expect_value "$k\\InprocServer32" "" "$winocx"
expect_value "$k\\InprocServer32" ThreadingModel "Apartment"
expect_value "$k\\ProgID" "" "TZGRID.TzGridCtrl.1"
expect_key "$k\\Control"
expect_value "$k\\ToolboxBitmap32" "" "$winocx, 1"
expect_value "$k\\MiscStatus" "" "0"
expect_value "$k\\MiscStatus\\1" "" "131473"
expect_value "$k\\TypeLib" "" "$libid"
expect_value "$k\\Version" "" "1.0"
expect_no_key "$k\\Insertable"
# Only this bitness is registered here: the other view has no class key.
expect_no_key "$k" "$other_view"
expect_value "HKCR\\TZGRID.TzGridCtrl.1\\CLSID" "" "$clsid"
p="HKCR\\CLSID\\$pageclsid"
expect_value "$p" "" "TzGrid Property Page"
expect_value "$p\\InprocServer32" "" "$winocx"
expect_value "$p\\InprocServer32" ThreadingModel "Apartment"
# The page is found by its CLSID: it has no ProgID.
expect_no_key "$p\\ProgID"
expect_no_key "HKCR\\MFCACTIVEXCONT.TzGridPropPage.1"
t="HKCR\\TypeLib\\$libid\\1.0"
expect_value "$t" "" "TzGridLib"
expect_value "$t\\409\\$TLB_KIND" "" "$winocx"
expect_no_key "$t\\409\\$other_kind"
expect_value "HKCR\\Interface\\$diid" "" "_DTzGrid"
expect_value "HKCR\\Interface\\$diid\\TypeLib" "" "$libid"
expect_value "HKCR\\Interface\\$eventsdiid" "" "_DTzGridEvents"

echo "== C++ test host"
for group in typelib dispatch persist own atl keys exchange unload hygiene; do
  out=$(TIMEOUT=300 w tzgrid_module_tests.exe "$group"); rc=$?
  printf '%s\n' "$out" | tr -d '\r' | grep -v '^ok ' | sed 's/^/  /'
  [ $rc -eq 0 ] && pass "host: $group" || fail "host: $group (exit code $rc)"
done

# Handlers that destroy or reload the control, with Wine's heap checks on:
# a caller touching freed memory crashes the host or leaves a heap report.
out=$(WINEDEBUG=warn+heap timeout 300 "$WINE_LOADER" tzgrid_module_tests.exe reentry access 2>reentry.err); rc=$?
printf '%s\n' "$out" | tr -d '\r' | grep -v '^ok ' | sed 's/^/  /'
heap=$(grep -E '(err|warn):heap' reentry.err | head -n 3)
[ -n "$heap" ] && printf '%s\n' "$heap" | sed 's/^/  /'
[ $rc -eq 0 ] && [ -z "$heap" ] && pass "host: reentry, access (heap checked)" || fail "host: reentry, access (exit code $rc)"

# The bridge fuzzer: random Invoke calls (hostile arguments included) and
# window messages from a fixed seed, with Wine's heap checks on. A fault, a
# hang, a heap report or a step that leaves the counts or the sentinel cell
# other than the driver expects fails the run.
# Every run starts with a scripted one holding the regressions found so far
# (a cell write failing under a column order written entry by entry, which
# seed 2008 once showed); the second seed is a short run of other draws.
fuzz=$build/tests/module/tzgrid_bridge_fuzz.exe
if [ -f "$fuzz" ]; then
  cp "$fuzz" "$dir/"
  for run in "8 3000" "2008 220"; do
    set -- $run
    out=$(WINEDEBUG=warn+heap timeout 120 "$WINE_LOADER" tzgrid_bridge_fuzz.exe "$1" "$2" 2>fuzz.err); rc=$?
    printf '%s\n' "$out" | tr -d '\r' | sed 's/^/  /'
    heap=$(grep -E '(err|warn):heap' fuzz.err | head -n 3)
    [ -n "$heap" ] && printf '%s\n' "$heap" | sed 's/^/  /'
    if [ $rc -eq 0 ] && [ -z "$heap" ]; then
      pass "bridge fuzz: seed $1, $2 steps (heap checked)"
    else
      fail "bridge fuzz: seed $1, $2 steps (exit code $rc)"
    fi
  done
else
  fail "missing $fuzz (build the tzgrid_bridge_fuzz target)"
fi

echo "== scripts"
# The script host is of the module's bitness: it says so in its environment.
printf '%s\r\n' 'WScript.Echo CreateObject("WScript.Shell").Environment("PROCESS")("PROCESSOR_ARCHITECTURE")' > arch.vbs
out=$(w "$cscript" //nologo arch.vbs | tr -d '\r')
if [ "$MODULE_BITS" = 64 ]; then want=AMD64; else want=x86; fi
[ "$out" = "$want" ] && pass "$cscript runs as $want" || fail "$cscript runs as '$out', expected $want"
for script in grid.vbs grid.js; do
  out=$(w "$cscript" //nologo "$script"); rc=$?
  printf '%s\n' "$out" | tr -d '\r' | grep -v '^ALL OK' | sed 's/^/  /'
  if [ $rc -eq 0 ] && printf '%s\n' "$out" | grep -q '^ALL OK'; then pass "cscript $script"; else fail "cscript $script (exit code $rc)"; fi
done

echo "== unregistration"
# A key of the page's name that registration did not write is not ours to delete.
w "$reg" add 'HKCR\MFCACTIVEXCONT.TzGridPropPage.1' /ve /d "someone else's" /f "$REG_VIEW" >/dev/null
w "$regsvr32" /u /s "$winocx"; rc=$?
[ $rc -eq 0 ] && pass "regsvr32 /u exit code 0" || fail "regsvr32 /u exit code $rc"
expect_no_key "HKCR\\CLSID\\$clsid"
expect_no_key "HKCR\\CLSID\\$pageclsid"
expect_no_key "HKCR\\TZGRID.TzGridCtrl.1"
expect_value "HKCR\\MFCACTIVEXCONT.TzGridPropPage.1" "" "someone else's"
w "$reg" delete 'HKCR\MFCACTIVEXCONT.TzGridPropPage.1' /f "$REG_VIEW" >/dev/null
expect_no_key "HKCR\\TypeLib\\$libid"
expect_no_key "HKCR\\Interface\\$diid"
# A second unregistration finds no type library: SELFREG_E_TYPELIB.
w "$regsvr32" /u /s "$winocx"; rc=$?
[ $rc -ne 0 ] && pass "second regsvr32 /u fails (exit code $rc)" || fail "second regsvr32 /u succeeded"
# Without registration a script can no longer create the control.
printf '%s\n' 'On Error Resume Next' 'Set g = CreateObject("TZGRID.TzGridCtrl.1")' \
  'If Err.Number <> 0 Then WScript.Echo "refused" Else WScript.Echo "created"' > gone.vbs
out=$(w "$cscript" //nologo gone.vbs | tr -d '\r')
[ "$out" = "refused" ] && pass "CreateObject refused after unregistration" || fail "CreateObject after unregistration: '$out'"

timeout 60 wineserver -k 2>/dev/null
if [ $failures -eq 0 ]; then
  echo "== module tests ($ARCH_NAME): all passed"
  exit 0
fi
echo "== module tests ($ARCH_NAME): $failures failed"
exit 1
