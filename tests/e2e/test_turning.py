"""Turning pages with the keyboard and the mouse, after using the other controls."""

import os
import time
import unittest

from harness import BLUE, CYAN, GREEN, MAGENTA, RED, YELLOW, Case, wait_until


class Turning(Case):
    def open_book(self, open_mode):
        self.program.write_settings(OpenMode=open_mode)
        return self.launch()

    def spread(self, win, first, second, right_opening):
        """Waits for the spread of two pictures; the earlier one is on the right page of
        a right-opening book."""
        if right_opening:
            boxes = win.shown(right=first, left=second)
        else:
            boxes = win.shown(left=first, right=second)
        self.assertIsNotNone(boxes, "spread %r/%r not shown; on screen: %r"
                        % (first, second, win.shown_colours()))

    def closed(self, win):
        self.assertIsNotNone(win.shown(), "the book is not closed: %r" % win.shown_colours())

    def check_keys_after_each_control(self, right_opening):
        win = self.open_book(1 if right_opening else 0)
        self.closed(win)
        tools = win.toolbar()

        # A plain toolbar button, then Space opens the book.
        self.screen.click(*tools["ビュー"])
        self.screen.key("space")
        self.spread(win, RED, GREEN, right_opening)

        # The status bar's search button keeps no hold on Space.
        status = win.status_bar()
        self.screen.click(*status["検索"])
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, right_opening)
        self.screen.click(*status["検索"])
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW, right_opening)

        # A button that opens a dialog: cancelled, the keys come back to the book.
        self.screen.click(*tools["環境設定"])
        self.assertTrue(self.screen.find_window(win.proc.pid, "環境設定"))
        self.screen.key("Escape")
        self.assertTrue(wait_until(lambda: not self.screen.find_window(
            win.proc.pid, "環境設定", timeout=0)))
        self.screen.key("BackSpace")
        self.spread(win, BLUE, MAGENTA, right_opening)

        # The outer third of the leading page advances, of the other page goes back.
        forward = "left" if right_opening else "right"
        back = "right" if right_opening else "left"
        win.click_outer_third(forward)
        self.spread(win, CYAN, YELLOW, right_opening)
        win.click_outer_third(back)
        self.spread(win, BLUE, MAGENTA, right_opening)
        win.click_outer_third(back)
        self.spread(win, RED, GREEN, right_opening)
        win.click_outer_third(back)
        self.closed(win)

        # A mode button closes the book; Space opens it again.
        self.screen.click(*tools["2分割"])
        self.closed(win)
        self.screen.key("space")
        self.spread(win, RED, GREEN, right_opening)

        # A drawing button keeps the spread; the keys go on turning it.
        self.screen.click(*tools["きれいに描画"])
        self.spread(win, RED, GREEN, right_opening)
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, right_opening)
        self.screen.click(*tools["通常描画"])
        self.screen.key("BackSpace")
        self.spread(win, RED, GREEN, right_opening)

        # A button whose box is an input box: cancelled, then the keys again.
        self.screen.click(*tools["タイトル"])
        box = self.wait_window(win.proc, "タイトルの変更")
        self.answer(box, "Escape")
        self.assertTrue(self.gone(win.proc, "タイトルの変更"))
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, right_opening)

        # The page buttons: to the contents and back to the same spread.
        self.screen.click(*tools["目次"])
        self.assertTrue(wait_until(lambda: len(win.boxes()) == 6), "no thumbnails listed")
        self.screen.click(*tools["ビュー"])
        self.spread(win, BLUE, MAGENTA, right_opening)
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW, right_opening)

    def test_keys_and_clicks_turn_a_right_opening_book(self):
        self.check_keys_after_each_control(right_opening=True)

    def test_keys_and_clicks_turn_a_left_opening_book(self):
        self.check_keys_after_each_control(right_opening=False)

    def test_the_open_direction_button_turns_the_book_around(self):
        win = self.open_book(1)
        self.screen.click(*win.toolbar()["左開き"])
        self.screen.key("space")
        self.spread(win, RED, GREEN, right_opening=False)
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, right_opening=False)

    def test_the_search_field_takes_typed_spaces(self):
        win = self.open_book(1)
        self.screen.key("space")
        self.spread(win, RED, GREEN, True)
        status = win.status_bar()
        self.screen.click(*status["検索"])
        self.screen.click(*status["field"])
        self.screen.type_text("a b c")
        self.screen.key("BackSpace")
        time.sleep(0.8)
        self.spread(win, RED, GREEN, True)  # typing never turned a page
        # A click on a page hands the keys back to the book.
        win.click_outer_third("left")
        self.spread(win, BLUE, MAGENTA, True)
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW, True)

    def test_a_double_click_turns_one_page(self):
        win = self.open_book(0)
        self.screen.key("space")
        self.spread(win, RED, GREEN, False)
        spans = win.page_spans()
        left, right, row = spans["right"]
        self.screen.double_click(right - (right - left) // 8, row)
        self.spread(win, BLUE, MAGENTA, False)
        time.sleep(1.0)  # a second turn would have finished by now
        self.spread(win, BLUE, MAGENTA, False)

    def test_the_page_scroll_bar_reaches_the_spreads_of_the_listed_pictures(self):
        win = self.open_book(1)
        self.screen.key("space")
        self.spread(win, RED, GREEN, True)
        back, forth = win.scroll_arrows()
        # Right-opening: the bar runs from the back of the book on the left to the front
        # cover on the right; one step is one picture, a spread shows two.
        self.screen.click(*back)
        self.screen.click(*back)
        self.spread(win, BLUE, MAGENTA, True)
        self.screen.click(*back)
        self.screen.click(*back)
        self.spread(win, CYAN, YELLOW, True)
        self.screen.click(*forth)
        self.screen.click(*forth)
        self.spread(win, BLUE, MAGENTA, True)
        # The bar took no keys from the book.
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW, True)
        self.screen.key("BackSpace")
        self.spread(win, BLUE, MAGENTA, True)

    def test_keys_after_the_album_file_buttons_and_their_boxes(self):
        win = self.open_book(0)
        tools = win.toolbar()
        self.screen.key("space")
        self.spread(win, RED, GREEN, False)
        # No shortcut folder is set: the folder button warns.
        self.screen.click(*tools["参照"])
        self.answer(self.wait_window(win.proc, "警告"), "Return")
        self.assertTrue(self.gone(win.proc, "警告"))
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, False)
        # The save dialog, cancelled.
        self.screen.click(*tools["保存"])
        self.answer(self.wait_window(win.proc, "確認"), "Escape")
        self.assertTrue(self.gone(win.proc, "確認"))
        self.screen.key("BackSpace")
        self.spread(win, RED, GREEN, False)
        # The album-open dialog, cancelled.
        before = set(self.screen.visible_windows(win.proc.pid))
        self.screen.click(*tools["開く"])
        dialog = wait_until(lambda: sorted(set(self.screen.visible_windows(win.proc.pid))
                                           - before), 10.0)
        self.assertTrue(dialog, "no open dialog")
        self.answer(dialog[0], "Escape")
        self.assertTrue(wait_until(lambda: not set(self.screen.visible_windows(win.proc.pid))
                                   - before, 8.0))
        # Whether or not an album was chosen, the book closes to its front cover.
        self.closed(win)
        self.screen.key("space")
        self.spread(win, RED, GREEN, False)
        self.screen.key("space")
        self.spread(win, BLUE, MAGENTA, False)

    def test_automatic_turning_runs_to_the_back_cover_and_stops(self):
        # Two seconds a spread: a busy machine's screenshots still catch every one.
        self.program.write_settings(OpenMode=1, ACInterval=2)
        win = self.launch()
        # 操作 > 自動ページめくり > the direction that advances a right-opening book.
        self.menu(win.proc, "o", "a", "r")
        for first, second in ((RED, GREEN), (BLUE, MAGENTA), (CYAN, YELLOW)):
            self.assertIsNotNone(win.shown(timeout=8.0, right=first, left=second),
                                 "automatic turning: %r" % win.shown_colours())
        self.closed(win)  # the back cover
        time.sleep(4.5)  # stopped there: two intervals pass with no turn back to the start
        self.assertEqual(win.shown_colours(), set())
        # A key on the closed back cover opens the book at its last spread again.
        self.screen.key("space")
        self.spread(win, CYAN, YELLOW, True)
        self.screen.key("BackSpace")
        self.spread(win, BLUE, MAGENTA, True)

    def test_a_double_click_on_a_picture_starts_the_viewer_once(self):
        log = os.path.join(self._tmp, "viewer.log")
        viewer = os.path.join(self._tmp, "viewer.sh")
        with open(viewer, "w") as f:
            f.write('#!/bin/sh\necho "$1" >> "%s"\n' % log)
        os.chmod(viewer, 0o755)
        self.program.write_settings(OpenMode=1, ImgViewer=viewer)
        win = self.launch()
        self.screen.key("space")
        boxes = win.shown(right=RED, left=GREEN)
        self.assertIsNotNone(boxes)
        l, t, r, b = boxes[RED]
        self.screen.double_click((l + r) // 2, (t + b) // 2)
        self.assertTrue(wait_until(lambda: os.path.exists(log)), "no viewer started")
        time.sleep(1.5)  # a second start would have written by now
        with open(log) as f:
            self.assertEqual(f.read().splitlines(),
                             [os.path.join(self.program.pictures, "p1.bmp")])
        self.spread(win, RED, GREEN, True)  # and no page turned


if __name__ == "__main__":
    unittest.main()
