#!/usr/bin/env python3
"""Fails when a shipped executable imports a DLL that Windows does not provide.

    check-imports.py [--objdump PROG] EXE...

The shipped executables must start on a clean Windows 7 or later: anything
beyond the system DLLs below (zlib1.dll, libstdc++-6.dll, libwinpthread-1.dll,
a UCRT forwarder on Windows 7, ...) has to be linked statically instead.
"""
import argparse
import re
import subprocess
import sys

# Present on every Windows from 7 on, compared case-insensitively. Not listed
# on purpose: shcore (8.1 and later only) and the api-ms-win-crt-* forwarders
# (the executables link msvcrt).
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "msimg32.dll",
    "comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll",
    "oleaut32.dll", "urlmon.dll", "wininet.dll", "winhttp.dll", "advapi32.dll",
    "msvcrt.dll", "ws2_32.dll", "version.dll", "crypt32.dll", "wintrust.dll", "bcrypt.dll",
    "dwmapi.dll", "uxtheme.dll", "imm32.dll", "winmm.dll", "rpcrt4.dll",
    "secur32.dll", "userenv.dll", "psapi.dll", "ntdll.dll",
}


def imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    return re.findall(r"^\s*DLL Name:\s*(\S+)\s*$", out, re.MULTILINE)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("exes", nargs="+")
    args = parser.parse_args()
    failures = 0
    for exe in args.exes:
        dlls = imports(args.objdump, exe)
        foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
        print(f"{exe}: imports {', '.join(dlls) or 'nothing'}")
        if not dlls:
            # objdump printed no import table: a wrong objdump, not a clean exe.
            print(f"FAIL: {exe}: no import table found", file=sys.stderr)
            failures += 1
        for dll in foreign:
            print(f"FAIL: {exe} imports {dll}, which Windows does not provide", file=sys.stderr)
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
