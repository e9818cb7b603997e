# Sourced by the scripts that run a Windows build of TzGrid under Wine
# (POSIX sh). It answers three questions the same way for all of them:
#   - which bitness a build is (read from the PE header of its module);
#   - which Wine loader and registry view serve that bitness;
#   - whether a kept Wine prefix can still run both bitnesses.
#
# Once Wine's 32-bit half (wine32:i386) is installed, Debian's `wine` command
# is the 32-bit loader: `wine cscript` is the 32-bit script host and
# `wine reg query` reads the 32-bit registry view. So nothing here relies on
# the plain `wine` command: each bitness names its loader, its programs by
# their full Windows path and its registry view.

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# pe_bitness <file>: prints 64 for a PE32+ image, 32 for a PE32 image; fails
# (printing nothing) for anything else.
pe_bitness() {
  [ -f "$1" ] || return 1
  pe_header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$pe_header" ] || return 1
  [ "$(od -An -c -j"$pe_header" -N2 "$1" 2>/dev/null | tr -d ' ')" = "PE" ] || return 1
  case $(od -An -tx2 -j$((pe_header + 24)) -N2 "$1" 2>/dev/null | tr -d ' ') in
    020b) echo 64 ;;
    010b) echo 32 ;;
    *) return 1 ;;
  esac
}

# wine_use_bitness <32|64>: sets, for programs of that bitness,
#   WINE_LOADER    the loader that starts them;
#   WINE_SYSDIR    the Windows folder of their system programs (cscript,
#                  regsvr32, reg): System32 for 64-bit, SysWOW64 for 32-bit;
#   REG_VIEW       the registry view their keys land in (/reg:64, /reg:32);
#   TLB_KIND       the subkey RegisterTypeLib files their type library
#                  under (win64, win32);
#   ARCH_NAME      what the kit and the documents call them (x64, x86).
# Fails, saying why, when that half of Wine is not installed.
wine_use_bitness() {
  case $1 in
    64)
      WINE_LOADER=$WINE64_LOADER WINE_SYSDIR='C:\windows\system32' REG_VIEW=/reg:64 TLB_KIND=win64 ARCH_NAME=x64 ;;
    32)
      WINE_LOADER=$WINE32_LOADER WINE_SYSDIR='C:\windows\syswow64' REG_VIEW=/reg:32 TLB_KIND=win32 ARCH_NAME=x86 ;;
    *)
      echo "wine_use_bitness: '$1' is not 32 or 64" >&2
      return 1 ;;
  esac
  if [ ! -x "$WINE_LOADER" ]; then
    echo "the $1-bit Wine loader $WINE_LOADER is missing: run tools/setup.sh (it installs wine64 and wine32:i386)" >&2
    return 1
  fi
}

# wine_use_module <TzGrid.ocx>: wine_use_bitness for the bitness of that
# module; also sets MODULE_BITS.
wine_use_module() {
  MODULE_BITS=$(pe_bitness "$1") || {
    echo "$1 is not a Windows module (PE32 or PE32+)" >&2
    return 1
  }
  wine_use_bitness "$MODULE_BITS"
}

# wine_prefix_is_whole: the prefix in WINEPREFIX was made completely, with
# both halves of Wine. One made before Wine's 32-bit half was installed has
# no SysWOW64 and cannot start any 32-bit program ("could not load
# kernel32.dll"); one whose creation was cut short has no stamp.
wine_prefix_is_whole() {
  [ -f "$WINEPREFIX/.tzgrid-prefix-made" ] && [ -f "$WINEPREFIX/system.reg" ] &&
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] &&
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# A build tree keeps one prefix, <build>/wineprefix, for the scripts that
# run one at a time on it (platform host, module tests, benchmark, demo);
# the kit's test makes a fresh one, the coexistence test one of its own.
#
# wine_prefix <directory>: exports WINEPREFIX=<directory> and makes sure it
# is a whole prefix, making it anew when it is not. Fails, saying what
# failed, when the new prefix cannot be made.
wine_prefix() {
  export WINEPREFIX="$1"
  wine_prefix_is_whole && return 0
  if [ -e "$WINEPREFIX" ]; then
    echo "== the Wine prefix $WINEPREFIX is incomplete or was made without Wine's 32-bit half: making it anew"
    timeout 60 wineserver -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
  else
    echo "== creating the Wine prefix $WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  if ! timeout 240 "$WINE64_LOADER" wineboot -i >"$WINEPREFIX.wineboot.log" 2>&1; then
    echo "FAIL wineboot could not make the prefix $WINEPREFIX (its output: $WINEPREFIX.wineboot.log)" >&2
    return 1
  fi
  timeout 120 wineserver -w
  touch "$WINEPREFIX/.tzgrid-prefix-made"
  if ! wine_prefix_is_whole; then
    rm -f "$WINEPREFIX/.tzgrid-prefix-made"
    echo "FAIL the new prefix $WINEPREFIX cannot run both bitnesses (no system32 or syswow64 kernel32.dll; is wine32:i386 installed?)" >&2
    return 1
  fi
  rm -f "$WINEPREFIX.wineboot.log"
}
