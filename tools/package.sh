#!/usr/bin/env bash
# Makes what TzGrid ships for Windows from the two Windows builds:
#   tools/package.sh <x64 build directory> <x86 build directory> [<output directory>]
# writes to <output directory> (dist/ by default):
#   - TzGrid-<version>-windows.zip, the developer kit: both modules
#     (x64/TzGrid.ocx for 64-bit hosts, x86/TzGrid.ocx for 32-bit ones),
#     each with its side-by-side assembly manifest TzGrid.sxs.manifest for
#     use without registration, the type library TzGrid.tlb, include/
#     (TzGrid.h from widl, TzGridDispIds.h, TzGrid.idl), docs/, examples/
#     with the C++ example built for both (examples/cpp/x64,
#     examples/cpp/x86) and an application manifest to copy
#     (examples/sidebyside), INSTALL.txt and LICENSE;
#   - TzGrid-<version>-x64.msi and TzGrid-<version>-x86.msi, the Windows
#     Installer packages (tools/msi.sh).
# Each build's bitness is read from its module's PE header and must be the
# one its place names. The version is the type library's, read from
# src/module/TzGridIds.h. The zip's path is the last line printed.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ] || [ ! -d "$1" ] || [ ! -d "$2" ]; then
  echo "usage: $0 <x64 build directory> <x86 build directory> [<output directory>]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-common.sh"
build64=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
out=${3:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

major=$(sed -n 's/.*kTypeLibMajor = \([0-9][0-9]*\);.*/\1/p' "$root/src/module/TzGridIds.h")
minor=$(sed -n 's/.*kTypeLibMinor = \([0-9][0-9]*\);.*/\1/p' "$root/src/module/TzGridIds.h")
if [ -z "$major" ] || [ -z "$minor" ]; then
  echo "package: no type library version in src/module/TzGridIds.h" >&2
  exit 1
fi
version=$major.$minor
name=TzGrid-$version-windows

for build in "$build64" "$build32"; do
  for f in "$build/src/module/TzGrid.ocx" "$build/src/module/TzGrid.tlb" "$build/src/module/TzGrid.sxs.manifest" \
    "$build/examples/cpp/tzgrid_host_example.exe"; do
    [ -f "$f" ] || { echo "package: missing $f (build the TzGrid and tzgrid_host_example targets)" >&2; exit 1; }
  done
done
# check_bitness <build> <32|64>: its module and example are of that bitness.
check_bitness() {
  for f in "$1/src/module/TzGrid.ocx" "$1/examples/cpp/tzgrid_host_example.exe"; do
    bits=$(pe_bitness "$f") || bits=none
    [ "$bits" = "$2" ] || { echo "package: $f is not $2-bit (it is: $bits)" >&2; exit 1; }
  done
}
check_bitness "$build64" 64
check_bitness "$build32" 32
# One type library for both: the two builds make it from one source, and
# the files differ only where the target shows (system kind, pointer sizes
# and alignment); each module embeds and registers its own. The kit's file,
# for tools that import it, is the x86 build's (win32), what MIDL makes by
# default and what every tool reads.
build=$build32
tlb=$build32/src/module/TzGrid.tlb
widl=$(sed -n 's/^TZGRID_WIDL:[A-Z]*=//p' "$build/CMakeCache.txt")
widl_include=$(sed -n 's/^TZGRID_WIDL_INCLUDE:[A-Z]*=//p' "$build/CMakeCache.txt")
widl_lib=$(sed -n 's/^TZGRID_WIDL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
widl=${widl:-i686-w64-mingw32-widl}
widl_include=${widl_include:-/usr/include/wine/wine/windows}
widl_lib=${widl_lib:-/usr/lib/i386-linux-gnu/wine/i386-windows}

stage=$build/kit-stage
rm -rf "$stage"
kit=$stage/$name
mkdir -p "$kit/x64" "$kit/x86" "$kit/include" "$kit/docs" "$kit/examples"

cp "$build64/src/module/TzGrid.ocx" "$build64/src/module/TzGrid.sxs.manifest" "$kit/x64/"
cp "$build32/src/module/TzGrid.ocx" "$build32/src/module/TzGrid.sxs.manifest" "$kit/x86/"
cp "$tlb" "$kit/"
idl=$root/src/module/TzGrid.idl
"$widl" -h -o "$kit/include/TzGrid.h" -I"$widl_include" -L"$widl_lib" "$idl"
sh "$root/tools/dispid_header.sh" "$idl" "$kit/include/TzGridDispIds.h"
cp "$idl" "$kit/include/"

# docs/ as it is in the tree, except INSTALL.txt, which goes to the top
# with the version filled in and Windows line ends.
for f in "$root"/docs/*; do
  [ "$(basename "$f")" = INSTALL.txt ] || cp -r "$f" "$kit/docs/"
done
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/docs/INSTALL.txt" > "$kit/INSTALL.txt"

cp -r "$root/examples/." "$kit/examples/"
mkdir -p "$kit/examples/cpp/x64" "$kit/examples/cpp/x86"
cp "$build64/examples/cpp/tzgrid_host_example.exe" "$kit/examples/cpp/x64/"
cp "$build32/examples/cpp/tzgrid_host_example.exe" "$kit/examples/cpp/x86/"
mkdir -p "$kit/examples/sidebyside"
python3 "$root/tools/registration.py" application "$root/src/module/Registration.txt" \
  "$kit/examples/sidebyside/YourApplication.exe.manifest"

[ -f "$root/LICENSE" ] || { echo "package: the repository has no LICENSE" >&2; exit 1; }
cp "$root/LICENSE" "$kit/"

# The installer packages, one per bitness; Windows Installer wants a
# three-part product version.
"$root/tools/msi.sh" x64 "$build64/src/module/TzGrid.ocx" "$version.0" "$out/TzGrid-$version-x64.msi"
"$root/tools/msi.sh" x86 "$build32/src/module/TzGrid.ocx" "$version.0" "$out/TzGrid-$version-x86.msi"

zipfile=$out/$name.zip
rm -f "$zipfile"
if command -v zip >/dev/null; then
  (cd "$stage" && zip -q -r -X "$zipfile" "$name")
else
  python3 - "$stage" "$name" "$zipfile" <<'EOF'
import os, sys, zipfile
stage, name, target = sys.argv[1:4]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for top, dirs, files in os.walk(os.path.join(stage, name)):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(top, f)
            z.write(path, os.path.relpath(path, stage))
EOF
fi
rm -rf "$stage"
echo "$zipfile"
