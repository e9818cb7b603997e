#!/usr/bin/env bash
# Builds the Windows Installer package of one bitness of TzGrid with wixl:
#   tools/msi.sh <x64|x86> <TzGrid.ocx> <product version> <output .msi>
# A per-machine package that installs TzGrid.ocx and LICENSE into
# Program Files\TzGrid (Program Files (x86) for x86 on 64-bit Windows) and
# writes the registration as its own registry rows, made from
# src/module/Registration.txt like every other form of registration (no
# self-registration: Windows Installer repairs and removes what it wrote).
# The upgrade code is fixed per bitness, so a newer version replaces an
# older one (a major upgrade).
set -euo pipefail

if [ $# -ne 4 ] || { [ "$1" != x64 ] && [ "$1" != x86 ]; } || [ ! -f "$2" ]; then
  echo "usage: $0 <x64|x86> <TzGrid.ocx> <product version> <output .msi>" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
command -v wixl >/dev/null || { echo "msi: wixl is missing (run tools/setup.sh)" >&2; exit 1; }
arch=$1 version=$3
out=$(cd "$(dirname "$4")" && pwd)/$(basename "$4")

# wixl takes its sources by names relative to where it runs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2" "$work/TzGrid.ocx"
cp "$root/LICENSE" "$work/LICENSE"
python3 "$root/tools/registration.py" wxs "$root/src/module/Registration.txt" "$arch" "$version" TzGrid.ocx LICENSE \
  "$work/TzGrid.wxs"
(cd "$work" && wixl -a "$arch" -o "$out" TzGrid.wxs 2>"$work/wixl.log") || {
  cat "$work/wixl.log" >&2
  exit 1
}
echo "$out"
