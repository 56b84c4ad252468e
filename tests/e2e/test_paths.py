"""Paths as people type them: a picture named relative to the shell's folder, a second
start that forwards one, a file manager's file:// URI, links, names that are not UTF-8,
and a path that does not exist."""

import os
import shutil
import unittest

from harness import BLUE, CYAN, GREEN, MAGENTA, RED, YELLOW, Case, write_ini


class CommandLinePaths(Case):
    def settings_elsewhere(self):
        """Settings whose remembered folder is not the pictures' one."""
        write_ini(self.program.ini, {"Folder": {"Current": self.program.home + "/"},
                                     "Conf": {"OpenMode": "1", "SpilitMode": "0"}})

    def assert_spread(self, win, right, left):
        self.assertIsNotNone(win.shown(right=right, left=left),
                             "spread: %r" % win.shown_colours())

    def test_a_picture_named_from_its_own_folder_opens_there_at_its_spread(self):
        self.settings_elsewhere()
        win = self.launch("p3.bmp", cwd=self.program.pictures)
        self.assertCaption(win.wid, "Folivex - pictures")
        self.assert_spread(win, right=BLUE, left=MAGENTA)

    def test_a_second_start_forwards_a_relative_path_made_absolute(self):
        self.program.write_settings()
        win = self.launch()
        # The running program works in another folder, where "p5.bmp" means nothing.
        second = self.program.start("p5.bmp", cwd=self.program.pictures)
        self.assertEqual(second.wait(15), 0)
        self.assert_spread(win, right=CYAN, left=YELLOW)
        self.assertIsNone(win.proc.poll())

    def test_uris_links_and_names_that_are_not_utf8_open(self):
        self.settings_elsewhere()
        link = os.path.join(self._tmp, "linked pictures")
        os.symlink(self.program.pictures, link)
        odd = os.path.join(os.fsencode(self._tmp), b"caf\xe9")
        os.makedirs(odd)
        for name in ("p1.bmp", "p2.bmp"):
            shutil.copy(os.path.join(self.program.pictures, name), os.path.join(odd, name.encode()))
        uri = "file://" + link.replace(" ", "%20") + "/p3.bmp"
        win = self.launch(uri, caption="Folivex - linked pictures")
        self.assert_spread(win, right=BLUE, left=MAGENTA)
        # The same window takes a folder whose name is Latin-1 bytes.
        second = self.program.start(os.path.join(odd, b"p1.bmp"))
        self.assertEqual(second.wait(15), 0)
        self.assert_spread(win, right=RED, left=GREEN)

    def test_a_path_that_does_not_exist_gets_the_file_open_error(self):
        self.program.write_settings()
        proc = self.program.start("nothere.jpg", cwd=self.program.pictures)
        box = self.wait_window(proc, "ｴﾗｰ")
        self.answer(box, "Return")
        self.assertTrue(self.gone(proc, "ｴﾗｰ"))
        self.assertTrue(self.screen.find_window(proc.pid, "Folivex - pictures"))
        self.assertIsNone(proc.poll())


if __name__ == "__main__":
    unittest.main()
