#!/usr/bin/env python3
"""Reads what `reg query <key> /s` printed (for any number of keys) and
prints each key and value as "key|name|data", sorted, in the form
tools/registration.py keys gives: keys relative to the classes root named by
the first argument, "@" for a default value, "key||" for a key without
values, and the module's path and folder (second argument) written as
$(Module) and $(ModuleFolder). With --installer-folders, a folder written
with a trailing backslash (Windows Installer's form of [INSTALLDIR]) counts
as the same folder.

  regdump.py <root> <module path> [--installer-folders] < reg output
"""
import sys


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    root, module = argv[1].rstrip("\\") + "\\", argv[2]
    folder = module.rsplit("\\", 1)[0]
    installer = len(argv) == 4 and argv[3] == "--installer-folders"
    # Wine's reg prints a key's name only once it has values or subkeys to
    # show; the caller prints each queried key's name itself, so a key may
    # come twice.
    lines, seen, with_values, key = set(), [], set(), None
    for raw in sys.stdin.read().replace("\r", "").split("\n"):
        if raw.upper().startswith("HKEY_"):
            if not raw.upper().startswith(root.upper()):
                sys.exit(f"regdump: {raw} is not below {root}")
            key = raw[len(root):]
            seen.append(key)
        elif raw.startswith("    ") and key is not None:
            parts = raw[4:].split("    ", 2)
            name, data = parts[0], parts[2] if len(parts) == 3 else ""
            if installer and data.upper() == folder.upper() + "\\":
                data = folder
            data = data.replace(module, "$(Module)").replace(folder, "$(ModuleFolder)")
            lines.add(f"{key}|{'@' if name == '(Default)' else name}|{data}")
            with_values.add(key)
    lines.update(f"{k}||" for k in seen if k not in with_values)
    print("\n".join(sorted(lines)))


if __name__ == "__main__":
    main(sys.argv)
