#!/usr/bin/env python3
"""Packs the skin archive: pack-skin.py <archive> <entry>... (entries relative
to the working directory, names kept as given).

Each entry is deflated at the highest level, or stored when deflating does not
make it smaller (most PNG files): a stored entry costs no inflating when the
skin is read. Times are fixed so that the same files give the same archive."""
import sys
import zlib
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def main(archive, entries):
    with zipfile.ZipFile(archive, "w") as out:
        for name in entries:
            with open(name, "rb") as f:
                data = f.read()
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            deflated = packer.compress(data) + packer.flush()
            info = zipfile.ZipInfo(name.replace("\\", "/"), FIXED_TIME)
            info.external_attr = 0o644 << 16
            if len(deflated) < len(data):
                info.compress_type = zipfile.ZIP_DEFLATED
                out.writestr(info, data, compresslevel=9)
            else:
                info.compress_type = zipfile.ZIP_STORED
                out.writestr(info, data)
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: pack-skin.py <archive> <entry>...")
    sys.exit(main(sys.argv[1], sys.argv[2:]))
