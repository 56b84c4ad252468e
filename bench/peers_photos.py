#!/usr/bin/python3
"""Writes the photo-like JPEGs the side-by-side benchmarks read, once.

peers_photos.py DIR makes DIR/big/P0..P3.jpg (6000 x 4000) and DIR/small/DSC0000..0199.jpg
(1920 x 1280), quality 90, and DIR/camera/, the small photos as a camera writes them: with
a 160 x 107 JPEG thumbnail of the same picture in an EXIF block. Each picture mixes smooth colour gradients, blurred structure
at two scales, hard-edged shapes and per-pixel noise, so that its JPEG carries about as
much entropy as a camera photo (about 7 MB for 24 megapixels) and decoding costs what a
photo costs. Existing complete sets are kept. Pillow's noise is not seeded, so two sets
differ in detail, not in size or decoding cost.
"""
import io
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter


def photo(width, height, seed):
    rnd = random.Random(seed)
    channels = []
    for c in range(3):
        # A smooth gradient at a random angle, as sky or a lit wall.
        grad = Image.linear_gradient("L").rotate(rnd.uniform(0, 360), resample=Image.BICUBIC,
                                                 expand=False, fillcolor=rnd.randrange(256))
        grad = grad.resize((width, height), Image.BILINEAR)
        # Large soft shapes and medium texture: noise blown up and blurred.
        blobs = Image.effect_noise((max(1, width // 64), max(1, height // 64)), 70)
        blobs = blobs.resize((width, height), Image.BICUBIC)
        texture = Image.effect_noise((max(1, width // 6), max(1, height // 6)), 50)
        texture = texture.resize((width, height), Image.BILINEAR)
        channel = ImageChops.blend(grad, blobs, 0.45)
        channel = ImageChops.blend(channel, texture, 0.3 + 0.05 * c)
        channels.append(channel)
    picture = Image.merge("RGB", channels)
    # Hard edges: a few shapes, as branches, windows or rocks.
    draw = ImageDraw.Draw(picture)
    for _ in range(40):
        x, y = rnd.randrange(width), rnd.randrange(height)
        w, h = rnd.randrange(width // 40 + 1, width // 6 + 2), rnd.randrange(height // 40 + 1, height // 6 + 2)
        colour = tuple(rnd.randrange(256) for _ in range(3))
        if rnd.random() < 0.5:
            draw.ellipse((x, y, x + w, y + h), outline=colour, width=rnd.randrange(2, 12))
        else:
            draw.rectangle((x, y, x + w, y + h), fill=colour)
    picture = picture.filter(ImageFilter.GaussianBlur(1.2))
    # Sensor noise on every pixel, grain in every channel.
    grain = Image.merge("RGB", [Image.effect_noise((width, height), 7) for _ in range(3)])
    return ImageChops.add(picture, grain, 1.0, -128)


def make_set(folder, names, width, height, first_seed):
    os.makedirs(folder, exist_ok=True)
    done = os.path.join(folder, ".complete")
    if os.path.exists(done):
        return
    for i, name in enumerate(names):
        photo(width, height, first_seed + i).save(os.path.join(folder, name), quality=90)
    open(done, "w").close()


def exif_app1(thumbnail):
    """An APP1 marker segment: orientation 1 in the first directory, the thumbnail in the
    second, little-endian, offsets from the TIFF header."""
    ifd1 = 8 + 2 + 12 + 4
    data = ifd1 + 2 + 3 * 12 + 4
    tiff = b"II*\0" + struct.pack("<I", 8)
    tiff += struct.pack("<H", 1) + struct.pack("<HHIHH", 0x0112, 3, 1, 1, 0) + struct.pack("<I", ifd1)
    tiff += struct.pack("<H", 3) + struct.pack("<HHIHH", 0x0103, 3, 1, 6, 0)
    tiff += struct.pack("<HHII", 0x0201, 4, 1, data) + struct.pack("<HHII", 0x0202, 4, 1, len(thumbnail))
    tiff += struct.pack("<I", 0)
    body = b"Exif\0\0" + tiff + thumbnail
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def make_camera_set(source, folder):
    os.makedirs(folder, exist_ok=True)
    done = os.path.join(folder, ".complete")
    if os.path.exists(done):
        return
    for name in sorted(n for n in os.listdir(source) if n.endswith(".jpg")):
        path = os.path.join(source, name)
        with Image.open(path) as im:
            im = im.convert("RGB")
            im.thumbnail((160, 160), Image.BICUBIC)
            out = io.BytesIO()
            im.save(out, "JPEG", quality=80)
        with open(path, "rb") as f:
            photo_bytes = f.read()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(photo_bytes[:2] + exif_app1(out.getvalue()) + photo_bytes[2:])
    open(done, "w").close()


def main():
    root = sys.argv[1]
    make_set(os.path.join(root, "big"), [f"P{i}.jpg" for i in range(4)], 6000, 4000, 1)
    make_set(os.path.join(root, "small"), [f"DSC{i:04d}.jpg" for i in range(200)], 1920, 1280, 100)
    make_camera_set(os.path.join(root, "small"), os.path.join(root, "camera"))


if __name__ == "__main__":
    main()
