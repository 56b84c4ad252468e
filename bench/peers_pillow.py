#!/usr/bin/python3
"""Pillow's side of bench/peers.sh: the same work on the same files, timed the same way.

peers_pillow.py DIR WORK [W H] prints one JSON object. WORK is
  scaler W H        P0.jpg decoded once, then resized to W x H with BOX (the timed part);
  spread4 W H       P0..P3.jpg each opened, drafted and BOX-resized into W x H;
  spread2 W H       the same for P0..P1;
  memory4 W H       one spread4, reporting this process's peak resident memory;
  thumbs SET        the 200 photos of SET (small or camera) into 128 px JPEG thumbnails
                    (quality 88) on 2 worker processes, written to one file, as a
                    thumbnail cache build does, each photo drafted and BOX-reduced;
  thumbs-exif SET   the same, from the camera's EXIF thumbnail wherever it has at least
                    128 pixels on its longer side, as the program does.
Times are medians of several rounds of the work, in milliseconds.
"""
import io
import json
import multiprocessing
import os
import resource
import statistics
import struct
import sys
import tempfile
import time

from PIL import Image


def timed(work, min_seconds=1.0, rounds=5):
    """The median time of one run of work, over rounds that each run it for min_seconds."""
    work()  # warm up: first-touch costs belong to neither side
    medians = []
    for _ in range(rounds):
        times = []
        start = time.perf_counter()
        while True:
            t0 = time.perf_counter()
            work()
            times.append(time.perf_counter() - t0)
            if time.perf_counter() - start >= min_seconds / rounds:
                break
        medians.append(statistics.median(times))
    return statistics.median(medians) * 1000


def spread(paths, box):
    for path in paths:
        with Image.open(path) as im:
            im.draft("RGB", box)
            im.convert("RGB").resize(box, Image.BOX)


def thumbnail_of(im):
    im.draft("RGB", (128, 128))
    im = im.convert("RGB")
    im.thumbnail((128, 128), Image.BOX)
    out = io.BytesIO()
    im.save(out, "JPEG", quality=88)
    return out.getvalue()


def thumbnail(path):
    with Image.open(path) as im:
        return thumbnail_of(im)


def embedded_thumbnail(exif):
    """The JPEG bytes that the second directory of an APP1 EXIF block points at, or None."""
    if not exif.startswith(b"Exif\0\0"):
        return None
    tiff = exif[6:]
    order = "<" if tiff[:2] == b"II" else ">"
    at = struct.unpack_from(order + "I", tiff, 4)[0]
    count = struct.unpack_from(order + "H", tiff, at)[0]
    at = struct.unpack_from(order + "I", tiff, at + 2 + 12 * count)[0]
    if at == 0:
        return None
    fields = {}
    for i in range(struct.unpack_from(order + "H", tiff, at)[0]):
        tag, _, _, value = struct.unpack_from(order + "HHII", tiff, at + 2 + 12 * i)
        fields[tag] = value
    start, length = fields.get(0x0201), fields.get(0x0202)
    return tiff[start:start + length] if start and length else None


def thumbnail_from_exif(path):
    with Image.open(path) as im:
        small = embedded_thumbnail(im.info.get("exif", b""))
        if small:
            with Image.open(io.BytesIO(small)) as thumb:
                if max(thumb.size) >= 128:
                    return thumbnail_of(thumb)
        return thumbnail_of(im)


def main():
    root, work = sys.argv[1], sys.argv[2]
    big = [os.path.join(root, "big", f"P{i}.jpg") for i in range(4)]
    if work in ("thumbs", "thumbs-exif"):
        folder = os.path.join(root, sys.argv[3])
        paths = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".jpg"))
        make = thumbnail if work == "thumbs" else thumbnail_from_exif
        with multiprocessing.Pool(2) as pool, tempfile.TemporaryDirectory() as out:
            def build():
                with open(os.path.join(out, "cache"), "wb") as f:
                    for data in pool.map(make, paths, chunksize=4):
                        f.write(data)
            print(json.dumps({"ms": timed(build, 4.0), "pictures": len(paths)}))
        return
    box = (int(sys.argv[3]), int(sys.argv[4]))
    if work == "scaler":
        with Image.open(big[0]) as im:
            im = im.convert("RGB")
            print(json.dumps({"ms": timed(lambda: im.resize(box, Image.BOX))}))
    elif work in ("spread4", "spread2"):
        paths = big[: 4 if work == "spread4" else 2]
        print(json.dumps({"ms": timed(lambda: spread(paths, box), 3.0)}))
    elif work == "memory4":
        spread(big, box)
        print(json.dumps({"peak_kB": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss}))
    else:
        sys.exit(f"unknown work {work}")


if __name__ == "__main__":
    main()
