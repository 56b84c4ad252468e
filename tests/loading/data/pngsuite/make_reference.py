#!/usr/bin/python3
"""Writes reference.bin: every PNG under suite/, testpngs/ and crashers/ decoded by Pillow
(python3-pil, Debian 12), laid onto white and reduced to 8-bit RGB, for PngSuiteTest.cpp.

Pillow ignores gAMA, cHRM, sBIT and bKGD as the viewer does. Where it keeps only the high
byte of 16-bit colour (RGB, grey+alpha, RGBA) the reference is truncated where the
plug-in rounds, hence the test's tolerance of one level; 16-bit grey is rounded here
from its full value. A 16-bit RGB tRNS colour is matched on its high bytes, the only ones
Pillow keeps.

Layout, zlib-compressed after a 4-byte big-endian length (as Qt's qUncompress reads it):
per file a name length byte, the name (folder/file), then 0 and width, height (16-bit
little-endian) and the rows top down as R, G, B; or 1 when Pillow refuses the file.
Run it from this folder: /usr/bin/python3 make_reference.py
"""
import glob
import struct
import zlib

from PIL import Image


def on_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def header(path):
    data = open(path, "rb").read(26)
    return data[24], data[25]  # bit depth, colour type


def rgba_pixels(path):
    im = Image.open(path)
    im.load()
    depth, colour_type = header(path)
    trns = im.info.get("transparency")
    if colour_type == 0:  # grey: Pillow leaves tRNS in the file's units
        if depth == 16:
            values = list(im.getdata())
            grey = [(v * 255 + 32767) // 65535 for v in values]
        else:
            values = list(im.convert("L").getdata())
            grey = values
            if trns is not None:
                trns = trns * 255 // ((1 << depth) - 1)
        return im.size, [(g, g, g, 0 if v == trns else 255) for v, g in zip(values, grey)]
    if colour_type == 2:
        key = None
        if trns is not None:
            key = tuple(t >> 8 for t in trns) if depth == 16 else tuple(trns)
        rgb = list(im.convert("RGB").getdata())
        return im.size, [p + (0 if p == key else 255,) for p in rgb]
    return im.size, list(im.convert("RGBA").getdata())  # palette, grey+alpha, RGBA


def record(name, path):
    out = bytes([len(name)]) + name.encode()
    try:
        (width, height), pixels = rgba_pixels(path)
    except Exception:  # any refusal: the plug-in must refuse the file too
        return out + b"\x01"
    out += b"\x00" + struct.pack("<HH", width, height)
    return out + bytes(on_white(c, p[3]) for p in pixels for c in p[:3])


def main():
    blob = b"".join(
        record(path, path)
        for folder in ("suite", "testpngs", "crashers")
        for path in sorted(glob.glob(folder + "/*.png"))
    )
    with open("reference.bin", "wb") as f:
        f.write(struct.pack(">I", len(blob)) + zlib.compress(blob, 9))


main()
