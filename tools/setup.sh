#!/usr/bin/env bash
# Installs what TzGrid needs on a fresh Debian 12 machine (only what is
# missing), so that the demo and the tests run from a clean clone.
# Wine's 32-bit half (wine32:i386, about 255 MB) runs the 32-bit module; it
# comes from Debian's i386 architecture, added here when it is not yet.
# python3 turns the registration description into the module's table and
# manifests; wixl builds the installer packages.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libfreetype-dev libpng-dev fonts-liberation
  mingw-w64 mingw-w64-tools wine wine64 libwine-dev xvfb x11-utils xdotool imagemagick unzip
  python3 wixl
  wine32:i386
)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
