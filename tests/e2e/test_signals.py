"""Quit signals close the program as its own close command does: settings written,
exit status 0, also while a message box or a dialog waits for an answer."""

import os
import signal
import time
import unittest

from harness import Case, read_ini


class QuitSignals(Case):
    def change_modes(self, win):
        """Left-opening, 4-split: values the settings file only gets at closing."""
        tools = win.toolbar()
        self.screen.click(*tools["左開き"])
        self.screen.click(*tools["4分割"])
        return tools

    def assert_closed_with_settings(self, proc, sig=signal.SIGTERM, **conf):
        rc = self.close_by_signal(proc, sig)
        self.assertEqual(rc, 0, "exit status after %s\n%s" % (sig, self.program.log_text()))
        written = read_ini(self.program.ini)["Conf"]
        for key, value in conf.items():
            self.assertEqual(written.get(key), value, key)

    def test_sigterm_with_no_box_open(self):
        self.program.write_settings()
        win = self.launch()
        self.change_modes(win)
        self.assert_closed_with_settings(win.proc, OpenMode="0", SpilitMode="1")

    def test_the_exit_command_closes_the_same_way(self):
        self.program.write_settings()
        win = self.launch()
        self.change_modes(win)
        self.menu(win.proc, "f", "x")  # "Folivexの終了(&X)"
        try:
            rc = win.proc.wait(10)
        except Exception:
            self.fail("the exit command did not end the program")
        self.assertEqual(rc, 0)
        written = read_ini(self.program.ini)["Conf"]
        self.assertEqual((written.get("OpenMode"), written.get("SpilitMode")), ("0", "1"))

    def test_sigterm_while_a_warning_box_is_open(self):
        self.program.write_settings()
        win = self.launch()
        tools = self.change_modes(win)
        self.screen.click(*tools["参照"])  # no shortcut folder set: a warning
        self.wait_window(win.proc, "警告")
        self.assert_closed_with_settings(win.proc, OpenMode="0", SpilitMode="1")

    def test_sighup_while_the_options_dialog_is_open(self):
        self.program.write_settings()
        win = self.launch()
        tools = self.change_modes(win)
        self.screen.click(*tools["環境設定"])
        self.wait_window(win.proc, "環境設定")
        self.assert_closed_with_settings(win.proc, signal.SIGHUP, OpenMode="0",
                                         SpilitMode="1")

    def test_sigterm_while_the_start_up_warning_is_open(self):
        self.program.write_settings(TextureFName=os.path.join(self._tmp, "missing.bmp"))
        proc = self.program.start()
        self.wait_window(proc, "警告")
        # The start-up finishes, the window closes the normal way and forgets the texture.
        self.assert_closed_with_settings(proc, TextureFName="", OpenMode="1")

    def test_sigint_ends_as_sigterm_does(self):
        self.program.write_settings()
        win = self.launch()
        self.change_modes(win)
        self.assert_closed_with_settings(win.proc, signal.SIGINT, OpenMode="0",
                                         SpilitMode="1")


if __name__ == "__main__":
    unittest.main()
