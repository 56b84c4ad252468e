"""Window captions as the X server holds them: exactly the program's texts, with no
application name appended by the toolkit."""

import os
import unittest

from harness import Case, write_album


class Captions(Case):
    def test_the_main_window_and_its_dialogs(self):
        self.program.write_settings()
        win = self.launch()
        self.assertCaption(win.wid, "Folivex - pictures")
        tools = win.toolbar()
        self.screen.click(*tools["環境設定"])
        options = self.wait_window(win.proc, "環境設定")
        self.assertCaption(options, "環境設定")
        self.answer(options, "Escape")
        self.assertTrue(self.gone(win.proc, "環境設定"))
        self.screen.click(*tools["保存"])
        save = self.wait_window(win.proc, "確認")
        self.assertCaption(save, "確認")
        self.answer(save, "Escape")
        self.assertTrue(self.gone(win.proc, "確認"))
        self.assertCaption(win.wid, "Folivex - pictures")

    def test_the_start_up_warning(self):
        self.program.write_settings(TextureFName=os.path.join(self._tmp, "missing.bmp"))
        proc = self.program.start()
        box = self.wait_window(proc, "警告")
        self.assertCaption(box, "警告")
        self.answer(box, "Return")
        main = self.wait_window(proc, "Folivex - pictures")
        self.assertCaption(main, "Folivex - pictures")

    def test_the_error_box_of_an_album_that_cannot_be_read(self):
        self.program.write_settings()
        proc = self.program.start(os.path.join(self._tmp, "missing.ajv"))
        box = self.wait_window(proc, "ｴﾗｰ")
        self.assertCaption(box, "ｴﾗｰ")
        self.answer(box, "Return")
        main = self.wait_window(proc, "Folivex")
        self.assertCaption(main, "Folivex")

    def test_an_album_on_the_command_line(self):
        self.program.write_settings()
        album = os.path.join(self._tmp, "a.ajv")
        write_album(album, self.program.pictures, [("p1.bmp", ""), ("p2.bmp", "")],
                    title="旅行 2026")
        win = self.launch(album, caption="Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅行 2026")
        self.assertCaption(win.wid, "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅行 2026")


if __name__ == "__main__":
    unittest.main()
