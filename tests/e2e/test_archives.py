"""Archives as albums: a zip made on a Mac opens at its pictures, its leftovers unlisted;
and while a large compressed tar is listed the window keeps painting, until Esc stops
the listing and the album shown before stays."""

import io
import os
import random
import tarfile
import time
import unittest
import zipfile

from PIL import Image, ImageChops

from harness import BLUE, GREEN, MAGENTA, RED, Case, wait_until, write_ini


def solid_jpeg(colour, size):
    from io import BytesIO
    out = BytesIO()
    Image.new("RGB", size, colour).save(out, "JPEG", quality=95)
    return out.getvalue()


def make_big_tar_bz2(path, entries, size):
    """A .tar.bz2 of many text-like pages: a listing decompresses all of it to find each
    header, and bzip2 decodes slowly enough to take seconds."""
    rnd = random.Random(7)
    words = [bytes(rnd.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9)))
             for _ in range(5000)]
    blob = b" ".join(rnd.choice(words) for _ in range(400000))
    with tarfile.open(path, "w:bz2", compresslevel=1) as tar:
        for i in range(entries):
            info = tarfile.TarInfo("pages/%05d.jpg" % i)
            start = (i * 7919) % (len(blob) - size)
            info.size = size
            tar.addfile(info, io.BytesIO(blob[start:start + size]))


class Archives(Case):
    def test_a_zip_made_on_a_mac_opens_at_its_first_page(self):
        write_ini(self.program.ini, {"Folder": {"Current": self.program.home + "/"},
                                     "Conf": {"OpenMode": "1", "SpilitMode": "0"}})
        book = os.path.join(self._tmp, "mac.cbz")
        with zipfile.ZipFile(book, "w") as z:
            z.writestr("__MACOSX/._page1.jpg", b"\x00\x05\x16\x07\x00\x02\x00\x00" + b"\0" * 74)
            z.writestr(".DS_Store", b"\x00\x00\x00\x01Bud1" + b"\0" * 100)
            z.writestr("page1.jpg", solid_jpeg(RED, (400, 300)))
            z.writestr("page2.jpg", solid_jpeg(GREEN, (300, 400)))
        dump = os.path.join(self._tmp, "texts.txt")
        os.environ["FOLIVEX_TEXT_DUMP"] = dump
        try:
            win = self.launch(book, caption="Folivex - mac")
        finally:
            del os.environ["FOLIVEX_TEXT_DUMP"]
        # The contents page brought forward dumps the window, counter included.
        self.screen.key("F3")

        def counter():
            if not os.path.exists(dump):
                return None
            with open(dump, encoding="utf-8") as f:
                return "text: 0/2" in f.read().splitlines()

        self.assertTrue(wait_until(counter, 8.0), "the counter does not say 0/2")
        # Back on the view page at the caret's row, the first.
        self.screen.key("F2")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN),
                             "first spread: %r" % win.shown_colours())
        self.screen.key("space")  # two pages only: the back cover comes next
        self.assertIsNotNone(win.shown(), "after the last page: %r" % win.shown_colours())

    def test_the_window_paints_while_an_archive_is_listed_and_esc_stops_it(self):
        big = os.path.join(self._tmp, "big.tar.bz2")
        make_big_tar_bz2(big, 60000, 2500)
        self.program.write_settings()
        win = self.launch()
        self.screen.key("space")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN))
        x, y, w, h = win.geometry()
        strip = (x, y + h - 26, x + w, y + h)
        before = self.screen.screenshot().crop(strip)
        # A second start forwards the archive to the running window.
        second = self.program.start(big)
        changes, last = 0, before
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline and changes < 3:
            now = self.screen.screenshot().crop(strip)
            if ImageChops.difference(now, last).getbbox():
                changes += 1
                last = now
        # The count in the status panel moved: the window painted during the listing.
        self.assertGreaterEqual(changes, 3, "the status bar did not change while listing")
        self.screen.key("Escape")
        self.assertEqual(second.wait(15), 0)
        self.assertCaption(win.wid, "Folivex - pictures")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN),
                             "after Esc: %r" % win.shown_colours())
        self.screen.key("space")  # the old album still turns
        self.assertIsNotNone(win.shown(right=BLUE, left=MAGENTA),
                             "the next spread: %r" % win.shown_colours())
        self.assertIsNone(win.proc.poll(), "the program ended")


if __name__ == "__main__":
    unittest.main()
