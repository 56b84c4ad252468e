"""Big photos: turning through 24-megapixel JPEGs shows each spread, and the window keeps
painting while the thumbnail cache of many of them is built, until Esc stops it."""

import os
import shutil
import tempfile
import time
import unittest

from PIL import Image, ImageChops, ImageFilter, ImageStat

from harness import Case, settled, wait_until, write_ini

PHOTO_SIZE = (6000, 4000)


def make_photo(path, seed):
    """A photo-like picture: soft shapes, gradients and sensor-like noise, so that its
    JPEG costs what a camera photo costs to decode (about 7 MB at quality 90)."""
    w, h = PHOTO_SIZE
    channels = []
    for c in range(3):
        shapes = Image.effect_noise((w // 64, h // 64), 60 + 10 * seed + 5 * c)
        shapes = shapes.resize((w, h), Image.BICUBIC)
        grad = Image.linear_gradient("L").rotate(40 * seed + 70 * c).resize((w, h))
        fine = Image.effect_noise((w, h), 28)
        channels.append(ImageChops.blend(ImageChops.blend(shapes, grad, 0.4), fine, 0.25))
    Image.merge("RGB", channels).save(path, quality=90)


def busy(image):
    """True where a region is photo rather than plain paper: its pixels spread widely."""
    return max(ImageStat.Stat(image).stddev) > 12


class BigPhotos(Case):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.photos = tempfile.mkdtemp(prefix="folivex-e2e-photos-")
        for i in range(4):
            make_photo(os.path.join(cls.photos, "P%d.jpg" % i), i)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.photos, ignore_errors=True)
        super().tearDownClass()

    def album_folder(self, names):
        """A folder of the given names, each a link to one of the big photos in turn: the
        program reads them as that many files."""
        folder = os.path.join(self._tmp, "photos")
        os.makedirs(folder)
        for i, name in enumerate(names):
            os.symlink(os.path.join(self.photos, "P%d.jpg" % (i % 4)), os.path.join(folder, name))
        write_ini(self.program.ini, {"Folder": {"Current": folder + "/"},
                                     "Conf": {"OpenMode": "0", "SpilitMode": "0"}})
        return folder

    def pages(self, win):
        """The middle of the left and the right page, as shown."""
        x, y, w, h = win.geometry()
        shot = self.screen.screenshot()
        cy = y + h // 2
        return (shot.crop((x + w // 4 - 40, cy - 40, x + w // 4 + 40, cy + 40)),
                shot.crop((x + 3 * w // 4 - 40, cy - 40, x + 3 * w // 4 + 40, cy + 40)))

    def wait_spread(self, win, unlike=None, like=None, timeout=20.0):
        """Waits for both pages to show photos, different from `unlike` or equal to `like`
        (pairs of page crops); returns the crops and the seconds it took."""
        start = time.monotonic()

        def same(a, b):
            return max(ImageStat.Stat(ImageChops.difference(a, b)).mean) < 2

        def ready():
            left, right = self.pages(win)
            if not (busy(left) and busy(right)):
                return None
            # Settled: the turn's animation is over when two looks agree.
            time.sleep(0.15)
            again = self.pages(win)
            if not (same(left, again[0]) and same(right, again[1])):
                return None
            if unlike and same(left, unlike[0]):
                return None
            if like and not (same(left, like[0]) and same(right, like[1])):
                return None
            return (left, right)

        got = wait_until(ready, timeout, interval=0.05)
        self.assertIsNotNone(got, "no spread of photos shown")
        return got, time.monotonic() - start

    def test_turning_through_big_photos_shows_every_spread(self):
        # P0 P1 | P2 P3 | P0 P1 again under other names: every turn changes both pages.
        self.album_folder(["%02d.jpg" % i for i in range(1, 7)])
        win = self.launch(caption="Folivex - photos")
        self.screen.key("space")
        first, t_open = self.wait_spread(win)
        self.screen.key("space")
        second, t_next = self.wait_spread(win, unlike=first)
        self.screen.key("space")
        third, t_third = self.wait_spread(win, unlike=second)
        self.screen.key("BackSpace")
        back, t_back = self.wait_spread(win, like=second)
        print("\nbig photos: open %.2f s, turns %.2f s, %.2f s, back %.2f s (animation and "
              "screenshots included)" % (t_open, t_next, t_third, t_back))
        self.assertIsNone(win.proc.poll(), "the program ended")

    def test_the_window_paints_during_a_cache_build_and_esc_stops_it(self):
        self.album_folder(["DSC%04d.jpg" % i for i in range(160)])
        win = self.launch(caption="Folivex - photos")
        self.screen.key("F3")
        x, y, w, h = win.geometry()
        strip = (x, y + h - 26, x + w, y + h)
        # The status bar as the contents page leaves it, before the build starts.
        before = Image.frombytes("RGB", (w, 26), settled(
            lambda: self.screen.screenshot().crop(strip).tobytes()))
        self.menu(win.proc, "e", "t")
        # The progress text changes in the status bar while the pictures are decoded: the
        # window paints without waiting for the build.
        changes = 0
        last = before
        deadline = time.monotonic() + 30  # a loaded machine makes its first pictures late
        while time.monotonic() < deadline and changes < 2:
            now = self.screen.screenshot().crop(strip)
            if ImageChops.difference(now, last).getbbox():
                changes += 1
                last = now
        self.assertGreaterEqual(changes, 2, "the status bar did not change during the build")
        self.screen.key("Escape")
        cache = os.path.join(self.program.folder, "Cache")
        # Stopped: no cache file is written, and the window takes commands again. (A
        # file that would appear has a second to do so.)
        time.sleep(1.0)
        written = [f for f in os.listdir(cache)] if os.path.isdir(cache) else []
        self.assertEqual([f for f in written if not f.startswith(".")], [],
                         "a cancelled build wrote a cache file")
        self.screen.key("F2")
        self.screen.key("space")
        self.wait_spread(win)
        self.assertIsNone(win.proc.poll(), "the program ended")


if __name__ == "__main__":
    unittest.main()
