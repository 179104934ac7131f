#!/usr/bin/env python3
"""Builds a delay-load import library from a mingw-w64 import library.

    make-delay-import.py --nm NM --dlltool DLLTOOL --import-lib libX.a --dll X.dll --out libX_delay.a

A delay-loaded DLL is loaded on the first call into it, by the program's own
hook, instead of by the loader before the program starts. The exported names
are taken from the import library itself (its __imp_ symbols), so the delay
library offers exactly what the normal one does.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile


def exported_names(nm, import_lib):
    out = subprocess.run([nm, import_lib], check=True, capture_output=True, text=True).stdout
    # i686: "__imp__Name@12" (stdcall) or "__imp__Name" (cdecl); x86_64: "__imp_Name".
    names = set()
    for symbol in re.findall(r"^\S*\s+I\s+__imp_(\S+)$", out, re.MULTILINE):
        names.add(symbol)
    return sorted(names)


def helper_members(nm, import_lib):
    """Members that are ordinary code (mingw's gdiplus library carries one with
    cached generic fonts and formats) rather than import entries."""
    out = subprocess.run([nm, "-A", import_lib], check=True, capture_output=True, text=True).stdout
    members, imports = set(), set()
    for line in out.splitlines():
        parts = line.split(":")
        if len(parts) < 3:
            continue
        members.add(parts[1])
        if re.search(r"\s[Ii]\s", parts[2]):
            imports.add(parts[1])
    return sorted(members - imports)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--dlltool", required=True)
    parser.add_argument("--import-lib", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--ar", required=True)
    parser.add_argument("--x86", action="store_true", help="32-bit target: strip the leading underscore")
    args = parser.parse_args()
    names = exported_names(args.nm, args.import_lib)
    if args.x86:
        names = [n[1:] if n.startswith("_") else n for n in names]
    if not names:
        print(f"make-delay-import: no exports found in {args.import_lib}", file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        definition = os.path.join(work, "exports.def")
        with open(definition, "w") as f:
            f.write(f"LIBRARY {args.dll}\nEXPORTS\n")
            f.writelines(f"  {n}\n" for n in names)
        # -k: the DLL exports the undecorated name ("GdiplusStartup", not "GdiplusStartup@12").
        command = [args.dlltool, "-d", definition, "-D", args.dll, "-y", args.out]
        if args.x86:
            command.append("-k")
        subprocess.run(command, check=True)
        # The helper code goes in as well; its calls then bind to the delayed entries.
        extra = helper_members(args.nm, args.import_lib)
        if extra:
            subprocess.run([args.ar, "x", os.path.abspath(args.import_lib)] + extra, check=True, cwd=work)
            subprocess.run([args.ar, "rs", os.path.abspath(args.out)] + extra, check=True, cwd=work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
