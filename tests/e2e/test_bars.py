"""Hiding and showing the toolbars and the status bar re-lays the book at once: the
background fills the client area with no band left over, the open book sits in its
middle, and a hidden status bar takes no room."""

import time
import unittest

from PIL import Image

from harness import BLUE, GREEN, MAGENTA, RED, Case, is_texture, wait_until


def layout(win):
    """(texture top, texture bottom, book box) in screen coordinates, and whether the
    background column at the right edge is texture all the way from top to bottom."""
    x, y, w, h = win.geometry()
    shot = win.screen.screenshot()
    top, bottom = win.texture_rows(shot)
    px = shot.load()
    col = x + w - 4
    solid = all(is_texture(px[col, r]) for r in range(top, bottom + 1))
    # The book: every light pixel of the client area (paper, pictures' frames, edges).
    area = shot.crop((x, top, x + w, bottom + 1)).convert("L")
    light = area.point(lambda v: 255 if v > 170 else 0)
    # The texture sample at the lower left is no part of the book.
    light.paste(Image.new("L", (40, 40), 0), (0, light.size[1] - 40))
    box = light.getbbox()
    book = None if not box else (box[0] + x, box[1] + top, box[2] - 1 + x, box[3] - 1 + top)
    return top, bottom, book, solid


class Bars(Case):
    def assert_centred(self, win, what, top=None, bottom=None):
        x, y, w, h = win.geometry()

        def check():
            try:
                t, b, book, solid = layout(win)
            except AssertionError:  # mid-repaint on a busy machine: no texture yet
                return None
            if not solid or not book:
                return None
            if top is not None and t != top:
                return None
            if bottom is not None and b not in (bottom if isinstance(bottom, range)
                                                else (bottom,)):
                return None
            left_gap, right_gap = book[0] - x, x + w - 1 - book[2]
            top_gap, bottom_gap = book[1] - t, b - book[3]
            if abs(left_gap - right_gap) > 2 or abs(top_gap - bottom_gap) > 2:
                return None
            return t, b, book

        found = wait_until(check, 10.0)
        if not found:
            try:
                seen = layout(win)
            except AssertionError as e:
                seen = str(e)
            self.fail("%s: background rows, book box, background whole: %r (expected rows "
                      "%r to %r)" % (what, seen, top, bottom))
        return found

    def window_menu(self, win, key):
        self.menu(win.proc, "w", key)

    def test_each_bar_hidden_and_shown(self):
        self.program.write_settings()
        win = self.launch()
        x, y, w, h = win.geometry()
        self.screen.click(x + w - 10, y + h // 2)  # the background: keys to the window
        self.screen.key("space")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN))
        top0, bottom0, book0 = self.assert_centred(win, "at start")
        self.assertLess(bottom0, y + h - 10, "a status bar below the background")

        # One toolbar of the row: the row stays, the book stays where it was.
        for key, name in (("f", "album file bar"), ("b", "basic bar"), ("c", "album bar")):
            self.window_menu(win, key)
            self.assert_centred(win, name + " hidden", top0, bottom0)
            self.window_menu(win, key)
            self.assert_centred(win, name + " shown", top0, bottom0)

        # All toolbars: the background reaches up to the menu bar.
        self.window_menu(win, "h")
        top1, _, book1 = self.assert_centred(win, "all toolbars hidden", bottom=bottom0)
        self.assertLess(top1, top0)
        self.assertLessEqual(top1 - y, 26, "the menu bar is about 20 pixels high")
        self.assertGreater(book1[3] - book1[1], book0[3] - book0[1], "the book grew")
        self.window_menu(win, "h")
        self.assert_centred(win, "all toolbars shown", top0, bottom0)

        # The status bar hidden takes no room at all.
        self.window_menu(win, "s")
        self.assert_centred(win, "status bar hidden", top0, y + h - 1)
        self.window_menu(win, "s")
        # Shown again, the status panel is 27 pixels high, 2 more than at start.
        self.assert_centred(win, "status bar shown", top0, range(bottom0 - 2, bottom0 + 1))

        # The keys still turn the book in the re-laid window.
        self.screen.key("space")
        self.assertIsNotNone(win.shown(right=BLUE, left=MAGENTA))

    def test_a_resized_window_re_lays_the_book(self):
        self.program.write_settings()
        win = self.launch()
        self.screen.key("space")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN))
        _, _, book0 = self.assert_centred(win, "at start")
        for w, h in ((800, 600), (500, 400)):
            self.screen.xdotool("windowsize", win.wid, str(w), str(h))
            self.assertTrue(wait_until(lambda: win.geometry()[2:] == (w, h)), win.geometry())
            _, _, book = self.assert_centred(win, "at %dx%d" % (w, h))
            self.assertIsNotNone(win.shown(right=RED, left=GREEN))
        self.assertLess(book[3] - book[1], book0[3] - book0[1], "the book shrank")


if __name__ == "__main__":
    unittest.main()
