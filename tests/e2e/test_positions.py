"""Where reading stopped comes back after a restart, by the key, the menu and the option;
the rename dialog writes the album out as numbered copies with an album file."""

import os
import shutil
import unittest

from harness import (BLUE, CYAN, GREEN, MAGENTA, RED, YELLOW, Case, read_album, read_ini,
                     solid_boxes, wait_until, write_album, write_ini)

# FOLIVEX_E2E_KEEP=folder keeps the resumed spread's screenshot and the written-out folder.
KEEP = os.environ.get("FOLIVEX_E2E_KEEP")


class Positions(Case):
    def spread(self, win, first, second):
        """The right-opening book shows the earlier picture on the right page."""
        boxes = win.shown(right=first, left=second)
        self.assertIsNotNone(boxes, "spread %r/%r not shown; on screen: %r"
                             % (first, second, win.shown_colours()))

    def closed(self, win):
        self.assertIsNotNone(win.shown(), "the book is not closed: %r" % win.shown_colours())

    def keep_shot(self, win, name):
        if KEEP:
            os.makedirs(KEEP, exist_ok=True)
            x, y, w, h = win.geometry()
            self.screen.screenshot().crop((x, y, x + w, y + h)).save(os.path.join(KEEP, name))

    def quit(self, win):
        self.assertEqual(self.close_by_signal(win.proc), 0)

    def test_a_restart_resumes_at_the_spread_read_last(self):
        self.program.write_settings()
        win = self.launch()
        self.closed(win)
        for _ in range(3):
            self.screen.key("space")
        self.spread(win, CYAN, YELLOW)
        self.screen.key("BackSpace")
        self.spread(win, BLUE, MAGENTA)
        store = os.path.join(self.program.folder, "Positions.txt")
        self.assertFalse(os.path.exists(store), "a page turn writes nothing")
        self.quit(win)
        with open(store, "rb") as f:
            self.assertIn(b"\t3\t" + self.program.pictures.encode() + b"/\tp3.bmp\n", f.read())

        # The cover comes first; the key turns straight to the kept spread.
        win = self.launch()
        self.closed(win)
        self.keep_shot(win, "kept-on-cover.png")
        self.screen.key("ctrl+r")
        self.spread(win, BLUE, MAGENTA)
        self.keep_shot(win, "resumed-spread.png")
        # Read on, close the book with a mode button, and resume through the menu.
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW)
        self.screen.click(*win.toolbar()["2分割"])
        self.closed(win)
        self.menu(win.proc, "o", "r")
        self.spread(win, CYAN, YELLOW)
        self.quit(win)

        # With the option on, the album opens at the kept spread by itself.
        sections = read_ini(self.program.ini)
        sections.setdefault("Folivex", {})["ResumeOnOpen"] = "1"
        write_ini(self.program.ini, sections)
        win = self.launch()
        self.spread(win, CYAN, YELLOW)

    def test_the_rename_dialog_writes_the_album_out(self):
        self.program.write_settings()
        out = os.path.join(self._tmp, "written")
        os.makedirs(out)
        album = os.path.join(self._tmp, "source.ajv")
        comments = ["%d枚目のコメント" % i for i in range(1, 7)]
        write_album(album, self.program.pictures + "/",
                    [("p%d.bmp" % i, c) for i, c in enumerate(comments, 1)], title="旅")
        win = self.launch(album, caption="Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅")
        x, y, w, h = win.geometry()
        self.screen.key("F3")
        self.assertTrue(wait_until(lambda: RED in solid_boxes(self.screen.screenshot(),
                                                              min_pixels=300), 8.0),
                        "the contents page shows no thumbnails")
        # The picture list fills the right of the page; its first row is under the heading.
        menus = set(self.screen.visible_windows(win.proc.pid))
        self.screen.click(x + w * 3 // 4, y + h // 2, button=3)
        self.assertTrue(wait_until(lambda: set(self.screen.visible_windows(win.proc.pid)) - menus,
                                   8.0), "no pop-up menu")
        self.screen.key("n")
        dialog = self.wait_window(win.proc, "リネーム")
        self.screen.type_text("IMG")
        # Trailing text, digits, step and the read-only folder field, then "参照..".
        for _ in range(5):
            self.screen.key("Tab")
        self.screen.key("space")
        chooser = self.wait_window(win.proc, "お好きなﾌｫﾙﾀﾞを選択して下さい。")
        self.screen.type_text(out)
        self.answer(chooser, "Return")
        # A second Return when the first only took the completer's suggestion.
        if not self.gone(win.proc, "お好きなﾌｫﾙﾀﾞを選択して下さい。", timeout=1.5):
            self.answer(chooser, "Return")
        self.assertTrue(self.gone(win.proc, "お好きなﾌｫﾙﾀﾞを選択して下さい。"))
        # The focus is back on "参照.."; the next button is "変換開始".
        self.answer(dialog, "Tab")
        self.screen.key("space")
        question = self.wait_window(win.proc, "確認")
        self.answer(question, "y")
        report = self.wait_window(win.proc, "情報")
        written = ["IMG%03d.bmp" % i for i in range(1, 7)]
        self.assertEqual(sorted(os.listdir(out)), written + ["旅.ajv"])
        self.answer(report, "Return")
        for i, name in enumerate(written):
            with open(os.path.join(out, name), "rb") as a, \
                    open(os.path.join(self.program.pictures, "p%d.bmp" % (i + 1)), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        lines = read_album(os.path.join(out, "旅.ajv"))  # CP932, as the reader takes it
        self.assertEqual(lines[0], "6")
        self.assertEqual(lines[1:13:2], written)
        self.assertEqual(lines[2:13:2], comments)
        self.assertEqual(lines[-2:], [out + "/", ""])  # the copies' folder, CR LF ended
        if KEEP:
            shutil.copytree(out, os.path.join(KEEP, "written"), dirs_exist_ok=True)

        # The copied album opens with its pictures.
        self.quit(win)
        win = self.launch(os.path.join(out, "旅.ajv"), caption="Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅")
        self.screen.key("space")
        self.spread(win, RED, GREEN)


if __name__ == "__main__":
    unittest.main()
