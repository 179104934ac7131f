#!/usr/bin/env python3
"""Builds a Windows icon file from one SVG: make-icon.py RSVG SVG ICO [OPTIPNG]

Sizes 16 to 256 cover the shell's small and large icons from 100 % to 200 %.
Every entry is stored PNG-compressed (read by Windows Vista and later), which
keeps the icon a fraction of the size of uncompressed bitmaps."""
import os
import struct
import subprocess
import sys
import tempfile

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def main(rsvg, svg, ico, optipng=None):
    entries = []
    with tempfile.TemporaryDirectory() as work:
        for size in SIZES:
            png = os.path.join(work, f"{size}.png")
            subprocess.run([rsvg, f"--width={size}", f"--height={size}", "--format=png",
                            "--output", png, svg], check=True)
            if optipng:
                subprocess.run([optipng, "-quiet", "-o2", "-strip", "all", png], check=True)
            entries.append((size, open(png, "rb").read()))
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(header) + 16 * len(entries)
    directory, images = b"", b""
    for size, data in entries:
        # Width and height 0 mean 256; 32 bits per pixel.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                 len(data), offset + len(images))
        images += data
    with open(ico, "wb") as out:
        out.write(header + directory + images)


if __name__ == "__main__":
    main(*sys.argv[1:])
