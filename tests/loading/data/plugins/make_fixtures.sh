#!/usr/bin/env bash
# Makes the small pictures that the bundled plug-ins' tests decode: solid colours of known
# sizes in every format, with and without alpha, a few with an orientation, and small
# photo-like HEIF pictures (shading and grain) that are compared with libheif's own
# decoding pixel by pixel. Needs python3-pil, libheif-examples and libjxl-tools (Debian
# 12). The files are committed; run this only to make them again.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
/usr/bin/python3 - "$tmp" <<'PY'
import sys
from PIL import Image, ImageFilter
tmp = sys.argv[1]
red, green, blue = (200, 30, 40), (20, 180, 60), (30, 60, 210)

def solid(mode, size, colour):
    return Image.new(mode, size, colour)

# Corners told apart: top left red, the rest blue, so a turn shows where that pixel went.
def marked(size):
    im = solid("RGB", size, blue)
    for y in range(2):
        for x in range(2):
            im.putpixel((x, y), red)
    return im

solid("RGB", (5, 3), red).save("rgb8.png")
solid("RGB", (5, 3), red).save("rgb.ppm")
solid("RGBA", (4, 4), (0, 0, 255, 128)).save("rgba_half.png")
solid("L", (3, 2), 90).save("grey8.png")
solid("1", (9, 2), 1).save("bilevel.png")
solid("RGB", (17, 9), green).save("interlaced.png", interlace=1)
Image.new("I;16", (6, 5), 0x8000).save("grey16.png")
p = solid("P", (4, 3), 1)
p.putpalette([0, 0, 0, 30, 60, 210] + [0] * 762)
p.save("palette_trns.png", transparency=1)
solid("RGBA", (3, 3), (200, 30, 40, 255)).save(tmp + "/rgba.png")
solid("RGB", (64, 48), green).save(tmp + "/green64.png")
solid("RGBA", (64, 48), (30, 60, 210, 0)).save(tmp + "/clear64.png")
solid("RGB", (9, 5), blue).save(tmp + "/blue9.png")

g = solid("P", (7, 4), 2)
g.putpalette([0, 0, 0, 255, 255, 255, 20, 180, 60] + [0] * 759)
g.save("solid.gif")
g.save("transparent.gif", transparency=2)
frames = [solid("RGB", (6, 6), c) for c in (red, blue)]
frames[0].save("animated.gif", save_all=True, append_images=frames[1:], duration=100)

solid("RGB", (6, 4), blue).save("rgb.tif")
solid("RGBA", (5, 5), (200, 30, 40, 0)).save("rgba_clear.tif")
solid("CMYK", (3, 3), (0, 255, 255, 0)).save("cmyk.tif", compression="tiff_lzw")
marked((6, 4)).save("orient6.tif", tiffinfo={274: 6})

solid("RGB", (8, 6), green).save("lossy.webp", quality=95)
solid("RGBA", (8, 6), (30, 60, 210, 0)).save("lossless_alpha.webp", lossless=True)
exif = Image.Exif()
exif[274] = 8
marked((6, 4)).save("orient8.webp", lossless=True, exif=exif.tobytes())
frames = [solid("RGB", (6, 6), c) for c in (blue, red)]
frames[0].save("animated.webp", save_all=True, append_images=frames[1:], lossless=True,
               duration=100)
frames = [solid("RGB", (6, 6), c) for c in (red, blue)]
frames[0].save("animated.png", save_all=True, append_images=frames[1:], duration=100)
# A panorama wider than the square of the pixel limit's side (16384), flat so that it
# encodes to about 1.5 KB as AVIF.
solid("RGB", (24000, 4000), green).save(tmp + "/panorama.png")
# An odd size, which heif-enc writes as a grid of one tile larger than the picture.
solid("RGB", (33, 21), green).save(tmp + "/odd.png")

# Shading at a few scales and grain: chroma that changes from pixel to pixel, so that a
# channel, row or sample out of place shows.
def photo(size):
    w, h = size
    def shade(sigma, blur):
        return Image.effect_noise(size, sigma).filter(ImageFilter.GaussianBlur(blur))
    base = Image.merge("RGB", (shade(90, 2), shade(70, 3), shade(110, 1)))
    ramp = Image.linear_gradient("L").resize(size).convert("RGB")
    grain = Image.merge("RGB", [Image.effect_noise(size, 30) for _ in range(3)])
    return Image.blend(Image.blend(base, ramp, 0.3), grain, 0.25)

