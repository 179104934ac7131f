#!/usr/bin/env python3
"""Checks a built skin archive: check-skin.py skin.zip

Both skin documents must be well-formed with a Window root; every font a
control uses must be declared; every image that a descriptor names (and the
shadow image the message box names in code) must be in the archive as the
plain file and as the four DPI variants, each variant scaled from the plain
image. Exits 1 with a list of faults."""
import re
import struct
import sys
import zipfile
from xml.dom import minidom

DOCUMENTS = {"ZKMainFrame.xml": 12, "ZKMsgBox.xml": 15}  # document -> font count
IMAGES_NAMED_IN_CODE = ["zk_appended\\shadow\\shadow_black.png"]
SCALES = {"": 1.0, "@1.25x": 1.25, "@1.5x": 1.5, "@1.75x": 1.75, "@2x": 2.0}


def image_file(descriptor):
    """The file a descriptor names: the value of file= (or res=), else the whole text."""
    if "=" not in descriptor:
        return descriptor
    m = re.search(r"(?:^|\s)(?:file|res)\s*=\s*'([^']*)'", descriptor)
    return m.group(1) if m else None


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", data[16:24])


def main(path):
    faults = []
    archive = zipfile.ZipFile(path)
    entries = {n.lower(): n for n in archive.namelist()}
    images = set(IMAGES_NAMED_IN_CODE)
    for doc, font_count in DOCUMENTS.items():
        if doc.lower() not in entries:
            faults.append(f"{doc}: missing from the archive")
            continue
        try:
            root = minidom.parseString(archive.read(entries[doc.lower()])).documentElement
        except Exception as e:  # any parser error is the fault being reported
            faults.append(f"{doc}: not well-formed: {e}")
            continue
        if root.tagName != "Window":
            faults.append(f"{doc}: root element is {root.tagName}")
        fonts = {int(f.getAttribute("id")) for f in root.getElementsByTagName("Font")}
        if fonts != set(range(font_count)):
            faults.append(f"{doc}: font ids {sorted(fonts)}, expected 0-{font_count - 1}")
        for el in root.getElementsByTagName("*"):
            for name, value in el.attributes.items():
                lname = name.lower()
                if lname == "font" or lname.endswith("font"):
                    if value and int(value) not in fonts:
                        faults.append(f"{doc}: <{el.tagName} {name}=\"{value}\"> names no declared font")
                elif lname.endswith("image") and value:
                    f = image_file(value)
                    if not f:
                        faults.append(f"{doc}: descriptor without a file: {value}")
                    else:
                        images.add(f)
    for image in sorted(images):
        name = image.replace("\\", "/")
        if name.count(".") != 1:
            faults.append(f"{image}: the DPI variant names need exactly one '.' in the name")
            continue
        stem, ext = name.split(".")
        base = None
        for suffix, scale in SCALES.items():
            entry = f"{stem}{suffix}.{ext}".lower()
            if entry not in entries:
                faults.append(f"{image}: {stem}{suffix}.{ext} missing from the archive")
                continue
            size = png_size(archive.read(entries[entry]))
            if size is None:
                faults.append(f"{entry}: not a PNG")
            elif base is None:
                base = size
            elif any(abs(s - b * scale) > 1 for s, b in zip(size, base)):
                faults.append(f"{entry}: {size[0]}x{size[1]} is not {scale} x {base[0]}x{base[1]}")
    for fault in faults:
        print("check-skin:", fault)
    print(f"check-skin: {len(images)} images, {len(entries)} entries, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
