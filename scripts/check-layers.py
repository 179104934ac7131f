#!/usr/bin/env python3
"""Fails when an include or a link points up the layers of the product.

    check-layers.py [ROOT]      checks the tree at ROOT (default: this repository)
    check-layers.py --self-test

Layers, lowest first: ui-framework/core (0); ui-framework/render and ZKCore (1,
two separate units: neither uses the other); widgets = ui-framework/manager and
ui-framework/controls (2, one unit); ui-framework/windows (3); installer/engine
(4); installer/ui (5); installer/entry (6). A unit may use itself and any lower
rank. tests/ and bench/ folders belong to their unit. tools/ is outside the
product: product code must not use it. A header whose leading comment says
"Not part of the public interface" may be included only from its own folder
(and that folder's tests and benches).
"""
import os
import re
import sys

# Folder (relative to the repository) -> (rank, unit).
UNITS = {
    "ui-framework/core": (0, "core"),
    "ui-framework/render": (1, "render"),
    "ZKCore": (1, "ZKCore"),
    "ui-framework/manager": (2, "widgets"),
    "ui-framework/controls": (2, "widgets"),
    "ui-framework/widgets": (2, "widgets"),
    "ui-framework/windows": (3, "windows"),
    "installer/engine": (4, "engine"),
    "installer/ui": (5, "installer-ui"),
    "installer/entry": (6, "entry"),
    "tools": (None, "tools"),
}
# Libraries known by name before they exist (targets found in the tree are added).
LIBRARIES = {
    "veneer_core": "ui-framework/core", "veneer_render": "ui-framework/render",
    "ZKCore": "ZKCore", "veneer_manager": "ui-framework/manager",
    "veneer_controls": "ui-framework/controls", "veneer_widgets": "ui-framework/widgets",
    "veneer_windows": "ui-framework/windows", "zk_engine": "installer/engine",
    "zk_ui": "installer/ui", "zk_entry": "installer/entry", "ZKInstaller": "installer/entry",
}
SCANNED = ("ui-framework", "ZKCore", "installer")
SOURCE_EXT = (".h", ".hpp", ".hh", ".inl", ".c", ".cc", ".cpp", ".cxx")
PRIVATE_MARKER = "not part of the public interface"
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
COMMAND = re.compile(r"\b(target_link_libraries|zk_add_test|zk_add_benchmark|add_library|add_executable)\s*\(([^)]*)\)",
                     re.IGNORECASE)


def unit_of(path):
    """(rank, unit, folder) of a repository-relative path, or None outside the product."""
    for folder in sorted(UNITS, key=len, reverse=True):
        if path == folder or path.startswith(folder + "/"):
            return UNITS[folder] + (folder,)
    return None


def resolve(files, including, name):
    """Repository path of an included name: beside the includer, under ui-framework/, or at the root."""
    for base in (os.path.dirname(including), "ui-framework", ""):
        candidate = os.path.normpath(os.path.join(base, name)).replace(os.sep, "/")
        if candidate in files:
            return candidate
    # Not there (yet): place it by its leading folders, as written.
    for base in ("ui-framework", ""):
        candidate = os.path.normpath(os.path.join(base, name)).replace(os.sep, "/")
        if "/" in name and unit_of(candidate):
            return candidate
    return None  # a system or generated header


def is_private(text):
    head = []
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith(("//", "/*", "*")) or stripped in ("", "#pragma once"):
            head.append(stripped)
        else:
            break
    return PRIVATE_MARKER in " ".join(head).lower()


def strip_comments(cmake):
    return re.sub(r"#[^\n]*", "", cmake)


