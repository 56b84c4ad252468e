"""A second start hands its album to the running program and ends; the running program
shows it, also when the album arrives while a start-up box is still open."""

import os
import time
import unittest

from harness import CYAN, YELLOW, Case, Window, write_album

ALBUM_CAPTION = "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 転送"


class SecondStart(Case):
    def reversed_album(self):
        """The six pictures last to first, so its first spread shows p6 and p5."""
        path = os.path.join(self._tmp, "forwarded.ajv")
        files = [("p%d.bmp" % i, "") for i in range(6, 0, -1)]
        write_album(path, self.program.pictures, files, title="転送")
        return path

    def assert_second_ends(self, second):
        try:
            rc = second.wait(15)
        except Exception:
            self.fail("the second start did not end")
        self.assertEqual(rc, 0)

    def assert_album_shown(self, proc):
        main = self.wait_window(proc, ALBUM_CAPTION)
        x, y, w, h = self.screen.geometry(main)
        self.screen.click(x + w - 10, y + h // 2)  # the background: keys to the window
        self.screen.key("space")
        win = Window(self.screen, proc, main)
        self.assertIsNotNone(win.shown(right=YELLOW, left=CYAN),
                             "the album's first spread: %r" % win.shown_colours())

    def test_an_album_from_a_second_start(self):
        self.program.write_settings()
        win = self.launch()
        second = self.program.start(self.reversed_album())
        self.assert_second_ends(second)
        self.assert_album_shown(win.proc)
        self.assertIsNone(win.proc.poll())

    def test_an_album_forwarded_while_the_start_up_warning_is_open(self):
        self.program.write_settings(TextureFName=os.path.join(self._tmp, "missing.bmp"))
        first = self.program.start()
        box = self.wait_window(first, "警告")
        second = self.program.start(self.reversed_album())
        time.sleep(1.5)  # the album is on its way while the box waits
        self.assertIsNone(first.poll(), "the running program ended:\n" + self.program.log_text())
        self.assertTrue(self.screen.find_window(first.pid, "警告", timeout=0))
        self.answer(box, "Return")
        self.assert_second_ends(second)
        self.assert_album_shown(first)
        self.assertIsNone(first.poll())

    def test_a_second_start_without_an_album_changes_nothing(self):
        self.program.write_settings()
        win = self.launch()
        second = self.program.start()
        self.assert_second_ends(second)
        time.sleep(0.5)  # nothing may change: a window that would open has the time to
        self.assertEqual([n for n in self.screen.window_names(win.proc.pid) if n],
                         ["Folivex - pictures"])
        self.assertIsNone(win.proc.poll())


if __name__ == "__main__":
    unittest.main()
