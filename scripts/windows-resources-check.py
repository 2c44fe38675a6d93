#!/usr/bin/env python3
"""Checks that a Windows program file (argument 1) carries the resources Windows reads from it:
the MAINICON group with PNG images up to 256 px, a manifest that is XML and names the program's
version (argument 2), and version information of that version. Exits 1 with the fault."""

import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resources(image):
    """Maps (type, name) to the data of the name's first language."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    # Data directory 2 of a PE32+ optional header.
    root_rva = struct.unpack_from("<I", image, optional + 112 + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", image, table + 40 * i) for i in range(sections)]

    def at(rva):
        return next(raw + rva - base for size, base, _, raw in spans if base <= rva < base + size)

    root = at(root_rva)

    def entries(offset):
        named, numbered = struct.unpack_from("<12xHH", image, root + offset)
        for i in range(named + numbered):
            key, target = struct.unpack_from("<II", image, root + offset + 16 + 8 * i)
            if key & 0x80000000:
                length = struct.unpack_from("<H", image, root + (key & 0x7FFFFFFF))[0]
                start = root + (key & 0x7FFFFFFF) + 2
                key = image[start : start + 2 * length].decode("utf-16-le")
            yield key, target & 0x7FFFFFFF

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            leaf = next(entries(languages))[1]
            rva, size = struct.unpack_from("<II", image, root + leaf)
            found[kind, name] = image[at(rva) : at(rva) + size]
    return found


def check(path, version):
    with open(path, "rb") as file:
        found = resources(file.read())
    group = found.get((RT_GROUP_ICON, "MAINICON"))
    if not group:
        return "no MAINICON icon group"
    sizes = []
    for i in range(struct.unpack_from("<H", group, 4)[0]):
        width, size, number = struct.unpack_from("<B7xIH", group, 6 + 14 * i)
        image = found.get((RT_ICON, number), b"")
        if len(image) != size or not image.startswith(b"\x89PNG"):
            return f"icon {number} is not the PNG image its group entry describes"
        if struct.unpack_from(">I", image, 16)[0] != (width or 256):
            return f"icon {number} is not {width or 256} px wide"
        sizes.append(width or 256)
    if 256 not in sizes:
        return f"MAINICON holds {sizes} px and no 256 px image"

    try:
        manifest = ElementTree.fromstring(found.get((RT_MANIFEST, 1), b""))
    except ElementTree.ParseError as error:
        return f"manifest 1 is no XML document: {error}"
    identity = manifest.find("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    if identity is None or identity.get("version") != f"{version}.0":
        return f"the manifest does not name version {version}.0"

    info = found.get((RT_VERSION, 1), b"")
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        return "no version information"
    high, low = struct.unpack_from("<II", info, fixed + 8)
    numbers = f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"
    text = re.search(r"ProductVersion\0+([^\0]*)", info.decode("utf-16-le", "replace"))
    if numbers != f"{version}.0" or not text or text.group(1) != version:
        return f"the version information is not of version {version}"
    return None


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: windows-resources-check.py PROGRAM.exe VERSION")
    fault = check(sys.argv[1], sys.argv[2])
    if fault:
        sys.exit(f"{sys.argv[1]}: {fault}")
