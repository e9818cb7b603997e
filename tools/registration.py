#!/usr/bin/env python3
"""Turns the registration description of TzGrid.ocx (src/module/Registration.txt)
into each form that deploys it:

  registration.py header   <description> <out.h>
      the table DllRegisterServer and DllInstall write and remove from;
  registration.py manifest <description> <x64|x86> <out.manifest>
      the side-by-side assembly manifest of the module of that bitness;
  registration.py application <description> <out.manifest>
      an application manifest that makes a program use the assembly (the
      kit's example, and the one the deployment test's host embeds);
  registration.py wxs      <description> <x64|x86> <version> <ocx> <licence> <out.wxs>
      the Windows Installer source (for wixl) with the entries as registry rows;
  registration.py keys     <description> <x64|x86> <module path> [class|typelib|all]
      the keys and values a registration of that module leaves, one per line
      as "key|name|data" (name "@" for the default value, "key||" for a key
      of its own), for the tests to compare a registry against;
  registration.py tops     <description>
      the keys a removal deletes that no other one holds: everything of
      TzGrid in a registry view lies below them.
"""
import sys
import uuid
import xml.sax.saxutils as xml

ARCHES = {"x64": ("amd64", "win64", "ProgramFiles64Folder"), "x86": ("x86", "win32", "ProgramFilesFolder")}

# OLEMISC bits by the names a manifest's miscStatus attributes use.
OLEMISC_NAMES = [
    (0x1, "recomposeonresize"), (0x2, "onlyiconic"), (0x4, "insertnotreplace"), (0x8, "static"),
    (0x10, "cantlinkinside"), (0x20, "canlinkbyole1"), (0x40, "islinkobject"), (0x80, "insideout"),
    (0x100, "activatewhenvisible"), (0x200, "renderingisdeviceindependent"), (0x400, "invisibleatruntime"),
    (0x800, "alwaysrun"), (0x1000, "actslikebutton"), (0x2000, "actslikelabel"), (0x4000, "nouiactivate"),
    (0x8000, "alignable"), (0x10000, "simpleframe"), (0x20000, "setclientsitefirst"), (0x40000, "imemode"),
    (0x80000, "ignoreactivatewhenvisible"), (0x100000, "wantstomenumerge"), (0x200000, "supportsmultilevelundo"),
]
# LIBFLAG bits by the names a manifest's typelib flags use.
LIBFLAG_NAMES = [(0x1, "restricted"), (0x2, "control"), (0x4, "hidden"), (0x8, "hasdiskimage")]


