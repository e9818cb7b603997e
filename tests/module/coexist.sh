#!/usr/bin/env bash
# Both bitnesses of TzGrid.ocx on one machine, under Wine:
#   tests/module/coexist.sh <x64 build directory> <x86 build directory>
# Registers the x64 and the x86 module in one private prefix (inside the x86
# build tree), each with the regsvr32 of its bitness, and checks:
#   - the registry: class keys per view, each naming its own module; the
#     ProgID and the type library key shared, the library filed under win64
#     and win32;
#   - each bitness's test host creates the control by its ProgID from the
#     module of its bitness, round-trips a cell and embeds it in a window;
#     each script host (System32's and SysWOW64's) does the same from a
#     script;
#   - state saved by one bitness (a stream and a compound file) loads in the
#     other and saves again to the same bytes, both ways;
#   - unregistering either module leaves the other creatable by ProgID from
#     its own hosts, and the last one out removes the shared keys.
# Exits non-zero on any failure.
set -u

if [ $# -ne 2 ] || [ ! -d "$1" ] || [ ! -d "$2" ]; then
  echo "usage: $0 <x64 build directory> <x86 build directory>" >&2
  exit 2
fi
build64=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-common.sh"

for build in "$build64" "$build32"; do
  for f in "$build/src/module/TzGrid.ocx" "$build/tests/module/tzgrid_module_tests.exe"; do
    [ -f "$f" ] || { echo "missing $f (build the TzGrid and tzgrid_module_tests targets)" >&2; exit 2; }
  done
done
for pair in "$build64:64" "$build32:32"; do
  bits=$(pe_bitness "${pair%:*}/src/module/TzGrid.ocx") || bits=none
  [ "$bits" = "${pair##*:}" ] || { echo "${pair%:*}/src/module/TzGrid.ocx is not ${pair##*:}-bit ($bits)" >&2; exit 2; }
done

# The hosts open windows: without a display, run under Xvfb.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix "$build32/wine-coexist-prefix" || exit 1
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
pass() { echo "ok   $*"; }

# Each module and its test host in a folder named after its bitness; the
# persisted files are exchanged in a folder of their own.
root=$WINEPREFIX/drive_c/TzGrid
rm -rf "$root"
mkdir -p "$root/x64" "$root/x86" "$root/exchange"
cp "$build64/src/module/TzGrid.ocx" "$build64/tests/module/tzgrid_module_tests.exe" "$root/x64/"
cp "$build32/src/module/TzGrid.ocx" "$build32/tests/module/tzgrid_module_tests.exe" "$root/x86/"
# The script: creates the control by its ProgID, round-trips a cell and
# says which bitness it ran in; "refused" when the control cannot be made.
printf '%s\r\n' \
  'On Error Resume Next' \
  'Set g = CreateObject("TZGRID.TzGridCtrl.1")' \
  'If Err.Number <> 0 Then' \
  '  WScript.Echo "refused"' \
  '  WScript.Quit 1' \
  'End If' \
  'arch = CreateObject("WScript.Shell").Environment("PROCESS")("PROCESSOR_ARCHITECTURE")' \
  'g.Rows = 12' \
  'g.SetCellText 11, 1, "from " & arch' \
  'WScript.Echo arch & " " & g.GetCellText(11, 1)' > "$root/roundtrip.vbs"
cd "$root"

clsid='{20282617-D20D-44D8-B8D8-482DF503FDDE}'
libid='{AC917D36-9C73-4180-9FF5-064F8D3D932E}'
progid='TZGRID.TzGridCtrl.1'

# run_as <32|64> <command...>: runs a program of that bitness (its loader).
run_as() {
  wine_use_bitness "$1" || return 1
  shift
  timeout "${TIMEOUT:-120}" "$WINE_LOADER" "$@" 2>/dev/null
}
# reg_default <view 32|64> <key>: the key's default REG_SZ as a process of
# that bitness sees it (its own reg.exe, its view named), or "<missing>".
reg_default() {
  local out sysdir
  [ "$1" = 64 ] && sysdir='C:\windows\system32' || sysdir='C:\windows\syswow64'
  out=$(run_as "$1" "$sysdir\\reg.exe" query "$2" /ve "/reg:$1") || { echo "<missing>"; return; }
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^ *[^ ].*REG_SZ *//p' | head -n 1
}
expect_default() {  # <view> <key> <expected>
  local got
  got=$(reg_default "$1" "$2")
  [ "$got" = "$3" ] && pass "/reg:$1 $2 = $3" || fail "/reg:$1 $2 is '$got', expected '$3'"
}
module_path() { [ "$1" = 64 ] && echo 'C:\TzGrid\x64\TzGrid.ocx' || echo 'C:\TzGrid\x86\TzGrid.ocx'; }
register() {  # <bits> [/u]
  local sysdir
  [ "$1" = 64 ] && sysdir='C:\windows\system32' || sysdir='C:\windows\syswow64'
  run_as "$1" "$sysdir\\regsvr32.exe" /s ${2:+"$2"} "$(module_path "$1")"; rc=$?
  [ $rc -eq 0 ] && pass "$1-bit regsvr32 ${2:-} $(module_path "$1")" || fail "$1-bit regsvr32 ${2:-} $(module_path "$1") (exit code $rc)"
}
# host <bits> <group...>: that bitness's test host, run in dir (default: its folder).
host() {
  local bits=$1 out rc
  shift
  [ "$bits" = 64 ] && arch=x64 || arch=x86
  out=$(cd "${dir:-$root/$arch}" && TIMEOUT=180 run_as "$bits" "C:\\TzGrid\\$arch\\tzgrid_module_tests.exe" "$@"); rc=$?
  printf '%s\n' "$out" | tr -d '\r' | grep -v '^ok ' | sed 's/^/  /'
  [ $rc -eq 0 ] && pass "$arch host: $*" || fail "$arch host: $* (exit code $rc)"
}
# script <bits> <expected output>: the round-trip script in that bitness's
# script host.
script() {
  local out sysdir
  [ "$1" = 64 ] && sysdir='C:\windows\system32' || sysdir='C:\windows\syswow64'
  out=$(run_as "$1" "$sysdir\\cscript.exe" //nologo 'C:\TzGrid\roundtrip.vbs' | tr -d '\r')
  [ "$out" = "$2" ] && pass "$sysdir\\cscript: $2" || fail "$sysdir\\cscript said '$out', expected '$2'"
}
class_in_view() {  # <view> <expected InprocServer32 or <missing>>
  expect_default "$1" "HKCR\\CLSID\\$clsid\\InprocServer32" "$2"
}

echo "== both modules registered"
register 64
register 32
class_in_view 64 'C:\TzGrid\x64\TzGrid.ocx'
class_in_view 32 'C:\TzGrid\x86\TzGrid.ocx'
for view in 64 32; do expect_default "$view" "HKCR\\$progid\\CLSID" "$clsid"; done
expect_default 64 "HKCR\\TypeLib\\$libid\\1.0\\409\\win64" 'C:\TzGrid\x64\TzGrid.ocx'
expect_default 32 "HKCR\\TypeLib\\$libid\\1.0\\409\\win32" 'C:\TzGrid\x86\TzGrid.ocx'

echo "== each bitness creates its own"
host 64 coexist
host 32 coexist
script 64 "AMD64 from AMD64"
script 32 "x86 from x86"

echo "== persistence across bitness"
dir=$root/exchange host 64 persist-save
dir=$root/exchange host 32 persist-save
for kind in stream stg; do
  [ -s "exchange/persist-x64.$kind" ] || fail "no persist-x64.$kind written"
done
# The two bitnesses save the same bytes.
cmp -s exchange/persist-x64.stream exchange/persist-x86.stream && pass "x64 and x86 streams are the same bytes" ||
  fail "x64 and x86 streams differ"
dir=$root/exchange host 32 persist-load
dir=$root/exchange host 64 persist-load

echo "== unregistering x64 leaves x86"
register 64 /u
class_in_view 64 '<missing>'
class_in_view 32 'C:\TzGrid\x86\TzGrid.ocx'
expect_default 32 "HKCR\\$progid\\CLSID" "$clsid"
expect_default 64 "HKCR\\TypeLib\\$libid\\1.0\\409\\win64" '<missing>'
expect_default 32 "HKCR\\TypeLib\\$libid\\1.0\\409\\win32" 'C:\TzGrid\x86\TzGrid.ocx'
host 32 coexist
script 32 "x86 from x86"
script 64 "refused"

echo "== unregistering x86 leaves x64"
register 64
register 32 /u
class_in_view 32 '<missing>'
class_in_view 64 'C:\TzGrid\x64\TzGrid.ocx'
expect_default 64 "HKCR\\$progid\\CLSID" "$clsid"
expect_default 32 "HKCR\\TypeLib\\$libid\\1.0\\409\\win32" '<missing>'
host 64 coexist
script 64 "AMD64 from AMD64"
script 32 "refused"

echo "== the last one out removes the shared keys"
register 64 /u
class_in_view 64 '<missing>'
for view in 64 32; do
  expect_default "$view" "HKCR\\$progid" '<missing>'
  expect_default "$view" "HKCR\\TypeLib\\$libid\\1.0" '<missing>'
done
script 64 "refused"
script 32 "refused"

timeout 60 wineserver -k 2>/dev/null
if [ $failures -eq 0 ]; then
  echo "== coexistence tests: all passed"
  exit 0
fi
echo "== coexistence tests: $failures failed"
exit 1
