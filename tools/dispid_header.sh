#!/bin/sh
# Writes a C/C++ header of the DISPIDs of TzGrid's dispatch interfaces,
# read from the type library source:
#   tools/dispid_header.sh src/module/TzGrid.idl [TzGridDispIds.h]
# (to standard output when no output file is given).
# widl's header (-h) carries the interfaces, IIDs and the CLSID but no
# DISPIDs, since a dispinterface has no vtable methods; this one adds them
# as DISPID_<interface>_<member> constants (DISPID_DTzGrid_SetCellText,
# DISPID_DTzGridEvents_GridCellSelected). A property's get and put share
# one constant.
set -eu
if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$1" ]; then
  echo "usage: $0 <TzGrid.idl> [<output header>]" >&2
  exit 2
fi
if [ $# -eq 2 ]; then
  exec >"$2"
fi
awk '
  BEGIN {
    print "/* DISPIDs of TzGridLib 1.0, generated from TzGrid.idl by tools/dispid_header.sh. Do not edit. */"
    print "#ifndef TZGRID_DISPIDS_H"
    print "#define TZGRID_DISPIDS_H"
  }
  /^[ \t]*dispinterface[ \t]+[A-Za-z_0-9]+[ \t]*$/ {
    iface = $2
    sub(/^_/, "", iface)
    printf "\n/* %s */\n", iface
    next
  }
  iface != "" && /\[id\(/ {
    line = $0
    id = line
    sub(/.*\[id\(/, "", id)
    sub(/\).*/, "", id)
    sub(/^[^\]]*\][ \t]*/, "", line)   # the attribute list
    sub(/\(.*/, "", line)              # the parameters
    n = split(line, words, /[ \t*]+/)
    name = words[n]
    key = iface "_" name
    if (key in seen) next
    seen[key] = 1
    if (id ~ /^-/) id = "(" id ")"
    printf "#define DISPID_%s %s\n", key, id
  }
  /^[ \t]*\};/ { iface = "" }
  END { print "\n#endif /* TZGRID_DISPIDS_H */" }
' "$1"