class Description:
    """The parsed description: identity values, entries per part, removals."""

    def __init__(self, path):
        self.identity = {}
        self.keys = {"typelib": [], "class": []}  # part -> [(key, [(name, data)])]
        self.removals = []  # (part, scope, key)
        section = None
        with open(path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                line = raw.rstrip("\n")
                if not line.strip() or line.lstrip().startswith("#"):
                    continue
                if line.startswith("["):
                    section = line.strip("[] ")
                    continue
                self._take(section, line, f"{path}:{number}")

    def _take(self, section, line, where):
        indented = line[0] in " \t"
        if section == "identity" and indented:
            name, _, value = line.strip().partition(" = ")
            self.identity[name] = value
        elif section in self.keys and not indented:
            self.keys[section].append((line.strip(), []))
        elif section in self.keys and indented and self.keys[section] and " = " in line:
            name, _, data = line.strip().partition(" = ")
            self.keys[section][-1][1].append((name, data))
        elif section == "removal" and not indented and len(line.split(None, 2)) == 3:
            part, scope, key = line.split(None, 2)
            if part not in self.keys or scope not in ("view", "shared"):
                sys.exit(f"{where}: a removal is '<class|typelib> <view|shared> <key>'")
            self.removals.append((part, scope, key))
        else:
            sys.exit(f"{where}: cannot read '{line.strip()}'")

    def entries(self, parts=("typelib", "class")):
        for part in parts:
            for key, values in self.keys[part]:
                yield part, key, values

    def value(self, key, name="@"):
        for _, k, values in self.entries():
            if k.lower() == key.lower():
                for n, d in values:
                    if n == name:
                        return d
        return None

    def subkeys(self, prefix):
        """The keys directly below prefix (e.g. each CLSID\\{...})."""
        found = []
        for _, key, _ in self.entries():
            parts = key.split("\\")
            top = "\\".join(parts[:2])
            if len(parts) >= 2 and parts[0].lower() == prefix.lower() and top not in found:
                found.append(top)
        return found


def expand(text, module, folder, kind):
    return text.replace("$(Module)", module).replace("$(ModuleFolder)", folder).replace("$(TypeLibKind)", kind)


def names_of(value, table):
    return ",".join(name for bit, name in table if value & bit)


# ---- the C++ table


def cpp_text(text):
    if text is None:
        return "nullptr"
    return 'L"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_header(d, out):
    lines = [
        "// Made by tools/registration.py from src/module/Registration.txt: edit that.",
        "#pragma once",
        "",
        "namespace TzGridCom::RegistrationData {",
        "",
        "enum class Part { TypeLib, Class };",
        "// One value of a key; a null name is the default value, a null data an",
        "// empty key with no value.",
        "struct Entry {",
        "  Part part;",
        "  const wchar_t* key;",
        "  const wchar_t* name;",
        "  const wchar_t* data;",
        "};",
        "struct Removal {",
        "  Part part;",
        "  bool shared;",
        "  const wchar_t* key;",
        "};",
        "",
        "inline constexpr Entry kEntries[] = {",
    ]
    for part, key, values in d.entries():
        enum = "Part::TypeLib" if part == "typelib" else "Part::Class"
        if not values:
            lines.append(f"    {{{enum}, {cpp_text(key)}, nullptr, nullptr}},")
        for name, data in values:
            lines.append(f"    {{{enum}, {cpp_text(key)}, {cpp_text(None if name == '@' else name)}, {cpp_text(data)}}},")
    lines += ["};", "", "inline constexpr Removal kRemovals[] = {"]
    for part, scope, key in d.removals:
        enum = "Part::TypeLib" if part == "typelib" else "Part::Class"
        lines.append(f"    {{{enum}, {'true' if scope == 'shared' else 'false'}, {cpp_text(key)}}},")
    server_key = "CLSID\\" + d.identity["ControlClsid"] + "\\InprocServer32"
    lines += [
        "};",
        "",
        "// The key that says a module serves the control in a registry view.",
        f"inline constexpr const wchar_t* kControlServerKey = {cpp_text(server_key)};",
        "",
        "}  // namespace TzGridCom::RegistrationData",
        "",
    ]
    write(out, "\n".join(lines))


# ---- the side-by-side manifest


def attr(name, value):
    return f' {name}={xml.quoteattr(value)}' if value else ""


def write_manifest(d, arch, out):
    processor, _, _ = ARCHES[arch]
    ident = d.identity
    lines = [
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
        "<!-- Made by tools/registration.py from src/module/Registration.txt. -->",
        '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
        f'  <assemblyIdentity type="win32"{attr("name", ident["Name"])}{attr("version", ident["Version"])}'
        f'{attr("processorArchitecture", processor)}/>',
        f"  <description>{xml.escape(ident['Description'])}</description>",
        '  <file name="TzGrid.ocx">',
    ]
    for libkey in d.subkeys("TypeLib"):
        libid = libkey.split("\\")[1]
        version = ident["LibraryVersion"]
        flags = int(d.value(f"{libkey}\\{version}\\FLAGS") or "0")
        # The help folder is the module's, which is the assembly's own: "".
        lines.append(f'    <typelib{attr("tlbid", libid)}{attr("version", version)} helpdir=""'
                     f'{attr("flags", names_of(flags, LIBFLAG_NAMES))}/>')
    for classkey in d.subkeys("CLSID"):
        clsid = classkey.split("\\")[1]
        misc = int(d.value(classkey + "\\MiscStatus") or "0")
        content = d.value(classkey + "\\MiscStatus\\1")
        lines.append(
            "    <comClass"
            + attr("clsid", clsid)
            + attr("progid", d.value(classkey + "\\ProgID") or "")
            + attr("threadingModel", d.value(classkey + "\\InprocServer32", "ThreadingModel") or "")
            + attr("tlbid", d.value(classkey + "\\TypeLib") or "")
            + attr("description", d.value(classkey) or "")
            + attr("miscStatus", names_of(misc, OLEMISC_NAMES))
            + attr("miscStatusContent", names_of(int(content), OLEMISC_NAMES) if content else "")
            + "/>")
    lines.append("  </file>")
    for interfacekey in d.subkeys("Interface"):
        lines.append(
            "  <comInterfaceExternalProxyStub"
            + attr("name", d.value(interfacekey) or "")
            + attr("iid", interfacekey.split("\\")[1])
            + attr("proxyStubClsid32", d.value(interfacekey + "\\ProxyStubClsid32") or "")
            + attr("tlbid", d.value(interfacekey + "\\TypeLib") or "")
            + "/>")
    lines += ["</assembly>", ""]
    write(out, "\r\n".join(lines))


def write_application_manifest(d, out):
    ident = d.identity
    lines = [
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
        '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
        '  <assemblyIdentity type="win32" name="YourCompany.YourApplication" version="1.0.0.0"'
        ' processorArchitecture="*"/>',
        "  <dependency>",
        "    <dependentAssembly>",
        f'      <assemblyIdentity type="win32"{attr("name", ident["Name"])}{attr("version", ident["Version"])}'
        ' processorArchitecture="*"/>',
        "    </dependentAssembly>",
        "  </dependency>",
        "</assembly>",
        "",
    ]
    write(out, "\r\n".join(lines))


# ---- the installer source


def stable_guid(*parts):
    """A GUID that is the same for the same names, on every build."""
    return "{" + str(uuid.uuid5(uuid.NAMESPACE_URL, "tzgrid:" + ":".join(parts))).upper() + "}"


def write_wxs(d, arch, version, ocx, licence, out):
    _, kind, programfiles = ARCHES[arch]
    win64 = ' Win64="yes"' if arch == "x64" else ""
    bits = "64-bit" if arch == "x64" else "32-bit"

    def formatted(text):
        # The folder as Windows Installer formats a directory: with a trailing
        # backslash.
        return expand(text, "[#TzGrid.ocx]", "[INSTALLDIR]", kind)

    all_keys = [key.lower() for _, key, _ in d.entries()]
    rows = []
    for _, key, values in d.entries():
        if not values:
            # A key the description names only for its subkeys comes with
            # them, and goes with them once the uninstall leaves it empty. A
            # key wanted for itself ("Control") is a row of its own: name "*"
            # without a value creates it and removes it with the component.
            if any(k.startswith(key.lower() + "\\") for k in all_keys):
                continue
            rows.append(f'        <RegistryKey Root="HKCR" Key={xml.quoteattr(formatted(key))}>')
            rows.append('          <RegistryValue Type="string" Name="*" Value=""/>')
            rows.append("        </RegistryKey>")
            continue
        key = formatted(key)
        rows.append(f'        <RegistryKey Root="HKCR" Key={xml.quoteattr(key)}>')
        for name, data in values:
            name_attr = "" if name == "@" else attr("Name", name)
            rows.append(f'          <RegistryValue Type="string"{name_attr} Value={xml.quoteattr(formatted(data))}/>')
        rows.append("        </RegistryKey>")
    product = f"TzGrid Control ({arch})"
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<!-- Made by tools/registration.py from src/module/Registration.txt. -->
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{stable_guid('product', arch, version)}" Name="{product}" Language="1033" Version="{version}"
           Manufacturer="TzGrid developers" UpgradeCode="{stable_guid('upgrade', arch)}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"
             Description="TzGrid Control {version}, {bits}"/>
    <Media Id="1" Cabinet="tzgrid.cab" EmbedCab="yes"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of {product} is already installed."/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="{programfiles}">
        <Directory Id="INSTALLDIR" Name="TzGrid">
          <Component Id="Module" Guid="{stable_guid('component', arch, 'module')}"{win64}>
            <File Id="TzGrid.ocx" Name="TzGrid.ocx" Source={xml.quoteattr(ocx)} KeyPath="yes"/>
          </Component>
          <Component Id="Licence" Guid="{stable_guid('component', arch, 'licence')}"{win64}>
            <File Id="LICENSE" Name="LICENSE" Source={xml.quoteattr(licence)} KeyPath="yes"/>
          </Component>
          <Component Id="Registration" Guid="{stable_guid('component', arch, 'registration')}"{win64}>
{chr(10).join(rows)}
            <RegistryValue Root="HKLM" Key="Software\\TzGrid\\{arch}" Name="InstallFolder" Type="string"
                           Value="[INSTALLDIR]" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Control" Level="1">
      <ComponentRef Id="Module"/>
      <ComponentRef Id="Licence"/>
      <ComponentRef Id="Registration"/>
    </Feature>
  </Product>
</Wix>
"""
    write(out, text)


# ---- the expected keys


def write_keys(d, arch, module, parts):
    _, kind, _ = ARCHES[arch]
    # Without a folder in the path (the placeholder "$(Module)" itself), the
    # folder stays a placeholder too.
    folder = module.rsplit("\\", 1)[0] if "\\" in module else "$(ModuleFolder)"
    chosen = ("typelib", "class") if parts == "all" else (parts,)
    for _, key, values in d.entries(chosen):
        key = expand(key, module, folder, kind)
        if not values:
            print(f"{key}||")
        for name, data in values:
            print(f"{key}|{name}|{expand(data, module, folder, kind)}")


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def main(argv):
    usage = __doc__
    if len(argv) < 3:
        sys.exit(usage)
    command, d = argv[1], Description(argv[2])
    args = argv[3:]
    if command == "header" and len(args) == 1:
        write_header(d, args[0])
    elif command == "manifest" and len(args) == 2 and args[0] in ARCHES:
        write_manifest(d, args[0], args[1])
    elif command == "application" and len(args) == 1:
        write_application_manifest(d, args[0])
    elif command == "wxs" and len(args) == 5 and args[0] in ARCHES:
        write_wxs(d, *args)
    elif command == "tops" and not args:
        keys = [key for _, _, key in d.removals]
        for key in keys:
            if not any(key.lower().startswith(other.lower() + "\\") for other in keys):
                print(key)
    elif command == "keys" and len(args) in (2, 3) and args[0] in ARCHES:
        write_keys(d, args[0], args[1], args[2] if len(args) == 3 else "all")
    else:
        sys.exit(usage)


if __name__ == "__main__":
    main(sys.argv)
