"""A comment still being typed in the picture list belongs to the album: saved by the
menu, the toolbar or the keyboard without leaving the cell, found again in the reopened
album, and kept when its row is dragged elsewhere."""

import os
import time
import unittest

from harness import (BLUE, COLOURS, CYAN, GREEN, MAGENTA, RED, YELLOW, Case, Window, dark_segments,
                     read_album, solid_boxes, wait_until)

MENUS_CONTENTS_PAGE = ["ﾌｧｲﾙ", "表示", "編集", "その他", "ｳｨﾝﾄﾞｳ", "ﾍﾙﾌﾟ"]
# "閉じる" is disabled outside an album and drawn grey, so it is not among the labels.
FILE_MENU = ["開く", "保存", "Folivexの終了"]
THUMBNAIL = 32  # the default thumbnail size is the width of the list's first column
NAME_COLUMN = 170  # ten times the grid font's height plus 4 (13 + 4)


class Comments(Case):
    def contents_page(self, win):
        """Switches to the Contents page by F3; returns the list's rows by picture colour:
        colour -> (x of the row's comment cell, y of the row's middle, thumbnail box)."""
        x, y, w, h = win.geometry()
        self.screen.click(x + w - 10, y + h // 2)  # the background: keys to the window
        self.screen.key("F3")

        def rows():
            shot = self.screen.screenshot().crop((x, y, x + w, y + h))
            found = solid_boxes(shot, min_pixels=300)
            return found if len(found) == len(COLOURS) else None

        found = wait_until(rows, 8.0)
        self.assertTrue(found, "the list shows no thumbnails")
        left = min(b[0] for b in found.values()) + x
        return {c: (left + THUMBNAIL + NAME_COLUMN + 80, y + (b[1] + b[3]) // 2,
                    (b[0] + x, b[1] + y, b[2] + x, b[3] + y)) for c, b in found.items()}

    def type_comment(self, rows, colour, text):
        cx, cy, _ = rows[colour]
        self.screen.click(cx, cy)
        # The cell is current once the program has taken the click: drawn selected.
        wait_until(lambda: selected(self.screen.screenshot(), cx, cy), 5.0)
        self.screen.type_text(text)
        # The typed text shows in the cell (dark glyphs on the editor's white).
        wait_until(lambda: inked(self.screen.screenshot(), cx, cy), 5.0)

    def confirm_save(self, proc, before):
        """OK in the save dialog with the proposed name, then OK to the report; returns
        the album file written."""
        folder = os.path.join(self.program.folder, "AJVs")
        dialog = self.wait_window(proc, "確認")
        self.answer(dialog, "Return")
        # The album is written under a hidden temporary name first, then renamed.
        written = wait_until(lambda: sorted(n for n in set(os.listdir(folder)) - before
                                            if not n.startswith(".")), 8.0)
        self.assertTrue(written, "no album file written\n" + self.program.log_text())
        report = self.wait_window(proc, "確認")
        self.answer(report, "Return")
        self.assertTrue(self.gone(proc, "確認"))
        return os.path.join(folder, written[0])

    def albums_before(self):
        folder = os.path.join(self.program.folder, "AJVs")
        return set(os.listdir(folder)) if os.path.isdir(folder) else set()

    def comments_of(self, album):
        lines = read_album(album)
        count = int(lines[0])
        return [(lines[1 + 2 * i], lines[2 + 2 * i]) for i in range(count)]

    def find_in_reopened_album(self, album, text):
        """The album started again from its file: the search for the comment turns the
        book to the spread of its picture."""
        caption = "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - pictures"
        win = self.launch(album, caption=caption)
        x, y, w, h = win.geometry()
        self.screen.click(x + w - 10, y + h // 2)
        self.screen.key("space")
        self.assertIsNotNone(win.shown(right=RED, left=GREEN))
        status = win.status_bar()
        self.screen.click(*status["検索"])
        self.screen.click(*status["field"])
        self.screen.type_text(text)
        self.screen.click(*win.search_down())
        self.assertIsNotNone(win.shown(right=CYAN, left=YELLOW),
                             "the search did not find %r: %r" % (text, win.shown_colours()))

    def save_typed_comment(self, save):
        self.program.write_settings()
        win = self.launch()
        tools = win.toolbar()  # on the View page, where every button is enabled
        rows = self.contents_page(win)
        text = "typed then saved"
        self.type_comment(rows, CYAN, text)
        before = self.albums_before()
        save(win, tools)
        album = self.confirm_save(win.proc, before)
        self.assertEqual(self.comments_of(album)[4], ("p5.bmp", text))
        self.assertEqual(self.close_by_signal(win.proc), 0)
        self.find_in_reopened_album(album, text)

    def test_saved_from_the_menu(self):
        def by_menu(win, tools):
            self.screen.click(*win.menu_bar(MENUS_CONTENTS_PAGE)["ﾌｧｲﾙ"])
            # popup_items waits for the menu to show and settle.
            self.screen.click(*win.popup_items(win.proc.pid, FILE_MENU)["保存"])
        self.save_typed_comment(by_menu)

    def test_saved_from_the_toolbar(self):
        self.save_typed_comment(lambda win, tools: self.screen.click(*tools["保存"]))

    def test_saved_by_the_keyboard(self):
        def by_keys(win, tools):
            self.menu(win.proc, "f", "s")
        self.save_typed_comment(by_keys)

    def test_a_comment_typed_shows_on_its_page_when_the_view_is_switched_back(self):
        """4-split pages print the comments; F2 in the middle of typing one shows it."""
        from test_bars import layout
        self.program.write_settings(SpilitMode=1)
        win = self.launch()
        self.screen.key("space")
        spread = {RED, GREEN, BLUE, MAGENTA}
        self.assertTrue(wait_until(lambda: win.shown_colours() == spread))

        def caption_ink():
            """Dark pixels in the caption band under the right page's top picture."""
            _, _, book, _ = layout(win)
            left, top, right, bottom = (book[0] + book[2]) // 2, book[1], book[2], book[3]
            w, h = right - left, bottom - top
            shot = self.screen.screenshot()
            band = shot.crop((left + w // 10, top + int(0.41 * h), left + 9 * w // 10,
                              top + int(0.47 * h)))
            # Text is black; the picture reaching into the band is pure red.
            return sum(1 for p in band.getdata() if max(p) < 90)

        self.assertLess(caption_ink(), 5, "a caption before any comment")
        rows = self.contents_page(win)
        self.type_comment(rows, RED, "WWWW MMMM")
        self.screen.key("F2")
        self.assertTrue(wait_until(lambda: win.shown_colours() == spread))
        self.assertTrue(wait_until(lambda: caption_ink() > 50, 3.0),
                        "no comment under the picture: %d dark pixels" % caption_ink())

    def test_a_row_dragged_while_its_comment_is_typed(self):
        self.program.write_settings()
        win = self.launch()
        tools = win.toolbar()
        rows = self.contents_page(win)
        text = "dragged along"
        self.type_comment(rows, GREEN, text)
        # Take the row by its thumbnail, the row's handle, and drop it on the fifth row.
        _, gy, gbox = rows[GREEN]
        _, to_y, _ = rows[CYAN]
        gx = (gbox[0] + gbox[2]) // 2
        self.screen.move(gx, gy)
        self.screen.xdotool("mousedown", "1")
        for step in range(1, 11):
            self.screen.move(gx, gy + (to_y + 4 - gy) * step // 10)
            time.sleep(0.03)  # paces the drag as a hand does; no state is waited for
        self.screen.xdotool("mouseup", "1")
        # The green row has left its place.
        x, y, w, h = win.geometry()
        wait_until(lambda: abs(solid_boxes(self.screen.screenshot().crop((x, y, x + w, y + h)),
                                           min_pixels=300).get(GREEN, (0, gy - y, 0, gy - y))[1]
                               + y - gbox[1]) > 10, 5.0)
        before = self.albums_before()
        self.screen.click(*tools["保存"])
        album = self.confirm_save(win.proc, before)
        saved = self.comments_of(album)
        self.assertNotEqual(saved[1][0], "p2.bmp", "the row did not move: %r" % saved)
        self.assertIn(("p2.bmp", text), saved)
        self.assertEqual([c for _, c in saved if c], [text], saved)


def _search_down(self):
    """The search-forward button "▼": of the two narrow glyphs "▼" and "▲" that stand
    side by side right of the search field, the first."""
    x, y, w, h = self.geometry()
    shot = self.screen.screenshot()
    segs = dark_segments(shot, x, x + w // 2, y + h - 24, y + h - 4)[1:]  # after "検索"
    for (a, b), (c, d) in zip(segs, segs[1:]):
        if b - a <= 14 and d - c <= 14 and 18 <= (c + d - a - b) // 2 <= 40:
            return (a + b) // 2, y + h - 14
    raise AssertionError("search buttons not found: %r" % segs)


def selected(shot, cx, cy):
    """The cell at (cx, cy) is drawn in the selection's blue."""
    r, g, b = shot.getpixel((cx, cy))
    return b > 150 and b - r > 80


def inked(shot, cx, cy):
    """Dark glyphs in the cell around (cx, cy)."""
    band = shot.crop((cx - 70, cy - 6, cx + 70, cy + 6))
    return any(max(p) < 90 for p in band.getdata())


Window.search_down = _search_down


if __name__ == "__main__":
    unittest.main()