photo((40, 30)).save(tmp + "/photo.png")
photo((37, 23)).save(tmp + "/photo_odd.png")
photo((40, 30)).convert("L").save(tmp + "/photo_grey.png")
PY
heif-enc -q 90 -o green.heic "$tmp/green64.png" >/dev/null
heif-enc -q 90 -A -o green.avif "$tmp/green64.png" >/dev/null
heif-enc -L -o clear.heic "$tmp/clear64.png" >/dev/null
heif-enc -q 10 -A -o panorama.avif "$tmp/panorama.png" >/dev/null
heif-enc -q 90 -o odd.heic "$tmp/odd.png" >/dev/null
heif-enc -q 60 -o photo420.heic "$tmp/photo.png" >/dev/null
heif-enc -q 60 -p chroma=444 -o photo444.heic "$tmp/photo.png" >/dev/null
heif-enc -q 60 -o photo_odd.heic "$tmp/photo_odd.png" >/dev/null
heif-enc -q 60 -A -o photo420.avif "$tmp/photo.png" >/dev/null
heif-enc -q 60 -A -p chroma=444 -o photo444.avif "$tmp/photo.png" >/dev/null
heif-enc -q 60 -A -o photo_grey.avif "$tmp/photo_grey.png" >/dev/null # coded as grey
heif-enc -q 60 -A -o "$tmp/photo_odd.avif" "$tmp/photo_odd.png" >/dev/null
# The odd AVIF turned a quarter left and mirrored (an irot and an imir property, which
# heif-enc does not write): 23 x 37 once libheif has applied them.
/usr/bin/python3 - "$tmp/photo_odd.avif" photo_turned.avif <<'PY'
import struct, sys

def children(b, start, end):
    while start + 8 <= end:
        size, kind = struct.unpack(">I4s", b[start:start + 8])
        yield start, size, kind
        start += size

def child(b, start, end, kind):
    return next((at, size) for at, size, k in children(b, start, end) if k == kind)

def grow(b, at, by):
    struct.pack_into(">I", b, at, struct.unpack(">I", b[at:at + 4])[0] + by)

b = bytearray(open(sys.argv[1], "rb").read())
meta, meta_size = child(b, 0, len(b), b"meta")
iloc, _ = child(b, meta + 12, meta + meta_size, b"iloc")
iprp, iprp_size = child(b, meta + 12, meta + meta_size, b"iprp")
ipco, ipco_size = child(b, iprp + 8, iprp + iprp_size, b"ipco")
ipma, _ = child(b, iprp + 8, iprp + iprp_size, b"ipma")
count = len(list(children(b, ipco + 8, ipco + ipco_size)))
# One item (heif-enc's AVIF without alpha), its associations one byte each.
assert b[ipma + 8] == 0 and b[ipma + 11] == 0 and struct.unpack(">I", b[ipma + 12:ipma + 16])[0] == 1
assert iloc < ipco < ipma
props = struct.pack(">I4sB", 9, b"irot", 1) + struct.pack(">I4sB", 9, b"imir", 0)
moved = len(props) + 2
# Edited from the back, so that no edit moves a place still to be edited: the item's
# associations (essential, 1-based property numbers), the properties, the boxes' sizes.
entry = ipma + 16
listed = b[entry + 2]
grow(b, ipma, 2)
b[entry + 2] = listed + 2
b[entry + 3 + listed:entry + 3 + listed] = bytes([0x80 | (count + 1), 0x80 | (count + 2)])
grow(b, ipco, len(props))
b[ipco + ipco_size:ipco + ipco_size] = props
grow(b, iprp, moved)
grow(b, meta, moved)
# The coded data moved as much: its iloc offsets (version 0, 32-bit fields) with it, the
# base offset where there is one, else each extent's.
sizes, base = b[iloc + 12], b[iloc + 13] >> 4
assert b[iloc + 8] == 0 and sizes == 0x44 and base in (0, 4)
items, at = struct.unpack(">H", b[iloc + 14:iloc + 16])[0], iloc + 16
for _ in range(items):
    at += 4  # item, data reference
    if base:
        grow(b, at, moved)
        at += 4
    extents = struct.unpack(">H", b[at:at + 2])[0]
    at += 2
    for _ in range(extents):
        if not base:
            grow(b, at, moved)
        at += 8
open(sys.argv[2], "wb").write(bytes(b))
PY
cjxl -q 100 "$tmp/blue9.png" blue.jxl >/dev/null 2>&1
cjxl -q 100 rgba_half.png rgba_half.jxl >/dev/null 2>&1
cc -o "$tmp/make_cmyk_jxl" make_cmyk_jxl.c $(pkg-config --cflags --libs libjxl)
"$tmp/make_cmyk_jxl" cmyk.jxl
