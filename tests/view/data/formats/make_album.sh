#!/usr/bin/env bash
# Makes the album of one picture per readable format (160 x 120, a solid colour each) and
# the two portrait photos (stored landscape, upright by their EXIF orientation 6 and 8:
# the stored left half red, the right half blue). Needs python3-pil, libheif-examples and
# libjxl-tools. The files are committed; run this only to make them again.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
/usr/bin/python3 - "$tmp" <<'PY'
import sys
from PIL import Image
tmp = sys.argv[1]
size = (160, 120)
colours = {
    "1.png": (220, 40, 40), "2.gif": (40, 180, 60), "3.tif": (40, 70, 220),
    "4.webp": (230, 200, 40), "5.heic": (200, 40, 200), "6.avif": (40, 200, 210),
    "7.jxl": (240, 130, 30), "8.ppm": (120, 60, 160), "9.jpg": (90, 90, 90),
    "10.bmp": (20, 20, 120),
}
for name, c in colours.items():
    im = Image.new("RGB", size, c)
    if name.endswith(".gif"):
        p = Image.new("P", size, 0)
        p.putpalette(list(c) + [0] * 765)
        p.save(name)
    elif name.endswith(".webp"):
        im.save(name, quality=95)
    elif name.endswith((".heic", ".avif", ".jxl")):
        im.save(tmp + "/" + name + ".png")
    elif name.endswith(".jpg"):
        im.save(name, quality=95)
    else:
        im.save(name, compression="tiff_lzw") if name.endswith(".tif") else im.save(name)
for orientation in (6, 8):
    im = Image.new("RGB", size, (30, 60, 210))
    im.paste((200, 30, 40), (0, 0, 80, 120))
    exif = Image.Exif()
    exif[274] = orientation
    im.save("portrait%d.jpg" % orientation, quality=95, exif=exif.tobytes())
PY
heif-enc -q 90 -o 5.heic "$tmp/5.heic.png" >/dev/null
heif-enc -q 90 -A -o 6.avif "$tmp/6.avif.png" >/dev/null
cjxl -q 100 "$tmp/7.jxl.png" 7.jxl >/dev/null 2>&1
