#!/usr/bin/env python3
"""Compiles every C++ source of a mingw-w64 build again with clang for the
same target, warnings as errors, without generating code: what only GCC
accepts is caught here rather than on a Windows machine with another compiler.

    check-clang.py [build folder, default build/i686]

The compile commands CMake wrote for the build are replayed with the GCC
driver swapped for clang and GCC's own include folders named to it.
"""
import concurrent.futures
import glob
import json
import os
import shlex
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def clang_command(entry, triple, gcc_include):
    words = shlex.split(entry["command"])
    kept = []
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
            continue
        if word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if word in ("-c", "-MD", "-MMD") or word.startswith("-O"):
            continue
        kept.append(word)
    return (["clang++", f"--target={triple}", "-fsyntax-only", "-Wall", "-Wextra", "-Werror",
             "-Wno-unknown-pragmas", "-Wno-unused-command-line-argument",
             # GCC-only warning options of the build are not clang's to judge.
             "-Wno-unknown-warning-option",
             "-isystem", gcc_include, "-isystem", os.path.join(gcc_include, triple),
             "-isystem", f"/usr/{triple}/include"] + kept)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "i686")
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = [e for e in json.load(f) if e["file"].endswith(".cpp") and "/googletest/" not in e["file"]
                   and "/third_party/" not in e["file"]]
    triple = "x86_64-w64-mingw32" if "x86_64" in entries[0]["command"].split()[0] else "i686-w64-mingw32"
    gcc_include = sorted(glob.glob(f"/usr/lib/gcc/{triple}/*-posix/include/c++"))[-1]

    def check(entry):
        result = subprocess.run(clang_command(entry, triple, gcc_include), cwd=entry["directory"],
                                capture_output=True, text=True)
        return entry["file"], result.returncode, result.stderr

    failures = 0
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        for source, code, errors in pool.map(check, entries):
            if code != 0:
                failures += 1
                print(f"FAIL {os.path.relpath(source, ROOT)}\n{errors}", file=sys.stderr)
    if failures:
        print(f"check-clang: {failures} of {len(entries)} sources fail under clang", file=sys.stderr)
        return 1
    print(f"check-clang: {len(entries)} sources compile under clang ({triple}, warnings as errors)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
