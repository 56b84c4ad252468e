#!/usr/bin/env bash
# Makes the small pictures that the bundled plug-ins' tests decode: solid colours of known
# sizes in every format, with and without alpha, and a few with an orientation. Needs
# python3-pil, libheif-examples and libjxl-tools (Debian 12). The files are committed;
# run this only to make them again.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
/usr/bin/python3 - "$tmp" <<'PY'
import sys
from PIL import Image
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
PY
heif-enc -q 90 -o green.heic "$tmp/green64.png" >/dev/null
heif-enc -q 90 -A -o green.avif "$tmp/green64.png" >/dev/null
heif-enc -L -o clear.heic "$tmp/clear64.png" >/dev/null
heif-enc -q 10 -A -o panorama.avif "$tmp/panorama.png" >/dev/null
heif-enc -q 90 -o odd.heic "$tmp/odd.png" >/dev/null
cjxl -q 100 "$tmp/blue9.png" blue.jxl >/dev/null 2>&1
cjxl -q 100 rgba_half.png rgba_half.jxl >/dev/null 2>&1
cc -o "$tmp/make_cmyk_jxl" make_cmyk_jxl.c $(pkg-config --cflags --libs libjxl)
"$tmp/make_cmyk_jxl" cmyk.jxl
