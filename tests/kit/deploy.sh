# The three ways of deploying TzGrid besides regsvr32, checked under Wine
# from the unpacked kit and the installer packages. Sourced by
# tests/kit/run.sh, which sets up the fresh prefix, the kit folder ($kit),
# the builds ($build, $build32), the packages ($dist) and pass/fail/run.
#
# Each stage starts and ends with a registry holding nothing of TzGrid:
# Wine keeps the registry in two text files, saved when the server exits,
# so every identifier of TzGrid is looked for in both.

desc=$root/src/module/Registration.txt
progid='TZGRID.TzGridCtrl.1'

# Every GUID and name registration writes (the description's own), as one
# pattern.
tzgrid_pattern() {
  python3 "$root/tools/registration.py" keys "$desc" x64 '$(Module)' |
    grep -o -i -E '\{[0-9A-F-]{36}\}|TZGRID\.[A-Za-z.0-9]+' | grep -v -i '00020420-0000-0000-C000-000000000046' |
    sort -u | sed 's/[{}.]/\\&/g' | paste -s -d '|'
}
pattern="$(tzgrid_pattern)|TzGrid Control|\\\\TzGrid\\\\"

# registry_traces <file...>: the lines of Wine's saved registry that name
# anything of TzGrid.
registry_traces() {
  timeout 60 wineserver -w
  grep -h -i -E "$pattern" "$@" 2>/dev/null
}

# expect_clean <when>: neither the machine's nor the user's registry holds
# anything of TzGrid.
expect_clean() {
  local traces
  traces=$(registry_traces "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg")
  if [ -z "$traces" ]; then
    pass "$1: nothing of TzGrid in the registry"
  else
    fail "$1: the registry still holds $(printf '%s\n' "$traces" | wc -l) lines of TzGrid:"
    printf '%s\n' "$traces" | head -n 5 | sed 's/^/  /'
  fi
}

# dump <root> <module path> [--installer-folders]: every key of TzGrid
# below root (HKCR or HKCU\Software\Classes) in the view of the bitness in
# use, in the description's form (tests/kit/regdump.py).
dump() {
  local top
  python3 "$root/tools/registration.py" tops "$desc" | tr -d '\r' | while read -r top; do
    echo "$(long_root "$1")\\$top"
    timeout 60 "$WINE_LOADER" "$WINE_SYSDIR\\reg.exe" query "$1\\$top" /s "$REG_VIEW" 2>/dev/null
  done | python3 "$root/tests/kit/regdump.py" "$(long_root "$1")" "$2" ${3:+"$3"}
}
long_root() { printf '%s\n' "$1" | sed 's/^HKCR/HKEY_CLASSES_ROOT/; s/^HKCU/HKEY_CURRENT_USER/; s/^HKLM/HKEY_LOCAL_MACHINE/'; }

# expect_same <what> <expected file> <got file>: the two key lists agree.
expect_same() {
  if diff -q "$2" "$3" >/dev/null; then
    pass "$1 ($(wc -l <"$3") keys and values)"
  else
    fail "$1:"
    diff "$2" "$3" | head -n 12 | sed 's/^/  /'
  fi
}

# described <part>: the description's keys of this bitness, placeholders kept.
described() {
  python3 "$root/tools/registration.py" keys "$desc" "$ARCH_NAME" '$(Module)' "$1" | sort
}

