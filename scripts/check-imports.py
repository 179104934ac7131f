#!/usr/bin/env python3
"""Fails when a shipped executable imports a DLL that Windows might take from
somewhere other than its own system folder.

    check-imports.py [--objdump PROG] [--manifest FILE] EXE...

The installer runs elevated, usually from a downloads folder. The loader
resolves an executable's imports before its first instruction runs, and for
any DLL that is not a KnownDLL it searches the executable's own folder first:
a planted version.dll beside the installer would run with administrator
rights. So the executables may import only DLLs that every supported Windows
(7 to 11) maps from its KnownDLLs section, plus comctl32 when the manifest
binds version 6 of the common controls through side-by-side activation.
Everything else is linked delay-loaded and loaded from the system folder by
the program itself (ui-framework/core/UiDelayLoad).

Source of the list: the value names under the registry key
HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs
of clean installations of Windows 7 SP1 and of Windows 10 22H2 and Windows 11
23H2 (the 32-bit KnownDLLs32 list of WOW64 holds the same names); only the
names present in all of them are kept. Windows 7 lacks gdiplus, combase and
shcore; Windows 10 and 11 dropped urlmon, wininet, iertutil, lpk and usp10.
ntdll.dll is mapped into every process before any import is resolved.
"""
import argparse
import re
import subprocess
import sys

KNOWN_DLLS_COMMON = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll",
    "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}
# Resolved through the manifest's side-by-side dependency, not the search path.
MANIFEST_BOUND = {"comctl32.dll": "Microsoft.Windows.Common-Controls"}


def imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    # Delay-loaded DLLs are listed in their own section of objdump's output;
    # only the import directory proper is resolved before the program starts.
    direct = out.split("The Delay Import Tables")[0]
    return re.findall(r"^\s*DLL Name:\s*(\S+)\s*$", direct, re.MULTILINE)


def manifest_binds(manifest, assembly):
    if not manifest:
        return False
    with open(manifest, encoding="utf-8") as f:
        text = f.read()
    return re.search(r'<assemblyIdentity[^>]*name="' + re.escape(assembly) + r'"[^>]*version="6\.', text) is not None


def check(objdump, exe, manifest):
    """The list of failures for one executable."""
    dlls = imports(objdump, exe)
    print(f"{exe}: imports {', '.join(dlls) or 'nothing'}")
    if not dlls:
        # objdump printed no import table: a wrong objdump, not a clean exe.
        return [f"{exe}: no import table found"]
    failures = []
    for dll in dlls:
        name = dll.lower()
        if name in KNOWN_DLLS_COMMON:
            continue
        if name in MANIFEST_BOUND and manifest_binds(manifest, MANIFEST_BOUND[name]):
            continue
        failures.append(f"{exe} imports {dll}, which is not a KnownDLL of every supported Windows")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--manifest", help="the manifest linked into the executables")
    parser.add_argument("exes", nargs="+")
    args = parser.parse_args()
    failures = [f for exe in args.exes for f in check(args.objdump, exe, args.manifest)]
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
