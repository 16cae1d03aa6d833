#!/usr/bin/env python3
"""Splits glowtide.ico into icon resources that both icon groups share.

An ICON statement of the resource compiler embeds every image of its .ico file, so two groups made
from one file carry each image twice. This writes each image once as an RT_ICON resource, one
RT_GROUP_ICON directory that names them, and an .rc fragment that declares the images and both
groups (IDI_GLOWTIDE and IDI_SMALL) over that one directory, for glowtide.rc to include.
Usage: icon_resources.py glowtide.ico OUTPUT_FOLDER
"""
import os
import struct
import sys


def main(ico_path, out):
    with open(ico_path, "rb") as f:
        ico = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
    if reserved != 0 or kind != 1 or count == 0:
        sys.exit(f"{ico_path}: not an icon file")
    os.makedirs(out, exist_ok=True)
    directory = struct.pack("<HHH", 0, 1, count)
    lines = ["// Written by res/icon_resources.py from glowtide.ico: each image once, two groups."]
    for index in range(count):
        width, height, colors, _, planes, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", ico, 6 + 16 * index)
        image = ico[offset:offset + size]
        if len(image) != size:
            sys.exit(f"{ico_path}: image {index + 1} is cut short")
        name = os.path.join(out, f"icon_{index + 1}.bin")
        with open(name, "wb") as f:
            f.write(image)
        # A group entry is the file's entry with the resource id in place of the file offset.
        directory += struct.pack("<BBBBHHIH", width, height, colors, 0, planes, bits, size, index + 1)
        lines.append(f'{index + 1} 3 "{name}"')
    group = os.path.join(out, "icon_group.bin")
    with open(group, "wb") as f:
        f.write(directory)
    # Types 3 and 14 are RT_ICON and RT_GROUP_ICON; the group names come from resource.h.
    lines += [f'IDI_GLOWTIDE 14 "{group}"', f'IDI_SMALL 14 "{group}"']
    with open(os.path.join(out, "icons.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
