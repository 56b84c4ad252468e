#!/usr/bin/python3
"""Writes the files bench/archives.sh reads, once: archives_data.py DIR makes DIR/photos/
(100 photo-like JPEGs of 1920 x 1280, quality 90, as bench/peers_photos.py draws them),
the same files as DIR/photos.cbz (zip, deflated, as most comic archivers write) and as
DIR/photos.cb7 (7z, LZMA2, solid: 7z a -mx=1 -ms=on), and DIR/many.tar.gz, 100,000 small
entries. A complete set is kept."""
import io
import os
import random
import shutil
import subprocess
import sys
import tarfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from peers_photos import photo  # noqa: E402


def main():
    root = sys.argv[1]
    done = os.path.join(root, ".complete")
    if os.path.exists(done):
        return
    if not shutil.which("7z"):
        sys.exit("archives_data.py: 7z is missing (p7zip-full, scripts/setup.sh)")
    photos = os.path.join(root, "photos")
    os.makedirs(photos, exist_ok=True)
    names = ["IMG_%04d.jpg" % i for i in range(100)]
    for i, name in enumerate(names):
        path = os.path.join(photos, name)
        if not os.path.exists(path):
            photo(1920, 1280, 500 + i).save(path, quality=90)
    with zipfile.ZipFile(os.path.join(root, "photos.cbz"), "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            z.write(os.path.join(photos, name), name)
    cb7 = os.path.join(root, "photos.cb7")
    if os.path.exists(cb7):
        os.remove(cb7)
    subprocess.run(["7z", "a", "-mx=1", "-ms=on", "-bd", "-bso0", os.path.abspath(cb7)] + names,
                   check=True, cwd=photos)
    rnd = random.Random(3)
    with tarfile.open(os.path.join(root, "many.tar.gz"), "w:gz", compresslevel=6) as tar:
        for i in range(100000):
            data = bytes(rnd.getrandbits(8) for _ in range(64)) * 4
            info = tarfile.TarInfo("scans/%03d/%06d.jpg" % (i // 1000, i))
            info.size = len(data)
            tar.addfile(info, io.BytesIO(data))
    open(done, "w").close()


if __name__ == "__main__":
    main()
