"""The interface language follows the locale: "ja_JP.UTF-8" and the plain "C" locale give
the original Japanese texts byte for byte, "en_US.UTF-8" gives English. Captions are read
from the X server; the texts inside boxes and menus through the program's text dump
(FOLIVEX_TEXT_DUMP, see app/TextDump.h), which records what each window and menu shows
when it opens, so the menus are opened here with the keys a person uses."""

import os
import re
import unittest

from harness import Case, stop_process, wait_until, write_album, write_ini

# Hiragana, katakana (full and half width), CJK ideographs and full-width forms.
JAPANESE = re.compile(r"[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]")

TEXTS = {
    "ja": {"warning": "警告", "error": "ｴﾗｰ", "options": "環境設定", "save": "確認",
           "album": "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅行 2026",
           "cannot_open": "ﾌｧｲﾙ %s は開けません"},
    "en": {"warning": "Warning", "error": "Error", "options": "Preferences", "save": "Save Album",
           "album": "Folivex [Album Viewing Mode] - 旅行 2026",
           "cannot_open": "Cannot open the file %s"},
}
LOCALES = [("ja_JP.UTF-8", "ja"), ("C", "ja"), ("en_US.UTF-8", "en")]


class Language(Case):
    def setUp(self):
        super().setUp()
        self.dump = os.path.join(self._tmp, "texts.txt")
        self.resting = None  # the program's windows while no menu is open

    def start(self, lang, *args):
        self.program.lang = lang
        os.environ["FOLIVEX_TEXT_DUMP"] = self.dump
        try:
            return self.program.start(*args)
        finally:
            del os.environ["FOLIVEX_TEXT_DUMP"]

    def stop(self):
        for proc in self.program.procs:
            stop_process(proc)

    def assertShownName(self, wid, text):
        """The window's _NET_WM_NAME, the name desktops show, is exactly `text`. (Its
        WM_NAME follows the process's character type: without a UTF-8 locale installed
        for "ja_JP.UTF-8", and in "C", Xlib stores it as a plain STRING.)"""
        names = wait_until(lambda: (lambda c: c if c.get("_NET_WM_NAME", (0, 0))[1] == text
                                    else None)(self.screen.captions(wid)), 5.0)
        if not names:
            self.fail("window %s: names %r, expected %r" % (wid, self.screen.captions(wid), text))

    def dumped(self):
        if not os.path.exists(self.dump):
            return []
        with open(self.dump, encoding="utf-8") as f:
            return f.read().splitlines()

    def wait_dumped(self, line, timeout=8.0):
        if not wait_until(lambda: line in self.dumped(), timeout):
            self.fail("%r not shown; shown: %r" % (line, self.dumped()[-40:]))

    def shows(self, prefix, *keys):
        """Keys (or a click) that open one more menu or page: waits for its dump lines."""
        before = sum(line.startswith(prefix) for line in self.dumped())
        if self.resting is None:
            self.resting = set(self.screen.visible_windows(self.program.procs[-1].pid))
        if callable(keys[0]):
            keys[0]()
        else:
            self.screen.key(*keys)
        if not wait_until(lambda: sum(line.startswith(prefix) for line in self.dumped())
                          > before, 8.0):
            self.fail("%r opened nothing; shown: %r" % (keys, self.dumped()[-20:]))

    def closes(self, win, *keys):
        """Keys that close every menu: the windows shown before the menus are left."""
        self.screen.key(*keys)
        if not wait_until(lambda: set(self.screen.visible_windows(win.proc.pid)) <= self.resting,
                          5.0):
            self.fail("menus still open: %r" % self.screen.visible_windows(win.proc.pid))
        self.resting = None

    def test_captions_and_messages_in_each_locale(self):
        album = os.path.join(self._tmp, "a.ajv")
        write_album(album, self.program.pictures, [("p1.bmp", ""), ("p2.bmp", "")],
                    title="旅行 2026")
        missing = os.path.join(self._tmp, "missing.ajv")
        for lang, language in LOCALES:
            with self.subTest(lang=lang):
                self.stop()  # a failed locale leaves nothing running for the next
                if os.path.exists(self.dump):
                    os.remove(self.dump)
                t = TEXTS[language]
                self.program.write_settings(TextureFName=os.path.join(self._tmp, "none.bmp"))
                proc = self.start(lang)
                box = self.wait_window(proc, t["warning"])
                self.assertShownName(box, t["warning"])
                self.answer(box, "Return")
                main = self.wait_window(proc, "Folivex - pictures")
                self.assertShownName(main, "Folivex - pictures")
                self.stop()

                self.program.write_settings()
                proc = self.start(lang, album)
                main = self.wait_window(proc, t["album"])
                self.assertShownName(main, t["album"])
                self.stop()

                proc = self.start(lang, missing)
                box = self.wait_window(proc, t["error"])
                self.assertShownName(box, t["error"])
                self.wait_dumped("text: " + t["cannot_open"] % missing)
                self.answer(box, "Return")
                self.assertShownName(self.wait_window(proc, "Folivex"), "Folivex")
                self.stop()

                self.program.write_settings()
                win = self.launch()
                tools = win.toolbar()
                self.screen.click(*tools["環境設定"])
                options = self.wait_window(win.proc, t["options"])
                self.assertShownName(options, t["options"])
                self.answer(options, "Escape")
                self.assertTrue(self.gone(win.proc, t["options"]))
                self.screen.click(*tools["保存"])
                save = self.wait_window(win.proc, t["save"])
                self.assertShownName(save, t["save"])
                self.answer(save, "Escape")
                self.stop()

    def test_the_options_choice_wins_over_the_locale(self):
        # [Folivex] Language: 1 Japanese, 2 English, 0 (or none) the locale's.
        for setting, lang, language in ((2, "C.UTF-8", "en"), (1, "en_US.UTF-8", "ja"),
                                        (0, "en_US.UTF-8", "en")):
            with self.subTest(setting=setting, lang=lang):
                self.stop()
                write_ini(self.program.ini, {
                    "Folder": {"Current": self.program.pictures + "/"},
                    "Conf": {"TextureFName": os.path.join(self._tmp, "none.bmp")},
                    "Folivex": {"Language": str(setting)}})
                proc = self.start(lang)
                box = self.wait_window(proc, TEXTS[language]["warning"])
                self.answer(box, "Return")
                self.wait_window(proc, "Folivex - pictures")
                self.stop()

    def test_every_menu_and_dialog_in_english(self):
        self.program.write_settings()
        self.program.lang = "en_US.UTF-8"
        os.environ["FOLIVEX_TEXT_DUMP"] = self.dump
        try:
            win = self.launch()
        finally:
            del os.environ["FOLIVEX_TEXT_DUMP"]
        # The menu bar from left to right, then the submenu of automatic page turning.
        self.shows("menu: ", "alt+f")
        for _ in range(5):
            self.shows("menu: ", "Right")
        self.closes(win, "Escape", "Escape")
        self.shows("menu: ", "alt+g")
        self.shows("menu: ", "a")
        self.closes(win, "Escape", "Escape", "Escape")
        # The pages' own menus, on an open spread.
        win.click_background()
        self.screen.key("space")
        spans = wait_until(lambda: (lambda s: s if len(s) == 2 else None)(win.page_spans()), 8.0)
        self.assertTrue(spans, "no spread open")
        for side in ("left", "right"):
            left, right, row = spans[side]
            self.shows("menu: ", lambda: self.screen.click((left + right) // 2, row, button=3))
            self.closes(win, "Escape")
        # The contents page shows the edit menu too.
        self.shows("window: ", "F3")
        self.shows("menu: ", "alt+e")
        self.closes(win, "Escape")
        # The options dialog and the version box.
        self.shows("menu: ", "alt+t")
        self.screen.key("p")
        options = self.wait_window(win.proc, "Preferences")
        self.answer(options, "Escape")
        self.assertTrue(self.gone(win.proc, "Preferences"))
        self.shows("menu: ", "alt+h")
        self.screen.key("a")
        about = self.wait_window(win.proc, "About Folivex")
        self.answer(about, "Return")

        shown = self.dumped()
        menus = [line for line in shown if line.startswith("menu: ")]
        for title in ("&File", "&View", "&Edit", "&Go", "&Tools", "&Window", "&Help",
                      "&Automatic Page Turning"):
            self.assertIn("menu: " + title, menus)
        for item in ("&Open Album…", "&Quit", "&Next Page", "&Preferences…", "&Full Screen",
                     "&About Folivex", "→ Turn &Right", "&Stop Automatic Turning",
                     "&Smooth Drawing", "Automatic Turning →", "← Automatic Turning",
                     "Build &Thumbnail Cache", "&Add Pictures…"):
            self.assertIn("item: " + item, shown)
        for text in ("window: Preferences", "text: General", "text: Susie Plug-ins",
                     "text: Interface language", "text: Automatic", "window: About Folivex",
                     "text: File Name", "text: Comment"):
            self.assertIn(text, shown)
        # Nothing Japanese is left but a language's own name in the language box.
        left = [line for line in shown if JAPANESE.search(line) and line != "text: 日本語"]
        self.assertEqual(left, [])


if __name__ == "__main__":
    unittest.main()