def check(files):
    """files: {repository path: text}. Returns ({kind: edges checked}, violations)."""
    violations, edges = [], {"include": 0, "link": 0}

    def judge(kind, source, target, source_name, target_name):
        """source, target: repository paths that place the two ends."""
        src, dst = unit_of(source), unit_of(target)
        if not src or not dst or src[1] == "tools":
            return
        edges[kind] += 1
        if dst[1] == "tools":
            violations.append(f"{kind}: {source_name} -> {target_name} (product code uses tools/)")
        elif src[1] != dst[1] and dst[0] >= src[0]:
            direction = "up" if dst[0] > src[0] else "sideways"
            violations.append(f"{kind}: {source_name} ({src[1]}, rank {src[0]}) -> {target_name} "
                              f"({dst[1]}, rank {dst[0]}) points {direction}")

    for path, text in sorted(files.items()):
        if not path.endswith(SOURCE_EXT) or not path.startswith(tuple(p + "/" for p in SCANNED)):
            continue
        for name in INCLUDE.findall(text):
            target = resolve(files, path, name)
            if target is None:
                continue
            judge("include", path, target, path, name)
            folder = os.path.dirname(target)
            if target in files and is_private(files[target]) and not (path + "/").startswith(folder + "/"):
                violations.append(f"include: {path} -> {name} (private to {folder}/)")

    # Targets: where each is defined, so a link from a test target counts from its folder.
    libraries = dict(LIBRARIES)
    cmakes = {p: strip_comments(t) for p, t in files.items() if os.path.basename(p) == "CMakeLists.txt"}
    for path, text in cmakes.items():
        for command, args in COMMAND.findall(text):
            words = args.split()
            if command.lower() in ("add_library", "add_executable") and words:
                libraries[words[0]] = os.path.dirname(path)
    for path, text in sorted(cmakes.items()):
        folder = os.path.dirname(path)
        for command, args in COMMAND.findall(text):
            words = args.split()
            if command.lower() == "target_link_libraries" and words:
                source, linked = words[0], words[1:]
            elif command.lower() in ("zk_add_test", "zk_add_benchmark") and "LIBS" in words:
                source = words[words.index("NAME") + 1] if "NAME" in words else folder
                rest = words[words.index("LIBS") + 1:]
                keywords = [i for i, w in enumerate(rest) if w.isupper() and w.isalpha()]
                linked = rest[:keywords[0]] if keywords else rest
            else:
                continue
            where = libraries.get(source, folder) + "/CMakeLists.txt"
            for lib in linked:
                if lib in libraries and lib != source:
                    judge("link", where, libraries[lib] + "/", f"{source} in {path}", lib)
    return edges, violations


def read_tree(root):
    files = {}
    for top in SCANNED + ("tools",):
        for folder, dirs, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith(SOURCE_EXT) or name == "CMakeLists.txt":
                    full = os.path.join(folder, name)
                    rel = os.path.relpath(full, root).replace(os.sep, "/")
                    with open(full, encoding="utf-8", errors="replace") as f:
                        files[rel] = f.read()
    return files


def self_test():
    fake = {
        "ui-framework/core/A.h": "#pragma once\n#include <windows.h>\n",
        "ui-framework/render/R.cpp": '#include "core/A.h"\n#include "manager/M.h"\n',
        "ui-framework/manager/M.h": '#include "render/R.h"\n#include "controls/C.h"\n',
        "ui-framework/manager/Shared.h": "#pragma once\n// Helpers. Not part of the public interface.\n",
        "ui-framework/manager/tests/T.cpp": '#include "manager/Shared.h"\n',
        "ui-framework/controls/C.cpp": '#include "manager/Shared.h"\n#include "tools/package/P.h"\n',
        "ZKCore/Z.cpp": '#include "render/R.h"\n#include "core/A.h"\n',
        "installer/entry/E.cpp": '#include "installer/engine/D.h"\n#include "ZKCore/Z.h"\n',
        "ui-framework/render/CMakeLists.txt": "add_library(veneer_render STATIC R.cpp)\n"
                                              "target_link_libraries(veneer_render PUBLIC veneer_core # veneer_windows\n"
                                              "  veneer_manager PRIVATE gdi32)\n",
        "ui-framework/core/tests/CMakeLists.txt": "zk_add_test(NAME t SOURCES T.cpp LIBS veneer_core veneer_controls DRIVER x)\n",
    }
    edges, found = check(fake)
    expected = [
        "include: ui-framework/render/R.cpp (render, rank 1) -> manager/M.h (widgets, rank 2) points up",
        "include: ui-framework/controls/C.cpp -> manager/Shared.h (private",
        "include: ui-framework/controls/C.cpp -> tools/package/P.h (product code uses tools/)",
        "include: ZKCore/Z.cpp (ZKCore, rank 1) -> render/R.h (render, rank 1) points sideways",
        "link: veneer_render in ui-framework/render/CMakeLists.txt (render, rank 1) -> veneer_manager",
        "link: t in ui-framework/core/tests/CMakeLists.txt (core, rank 0) -> veneer_controls",
    ]
    missing = [e for e in expected if not any(f.startswith(e) for f in found)]
    if missing or len(found) != len(expected):
        print("self-test failed\nmissing:", *missing, "\nfound:", *found, sep="\n  ")
        return 1
    print(f"self-test passed ({sum(edges.values())} edges, {len(found)} violations found as expected)")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    edges, violations = check(read_tree(root))
    for v in violations:
        print("LAYER VIOLATION", v, file=sys.stderr)
    print(f"layer check: {edges['include']} include and {edges['link']} link edges checked, "
          f"{len(violations)} violations")
    return 1 if violations else 0


if __name__ == "__main__":
    sys.exit(main())
