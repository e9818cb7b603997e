#!/usr/bin/env bash
# Makes the developer kit of TzGrid from a Windows build:
#   tools/package.sh <windows build directory> [<output directory>]
# writes <output directory>/TzGrid-<version>-win64.zip (dist/ by default)
# holding TzGrid.ocx, the type library TzGrid.tlb, include/ (TzGrid.h from
# widl, TzGridDispIds.h, TzGrid.idl), docs/, examples/ with the built C++
# example, INSTALL.txt and the licence when the repository has one. The
# version is the type library's, read from src/module/TzGridIds.h.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <windows build directory> [<output directory>]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=${2:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

major=$(sed -n 's/.*kTypeLibMajor = \([0-9][0-9]*\);.*/\1/p' "$root/src/module/TzGridIds.h")
minor=$(sed -n 's/.*kTypeLibMinor = \([0-9][0-9]*\);.*/\1/p' "$root/src/module/TzGridIds.h")
if [ -z "$major" ] || [ -z "$minor" ]; then
  echo "package: no type library version in src/module/TzGridIds.h" >&2
  exit 1
fi
version=$major.$minor
name=TzGrid-$version-win64

ocx=$build/src/module/TzGrid.ocx
tlb=$build/src/module/TzGrid.tlb
example=$build/examples/cpp/tzgrid_host_example.exe
for f in "$ocx" "$tlb" "$example"; do
  [ -f "$f" ] || { echo "package: missing $f (build the TzGrid and tzgrid_host_example targets)" >&2; exit 1; }
done
widl=$(sed -n 's/^TZGRID_WIDL:[A-Z]*=//p' "$build/CMakeCache.txt")
widl_include=$(sed -n 's/^TZGRID_WIDL_INCLUDE:[A-Z]*=//p' "$build/CMakeCache.txt")
widl_lib=$(sed -n 's/^TZGRID_WIDL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
widl=${widl:-x86_64-w64-mingw32-widl}
widl_include=${widl_include:-/usr/include/wine/wine/windows}
widl_lib=${widl_lib:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}

stage=$build/kit-stage
rm -rf "$stage"
kit=$stage/$name
mkdir -p "$kit/include" "$kit/docs" "$kit/examples"

cp "$ocx" "$tlb" "$kit/"
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
cp "$example" "$kit/examples/cpp/"

licence=""
for f in "$root"/LICENSE* "$root"/LICENCE* "$root"/COPYING*; do
  [ -f "$f" ] && { cp "$f" "$kit/"; licence=$(basename "$f"); }
done
[ -n "$licence" ] || echo "package: the repository has no licence file; the kit ships without one" >&2

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