# roundtrip_script <expected>: the script host of this bitness creates the
# control by its ProgID and round-trips a cell; says "refused" when it cannot.
roundtrip_script() {
  local out
  printf '%s\r\n' 'On Error Resume Next' "Set g = CreateObject(\"$progid\")" \
    'If Err.Number <> 0 Then WScript.Echo "refused" : WScript.Quit 1' \
    'g.SetCellText 1, 1, "deployed"' 'WScript.Echo g.GetCellText(1, 1)' >"$WINEPREFIX/drive_c/roundtrip.vbs"
  out=$(timeout 60 "$WINE_LOADER" "$WINE_SYSDIR\\cscript.exe" //nologo 'C:\roundtrip.vbs' 2>/dev/null | tr -d '\r')
  [ "$out" = "$1" ] && pass "$ARCH_NAME CreateObject(\"$progid\"): $1" ||
    fail "$ARCH_NAME CreateObject(\"$progid\") said '$out', expected '$1'"
}

# ---- registration-free: the application's manifest names the assembly,
# found beside it; nothing is registered.
side_by_side_stage() {
  local app=$WINEPREFIX/drive_c/sxs/$ARCH_NAME host=$1/tests/deploy/tzgrid_sxs_host.exe
  echo "== kit: side by side, $ARCH_NAME, nothing registered"
  rm -rf "$app"
  mkdir -p "$app"
  cp "$kit/$ARCH_NAME/TzGrid.ocx" "$kit/$ARCH_NAME/TzGrid.sxs.manifest" "$host" "$app/"
  # The host embeds the kit's example application manifest: the one
  # INSTALL.txt tells developers to copy.
  cmp -s "$1/tests/deploy/application.manifest" "$kit/examples/sidebyside/YourApplication.exe.manifest" &&
    pass "the host embeds the kit's application manifest" || fail "the host's application manifest is not the kit's"
  run "$ARCH_NAME host with TzGrid.sxs beside it" 120 "C:\\sxs\\$ARCH_NAME\\tzgrid_sxs_host.exe"
  # Without the assembly's manifest nothing of the above can work.
  rm "$app/TzGrid.sxs.manifest"
  local rc
  timeout 120 "$WINE_LOADER" "C:\\sxs\\$ARCH_NAME\\tzgrid_sxs_host.exe" >/dev/null 2>&1; rc=$?
  [ $rc -ne 0 ] && pass "$ARCH_NAME host without TzGrid.sxs.manifest fails (exit code $rc)" ||
    fail "$ARCH_NAME host without TzGrid.sxs.manifest succeeded"
  rm -rf "$app"
}

# ---- per user: regsvr32 /n /i:user writes under HKCU\Software\Classes.
# Wine does not merge those keys into HKEY_CLASSES_ROOT (Windows does), so
# the keys are checked exactly, and then proven right by a copy of them
# under HKLM that CreateObject finds.
per_user_register() {  # <bits> [/u]
  wine_use_bitness "$1" || return 1
  run "$ARCH_NAME regsvr32 ${2:-} /n /i:user" 60 "$WINE_SYSDIR\\regsvr32.exe" /s ${2:+"$2"} /n /i:user \
    "$ARCH_NAME\\TzGrid.ocx"
}

# Under Wine 8 both bitnesses share HKCU\Software\Classes\CLSID (Windows
# keeps a view per bitness there): one bitness is registered at a time.
per_user_stage() {
  local bits=$1 ocx machine user top
  wine_use_bitness "$bits" || return 1
  ocx="C:\\kit\\$(basename "$kit")\\$ARCH_NAME\\TzGrid.ocx"
  echo "== kit: per-user registration, $ARCH_NAME"
  per_user_register "$bits"
  user=$(registry_traces "$WINEPREFIX/user.reg" | wc -l)
  machine=$(registry_traces "$WINEPREFIX/system.reg")
  [ "$user" -gt 0 ] && pass "$ARCH_NAME the user's registry holds TzGrid ($user lines)" ||
    fail "$ARCH_NAME the user's registry holds nothing of TzGrid"
  [ -z "$machine" ] && pass "$ARCH_NAME the machine's registry holds nothing of TzGrid" ||
    fail "$ARCH_NAME the machine's registry holds TzGrid: $(printf '%s\n' "$machine" | head -n 3)"
  described all >"$dist/expected-user-$ARCH_NAME"
  dump 'HKCU\Software\Classes' "$ocx" >"$dist/user-$ARCH_NAME"
  expect_same "$ARCH_NAME per-user keys are the description's" "$dist/expected-user-$ARCH_NAME" "$dist/user-$ARCH_NAME"
  # Wine finds no class under HKCU (Windows does); the same keys under HKLM
  # make the control creatable, so they are the right ones.
  roundtrip_script refused
  for top in "CLSID\\{20282617-D20D-44D8-B8D8-482DF503FDDE}" "CLSID\\{9D5E729D-CE55-4413-9F1B-F040B9950B8E}" "$progid"; do
    timeout 60 "$WINE_LOADER" "$WINE_SYSDIR\\reg.exe" copy "HKCU\\Software\\Classes\\$top" \
      "HKLM\\Software\\Classes\\$top" /s /f "$REG_VIEW" >/dev/null 2>&1 || fail "reg copy $top"
  done
  roundtrip_script deployed
  for top in "CLSID\\{20282617-D20D-44D8-B8D8-482DF503FDDE}" "CLSID\\{9D5E729D-CE55-4413-9F1B-F040B9950B8E}" "$progid"; do
    timeout 60 "$WINE_LOADER" "$WINE_SYSDIR\\reg.exe" delete "HKLM\\Software\\Classes\\$top" /f "$REG_VIEW" >/dev/null 2>&1
  done
  per_user_register "$bits" /u
  expect_clean "$ARCH_NAME after the per-user unregistration"
}

# ---- the installer packages: the keys compared with regsvr32's at the
# same place, an upgrade over an older version, removal.
program_files() { [ "$ARCH_NAME" = x64 ] && echo 'C:\Program Files' || echo 'C:\Program Files (x86)'; }
unix_folder() { [ "$ARCH_NAME" = x64 ] && echo "$WINEPREFIX/drive_c/Program Files/TzGrid" ||
  echo "$WINEPREFIX/drive_c/Program Files (x86)/TzGrid"; }

# installed_versions: the DisplayVersion of every installed product named
# like ours for this bitness.
installed_versions() {
  timeout 60 wineserver -w
  awk -v name="\"DisplayName\"=\"TzGrid Control ($ARCH_NAME)\"" '
    /^\[/ { if (found && version != "") print version; found = 0; version = ""; uninstall = index($0, "\\\\Uninstall\\\\") > 0 }
    $0 == name && uninstall { found = 1 }
    /^"DisplayVersion"=/ { version = $0; sub(/^"DisplayVersion"="/, "", version); sub(/"$/, "", version) }
    END { if (found && version != "") print version }' "$WINEPREFIX/system.reg"
}

msi_stage() {
  local bits=$1 folder ocx msi old msiexec files_before files_after versions
  wine_use_bitness "$bits" || return 1
  folder="$(program_files)\\TzGrid"
  ocx="$folder\\TzGrid.ocx"
  msi="C:\\packages\\TzGrid-$version-$ARCH_NAME.msi"
  old='C:\packages\TzGrid-old-'"$ARCH_NAME"'.msi'
  msiexec="$WINE_SYSDIR\\msiexec.exe"
  echo "== kit: installer package, $ARCH_NAME"
  files_before=$(cd "$WINEPREFIX/drive_c" && find . -path ./kit -prune -o -path ./packages -prune -o -type f -print | sort)

  # What regsvr32 writes for the module at the place the package installs it.
  mkdir -p "$(unix_folder)"
  cp "$kit/$ARCH_NAME/TzGrid.ocx" "$(unix_folder)/"
  run "$ARCH_NAME regsvr32 $ocx" 60 "$WINE_SYSDIR\\regsvr32.exe" /s "$ocx"
  dump HKCR "$ocx" >"$dist/regsvr32-$ARCH_NAME"
  described all >"$dist/expected-$ARCH_NAME"
  expect_same "$ARCH_NAME regsvr32 writes the description's keys" "$dist/expected-$ARCH_NAME" "$dist/regsvr32-$ARCH_NAME"
  run "$ARCH_NAME regsvr32 /u $ocx" 60 "$WINE_SYSDIR\\regsvr32.exe" /s /u "$ocx"
  rm -rf "$(unix_folder)"
  expect_clean "$ARCH_NAME after regsvr32 /u"

  run "$ARCH_NAME msiexec /i the older package" 180 "$msiexec" /i "$old" /qn
  versions=$(installed_versions | paste -s -d ' ')
  [ "$versions" = 0.9.0 ] && pass "$ARCH_NAME the older version is installed" ||
    fail "$ARCH_NAME installed versions: '$versions', expected 0.9.0"
  run "$ARCH_NAME msiexec /i $(basename "$msi")" 180 "$msiexec" /i "$msi" /qn
  versions=$(installed_versions | paste -s -d ' ')
  [ "$versions" = "$version.0" ] && pass "$ARCH_NAME one version installed: $versions" ||
    fail "$ARCH_NAME installed versions: '$versions', expected only $version.0"
  # An older package does not go over a newer one.
  if timeout 180 "$WINE_LOADER" "$msiexec" /i "$old" /qn >/dev/null 2>&1; then
    fail "$ARCH_NAME the older package installed over the newer one"
  else
    pass "$ARCH_NAME the older package refuses to go over the newer one"
  fi
  versions=$(installed_versions | paste -s -d ' ')
  [ "$versions" = "$version.0" ] || fail "$ARCH_NAME after the refused downgrade: '$versions'"
  for f in TzGrid.ocx LICENSE; do
    [ -f "$(unix_folder)/$f" ] && pass "$ARCH_NAME $folder\\$f installed" || fail "$ARCH_NAME $folder\\$f missing"
  done
  cmp -s "$(unix_folder)/TzGrid.ocx" "$kit/$ARCH_NAME/TzGrid.ocx" && pass "$ARCH_NAME the installed module is the kit's" ||
    fail "$ARCH_NAME the installed module differs from the kit's"
  dump HKCR "$ocx" --installer-folders >"$dist/msi-$ARCH_NAME"
  expect_same "$ARCH_NAME the package writes regsvr32's keys" "$dist/regsvr32-$ARCH_NAME" "$dist/msi-$ARCH_NAME"
  roundtrip_script deployed
  run "$ARCH_NAME C++ example in Wine's ATL container" 60 "examples\\cpp\\$ARCH_NAME\\tzgrid_host_example.exe"

  run "$ARCH_NAME msiexec /x $(basename "$msi")" 180 "$msiexec" /x "$msi" /qn
  [ -z "$(installed_versions)" ] && pass "$ARCH_NAME no version left installed" || fail "$ARCH_NAME a version is still installed"
  files_after=$(cd "$WINEPREFIX/drive_c" && find . -path ./kit -prune -o -path ./packages -prune -o -type f -print | sort)
  if [ "$files_before" = "$files_after" ]; then
    pass "$ARCH_NAME no file left behind"
  else
    fail "$ARCH_NAME files left behind:"
    diff <(printf '%s\n' "$files_before") <(printf '%s\n' "$files_after") | head -n 5 | sed 's/^/  /'
  fi
  expect_clean "$ARCH_NAME after msiexec /x"
}
