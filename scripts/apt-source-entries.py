#!/usr/bin/env python3
"""Prints deb822 `deb-src` stanzas that mirror the machine's own `deb` entries.

    apt-source-entries.py [IGNORED_FILE]

Reads /etc/apt/sources.list.d/*.sources (deb822) and, for one-line entries,
/etc/apt/sources.list and /etc/apt/sources.list.d/*.list. Each enabled `deb`
entry that has no `deb-src` twin gives one stanza with the same URIs, suites,
components and Signed-By. IGNORED_FILE (the file the output is written to) is
not read. Prints nothing when the machine has no `deb` entry.
"""
import glob
import os
import re
import sys

APT = os.environ.get("ZK_APT_DIR", "/etc/apt")


def deb822_stanzas(text):
    """Yields each stanza as an ordered list of (field, raw value lines)."""
    fields, name = [], None
    for line in text.splitlines():
        if line.startswith("#"):
            continue
        if not line.strip():
            if fields:
                yield fields
            fields, name = [], None
        elif line[0] in " \t" and name is not None:
            fields[-1][1].append(line)
        elif ":" in line:
            name, value = line.split(":", 1)
            fields.append((name.strip(), [value.strip()]))
    if fields:
        yield fields


def from_deb822(text):
    out = []
    for fields in deb822_stanzas(text):
        get = {k.lower(): v for k, v in fields}
        types = " ".join(get.get("types", [""])).split()
        enabled = " ".join(get.get("enabled", ["yes"])).strip().lower() != "no"
        if "deb" not in types or "deb-src" in types or not enabled:
            continue
        lines = ["Types: deb-src"]
        for key, value in fields:
            if key.lower() in ("uris", "suites", "components", "signed-by"):
                # Signed-By may hold a whole key: its continuation lines come along.
                lines.append(f"{key}: {value[0]}".rstrip())
                lines.extend(value[1:])
        out.append("\n".join(lines))
    return out


def from_one_line(text):
    out = []
    entries = [line.split("#", 1)[0].strip() for line in text.splitlines()]
    have_src = {e[len("deb-src"):].strip() for e in entries if e.startswith("deb-src")}
    for line in entries:
        m = re.match(r"^deb\s+(\[[^\]]*\]\s+)?(\S+)\s+(\S+)\s*(.*)$", line)
        if not m or line[len("deb"):].strip() in have_src:
            continue
        options = dict(o.split("=", 1) for o in (m.group(1) or "").strip("[] \t").split() if "=" in o)
        lines = ["Types: deb-src", f"URIs: {m.group(2)}", f"Suites: {m.group(3)}"]
        if m.group(4):
            lines.append(f"Components: {m.group(4)}")
        if "signed-by" in options:
            lines.append(f"Signed-By: {options['signed-by']}")
        out.append("\n".join(lines))
    return out


def main():
    ignored = os.path.realpath(sys.argv[1]) if len(sys.argv) > 1 else None
    stanzas = []
    for path in sorted(glob.glob(f"{APT}/sources.list.d/*.sources")):
        if os.path.realpath(path) != ignored:
            stanzas += from_deb822(open(path, encoding="utf-8").read())
    for path in [f"{APT}/sources.list"] + sorted(glob.glob(f"{APT}/sources.list.d/*.list")):
        if os.path.isfile(path) and os.path.realpath(path) != ignored:
            stanzas += from_one_line(open(path, encoding="utf-8").read())
    # apt warns about an entry given twice.
    unique = list(dict.fromkeys(stanzas))
    if unique:
        print("\n\n".join(unique))


if __name__ == "__main__":
    main()
