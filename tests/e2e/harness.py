"""Drives the real folivex program as a person would.

One Xvfb server serves each file's cases. Every case gets its own program folder (a copy
of the built executable, plug-ins and sound, so the settings, "AJVs/" and "Cache/" land
beside that copy), its own runtime folder (the single-instance lock and socket) and its
own home. Input goes through the X server: xdotool moves the real pointer, clicks and
types to whatever window has the focus. Results are read back through the X server too:
window names with xdotool and xprop, the screen with ImageMagick's import, measured by
the boxes of solid-colour test pictures. No window manager runs: full screen, minimising
and the focus a desktop gives back after a dialog are left to the window tests.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from PIL import Image, ImageChops

SCREEN_W, SCREEN_H = 1024, 768

# Solid colours no part of the window uses, one per test picture.
RED = (255, 0, 0)
GREEN = (0, 255, 0)
BLUE = (0, 0, 255)
MAGENTA = (255, 0, 255)
CYAN = (0, 255, 255)
YELLOW = (255, 255, 0)
PICTURES = [  # file name, colour, width, height
    ("p1.bmp", RED, 400, 300),
    ("p2.bmp", GREEN, 300, 400),
    ("p3.bmp", BLUE, 400, 300),
    ("p4.bmp", MAGENTA, 300, 400),
    ("p5.bmp", CYAN, 400, 300),
    ("p6.bmp", YELLOW, 300, 400),
]
COLOURS = [c for _, c, _, _ in PICTURES]


def bin_dir():
    return os.environ["FOLIVEX_BIN_DIR"]


class XServer:
    """One Xvfb for the suite, on a display number it picks itself."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            stop_process(self.proc)
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def stop(self):
        stop_process(self.proc)


def stop_process(proc, sig=signal.SIGTERM, timeout=10.0):
    """Stops one process by its id: the signal, a bounded wait, then a hard kill."""
    if proc.poll() is not None:
        return proc.returncode
    try:
        os.kill(proc.pid, sig)
    except ProcessLookupError:
        pass
    try:
        return proc.wait(timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        return proc.wait(5)


def wait_until(check, timeout=10.0, interval=0.1):
    """Polls `check` until it gives a true value or the time is up; returns the last."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if value or time.monotonic() >= end:
            return value
        time.sleep(interval)


def write_bmp_pictures(folder, pictures=PICTURES):
    os.makedirs(folder, exist_ok=True)
    for name, colour, w, h in pictures:
        Image.new("RGB", (w, h), colour).save(os.path.join(folder, name), "BMP")


def write_ini(path, sections):
    """Folmo.INI as the program reads it: CP932, CR LF."""
    lines = []
    for section, keys in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (k, v) for k, v in keys.items())
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def read_ini(path):
    """{section: {key: value}} with the names as written."""
    out, section = {}, None
    with open(path, "rb") as f:
        data = f.read()
    text = data[3:].decode("utf-8") if data.startswith(b"\xef\xbb\xbf") else data.decode("cp932")
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            section = out.setdefault(line[1:-1], {})
        elif "=" in line and section is not None:
            k, v = line.split("=", 1)
            section[k] = v
    return out


def write_album(path, folder, files, split=0, open_mode=1, title="e2e"):
    """An album file: count, name and comment pairs, then the look of the book."""
    lines = [str(len(files))]
    for name, comment in files:
        lines += [name, comment]
    lines += [str(split), str(open_mode), "", "clWhite", "clWhite", "0", title, "", folder]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def read_album(path):
    with open(path, "rb") as f:
        data = f.read()
    text = data[3:].decode("utf-8") if data.startswith(b"\xef\xbb\xbf") else data.decode("cp932")
    return text.split("\r\n")


def decode_compound_text(raw):
    """X11 COMPOUND_TEXT (the ISO 2022 form of WM_NAME) for the sets a Japanese caption
    uses: ASCII and Latin-1, JIS X 0201 katakana and JIS X 0208, each in G0 or G1."""
    sets = {0: "ascii", 1: "latin1"}
    out, i = [], 0
    designations = {b"(B": (0, "ascii"), b"-A": (1, "latin1"), b")I": (1, "kana"),
                    b"(J": (0, "ascii"), b"$(B": (0, "jis"), b"$)B": (1, "jis"),
                    b"$B": (0, "jis")}
    while i < len(raw):
        if raw[i] == 0x1B:
            for seq, (g, name) in designations.items():
                if raw[i + 1:i + 1 + len(seq)] == seq:
                    sets[g] = name
                    i += 1 + len(seq)
                    break
            else:
                out.append("\ufffd")
                i += 1
            continue
        byte = raw[i]
        name = sets[1 if byte >= 0x80 else 0]
        if byte & 0x7F < 0x21 or byte == 0x7F:  # space and controls stand for themselves
            out.append(chr(byte))
            i += 1
        elif name == "jis":
            pair = bytes([raw[i] | 0x80, raw[i + 1] | 0x80]) if i + 1 < len(raw) else b"?"
            out.append(pair.decode("euc_jp", errors="replace"))
            i += 2
        elif name == "kana":
            out.append(bytes([0x8E, byte | 0x80]).decode("euc_jp", errors="replace"))
            i += 1
        elif name == "latin1":
            out.append(chr(byte | 0x80))
            i += 1
        else:
            out.append(chr(byte & 0x7F))
            i += 1
    return "".join(out)


class Screen:
    """What the X server shows, and the input it takes."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def run(self, *args, check=True):
        r = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=30)
        if check and r.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), r.stderr.strip()))
        return r.stdout

    def xdotool(self, *args, check=True):
        return self.run("xdotool", *args, check=check)

    # Input, all of it through the X server's test extension.
    def click(self, x, y, button=1, repeat=1):
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.05)
        self.xdotool("click", "--repeat", str(repeat), "--delay", "60", str(button))

    def double_click(self, x, y):
        self.click(x, y, repeat=2)

    def move(self, x, y):
        self.xdotool("mousemove", str(x), str(y))

    def key(self, *keys):
        self.xdotool("key", "--delay", "40", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "30", text)

    # Windows.
    def visible_windows(self, pid):
        out = self.xdotool("search", "--onlyvisible", "--pid", str(pid), "", check=False)
        return [w for w in out.split() if w]

    def window_name(self, wid):
        return self.xdotool("getwindowname", wid, check=False).rstrip("\n")

    def captions(self, wid):
        """{property: (type, text)} of WM_NAME and _NET_WM_NAME as the X server holds
        them: read as bytes by xprop and decoded here, so no locale of xprop's own
        changes what is compared."""
        out = self.run("xprop", "-id", wid, "-f", "WM_NAME", "8x", "-f", "_NET_WM_NAME", "8x",
                       "WM_NAME", "_NET_WM_NAME", check=False)
        found = {}
        for line in out.splitlines():
            if "(" not in line or " = " not in line:
                continue
            name, rest = line.split("(", 1)
            kind, values = rest.split(")", 1)
            raw = bytes(int(v, 16) for v in values.split("=", 1)[1].split(",") if v.strip())
            if kind == "COMPOUND_TEXT":
                text = decode_compound_text(raw)
            else:
                text = raw.decode("latin-1" if kind == "STRING" else "utf-8", errors="replace")
            found[name.strip()] = (kind, text)
        return found

    def window_names(self, pid):
        return [self.window_name(w) for w in self.visible_windows(pid)]

    def geometry(self, wid, missing_ok=False):
        """(x, y, width, height) of a window on the screen; None for a window that has
        closed meanwhile, when `missing_ok`."""
        out = self.xdotool("getwindowgeometry", "--shell", wid, check=not missing_ok)
        v = dict(line.split("=", 1) for line in out.split() if "=" in line)
        if missing_ok and not {"X", "Y", "WIDTH", "HEIGHT"} <= v.keys():
            return None
        return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])

    def find_window(self, pid, name, timeout=15.0):
        def look():
            for w in self.visible_windows(pid):
                if self.window_name(w) == name:
                    return w
            return None
        return wait_until(look, timeout)

    def focused_window(self):
        return self.xdotool("getwindowfocus", "-f", check=False).strip()

    def has_focus(self, wid):
        """Whether the keyboard focus is on the window `wid` (or inside it)."""
        return wid in (self.focused_window(),
                       self.xdotool("getwindowfocus", check=False).strip())

    def painted(self, wid):
        """Whether the program has drawn its window: most of it is no longer the black the
        X server leaves in a window nobody has painted."""
        x, y, w, h = self.geometry(wid)
        area = self.screenshot().crop((x, y, x + w, y + h)).convert("L")
        black = area.point(lambda v: 255 if v == 0 else 0).histogram()[255]
        return black < w * h // 2

    # The screen.
    def screenshot(self):
        r = subprocess.run(["import", "-window", "root", "png:-"], env=self.env,
                           capture_output=True, timeout=30)
        if r.returncode != 0:
            raise RuntimeError("import failed: %s" % r.stderr.decode(errors="replace"))
        from io import BytesIO
        return Image.open(BytesIO(r.stdout)).convert("RGB")


def colour_box(image, colour, tolerance=8):
    """(left, top, right, bottom, pixels) of the pixels of one colour, or None."""
    diff = ImageChops.difference(image, Image.new("RGB", image.size, colour))
    r, g, b = diff.split()
    worst = ImageChops.lighter(ImageChops.lighter(r, g), b)
    mask = worst.point(lambda v: 255 if v <= tolerance else 0)
    box = mask.getbbox()
    if not box:
        return None
    count = mask.histogram()[255]
    return box + (count,)


def solid_boxes(image, colours=COLOURS, min_pixels=400):
    """The test pictures on screen: colour -> (left, top, right, bottom) of a filled box.

    A colour counts only where it fills most of its bounding box, so stray pixels of a
    similar colour elsewhere never pass for a picture."""
    found = {}
    for c in colours:
        b = colour_box(image, c)
        if not b:
            continue
        left, top, right, bottom, count = b
        area = (right - left) * (bottom - top)
        if count >= min_pixels and count >= 0.9 * area:
            found[c] = (left, top, right, bottom)
    return found


class Program:
    """One case's private install of the program, and the processes started from it."""

    def __init__(self, screen, tmp):
        self.screen = screen
        self.tmp = tmp
        self.folder = os.path.join(tmp, "program")
        self.runtime = os.path.join(tmp, "runtime")
        self.home = os.path.join(tmp, "home")
        self.pictures = os.path.join(tmp, "pictures")
        for d in (self.folder, self.home):
            os.makedirs(d)
        os.makedirs(self.runtime, mode=0o700)
        for name in os.listdir(bin_dir()):
            if name == "folivex" or name.endswith(".spi") or name.endswith(".WAV"):
                shutil.copy2(os.path.join(bin_dir(), name), self.folder)
        # The catalogues, found beside the program as in the build tree.
        if os.path.isdir(os.path.join(bin_dir(), "translations")):
            shutil.copytree(os.path.join(bin_dir(), "translations"),
                            os.path.join(self.folder, "translations"))
        self.exe = os.path.join(self.folder, "folivex")
        self.ini = os.path.join(self.folder, "Folmo.INI")
        self.procs = []
        self.logs = []

    # The locale of the started program: "C.UTF-8" gives the Japanese interface, as
    # "ja_JP.UTF-8" and "C" do; any other (e.g. "en_US.UTF-8") the English one.
    lang = "C.UTF-8"

    def environment(self):
        env = dict(os.environ)
        for k in ("QT_QPA_PLATFORM", "SESSION_MANAGER", "QT_SCALE_FACTOR", "LANGUAGE",
                  "LC_ALL", "LC_MESSAGES"):
            env.pop(k, None)
        env.update(DISPLAY=self.screen.display, XDG_RUNTIME_DIR=self.runtime, HOME=self.home,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   QT_QPA_PLATFORM="xcb", LANG=self.lang,
                   # No sound device in CI; the sound is skipped quietly.
                   QT_LOGGING_RULES="qt.multimedia*=false")
        return env

    def write_settings(self, **conf):
        """Folmo.INI with the test pictures' folder and the given Conf keys."""
        sections = {"Folder": {"Current": self.pictures + "/"},
                    "Conf": {"OpenMode": "1", "SpilitMode": "0"}}
        sections["Conf"].update({k: str(v) for k, v in conf.items()})
        write_ini(self.ini, sections)

    def start(self, *args, cwd=None):
        """Starts the program, in the case's folder unless `cwd` says otherwise."""
        log = open(os.path.join(self.tmp, "run%d.log" % len(self.procs)), "w+")
        proc = subprocess.Popen([self.exe, *args], env=self.environment(), cwd=cwd or self.tmp,
                                stdout=log, stderr=subprocess.STDOUT)
        self.procs.append(proc)
        self.logs.append(log)
        return proc

    def log_text(self):
        out = []
        for log in self.logs:
            log.flush()
            log.seek(0)
            out.append(log.read())
        return "\n".join(out)

    def stop_all(self):
        for proc in self.procs:
            stop_process(proc)
        for log in self.logs:
            log.close()


class Window:
    """The running main window, found by its caption."""

    def __init__(self, screen, proc, wid):
        self.screen, self.proc, self.wid = screen, proc, wid

    @property
    def name(self):
        return self.screen.window_name(self.wid)

    def geometry(self):
        return self.screen.geometry(self.wid)

    def boxes(self):
        """Test pictures visible inside this window, in screen coordinates."""
        x, y, w, h = self.geometry()
        shot = self.screen.screenshot().crop((x, y, x + w, y + h))
        return {c: (l + x, t + y, r + x, b + y) for c, (l, t, r, b) in solid_boxes(shot).items()}

    def shown(self, timeout=8.0, **expect):
        """Waits until exactly the pictures in `expect` show, each on its side
        ("left" or "right" of the window's middle); returns the boxes."""
        x, _, w, _ = self.geometry()
        middle = x + w / 2

        def side(box):
            return "left" if (box[0] + box[2]) / 2 < middle else "right"

        def matches():
            b = self.boxes()
            got = {c: side(v) for c, v in b.items()}
            want = {c: s for s, c in expect.items() if c is not None}
            return (b,) if got == want else None

        found = wait_until(matches, timeout)
        return found[0] if found else None

    def shown_colours(self):
        return set(self.boxes())

    def click_background(self):
        """A click on the background beside the book, as a person clicks into a window
        before typing: the window becomes the active one and hands its focus out."""
        x, y, w, h = self.geometry()
        self.screen.click(x + w - 10, y + h // 2)
        # The keys typed next go where the X server has the focus: wait until the program
        # has taken the click and moved it there (a busy program takes a while).
        wait_until(lambda: self.screen.has_focus(self.wid), 5.0, 0.05)


class Case(unittest.TestCase):
    """A fresh program folder per case; every process stopped at the end."""

    xserver = None

    @classmethod
    def setUpClass(cls):
        cls.xserver = XServer()
        cls.screen = Screen(cls.xserver.display)

    @classmethod
    def tearDownClass(cls):
        cls.xserver.stop()

    def setUp(self):
        self._tmp = tempfile.mkdtemp(prefix="folivex-e2e-")
        self.program = Program(self.screen, self._tmp)
        write_bmp_pictures(self.program.pictures)
        self.addCleanup(self._clean)

    def _clean(self):
        failed = self._outcome_failed()
        # FOLIVEX_E2E_SHOTS=folder keeps the screen of each failed case there.
        shots = os.environ.get("FOLIVEX_E2E_SHOTS")
        if failed and shots:
            os.makedirs(shots, exist_ok=True)
            self.screen.screenshot().save(os.path.join(shots, self.id() + ".png"))
        for proc in self.program.procs:
            stop_process(proc)
        if failed:
            print("\n--- program output ---\n" + self.program.log_text())
        self.program.stop_all()
        shutil.rmtree(self._tmp, ignore_errors=True)

    def _outcome_failed(self):
        outcome = getattr(self, "_outcome", None)
        result = getattr(outcome, "result", None)
        if result is None:
            return False
        return any(t is self for t, _ in result.failures + result.errors)

    def launch(self, *args, caption="Folivex - pictures", cwd=None):
        """Starts the program and waits for its main window, found by `caption`."""
        proc = self.program.start(*args, cwd=cwd)
        wid = self.screen.find_window(proc.pid, caption)
        if not wid:
            names = self.screen.window_names(proc.pid)
            self.fail("no window %r; visible: %r; running: %s\n%s"
                      % (caption, names, proc.poll() is None, self.program.log_text()))
        win = Window(self.screen, proc, wid)
        # The first paint, before the click that gives the window the keys.
        wait_until(lambda: self.screen.painted(wid), 10.0)
        win.click_background()
        return win

    def menu(self, proc, mnemonic, *items):
        """A menu by its mnemonic, then each item by its own once the menu it belongs to
        shows: a busy program opens a menu well after the key arrives."""
        def shown():
            return set(self.screen.visible_windows(proc.pid))
        seen = shown()
        self.screen.key("alt+" + mnemonic)
        for item in items:
            opened = wait_until(lambda: shown() - seen, 10.0, 0.03)
            if not opened:
                self.fail("Alt+%s: no menu opened; visible: %r"
                          % (mnemonic.upper(), self.screen.window_names(proc.pid)))
            seen |= opened
            self.screen.key(item)

    def wait_window(self, proc, caption, timeout=15.0):
        wid = self.screen.find_window(proc.pid, caption, timeout)
        if not wid:
            self.fail("no window %r; visible: %r; running: %s\n%s"
                      % (caption, self.screen.window_names(proc.pid), proc.poll() is None,
                         self.program.log_text()))
        return wid

    def answer(self, wid, *keys):
        """Keys to a box: the pointer over it first, as a person would look at it."""
        x, y, w, h = self.screen.geometry(wid)
        self.screen.move(x + w // 2, y + h // 2)
        # A box shown is given the focus a moment later; the keys are for the box.
        wait_until(lambda: self.screen.has_focus(wid), 5.0, 0.05)
        self.screen.key(*keys)

    def gone(self, proc, caption, timeout=8.0):
        return wait_until(lambda: not self.screen.find_window(proc.pid, caption, timeout=0),
                          timeout)

    def assertCaption(self, wid, text):
        """Both names the X server holds for the window are exactly `text`."""
        names = wait_until(lambda: (lambda c: c if c.get("WM_NAME", (0, 0))[1] == text
                                    and c.get("_NET_WM_NAME", (0, 0))[1] == text else None)(
                                        self.screen.captions(wid)), 5.0)
        if not names:
            self.fail("window %s: names %r, expected %r" % (wid, self.screen.captions(wid), text))

    def close_by_signal(self, proc, sig=signal.SIGTERM, timeout=10.0):
        os.kill(proc.pid, sig)
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None


def dark_segments(image, x0, x1, y0, y1, gap=6, threshold=250, vertical=False):
    """Runs of columns (or rows) holding near-black pixels: the labels of a bar or menu.

    Letters of one label lie closer than `gap`; two labels lie further apart. Disabled
    items are drawn grey and so are not found."""
    px = image.load()
    span = range(y0, y1) if vertical else range(x0, x1)
    across = range(x0, x1) if vertical else range(y0, y1)
    hits = []
    for i in span:
        if any(sum(px[(j, i) if vertical else (i, j)]) < threshold for j in across):
            hits.append(i)
    out = []
    for i in hits:
        if out and i - out[-1][1] <= gap:
            out[-1][1] = i
        else:
            out.append([i, i])
    return [(a, b) for a, b in out]


MENUS_VIEW_PAGE = ["ﾌｧｲﾙ", "表示", "操作", "その他", "ｳｨﾝﾄﾞｳ", "ﾍﾙﾌﾟ"]
# The toolbar buttons, left to right, as the dock holds them at start.
TOOLBAR_BUTTONS = ["開く", "閉じる", "参照", "保存", "ビュー", "目次", "環境設定", "2分割",
                   "4分割", "右開き", "左開き", "通常描画", "きれいに描画", "タイトル"]
MENU_BAR_H = 20


def labelled(segments, labels, what):
    if len(segments) != len(labels):
        raise AssertionError("%s: found %d labels, expected %d (%s): %r"
                             % (what, len(segments), len(labels), " ".join(labels), segments))
    return dict(zip(labels, segments))


def _bar_positions(self, y0, y1, labels, what, gap=6):
    """Labels of a bar, a gap of more than `gap` columns between two of them (the
    half-width sound marks of "ﾍﾙﾌﾟ" stand a little apart)."""
    x, y, w, h = self.geometry()
    shot = self.screen.screenshot()
    segs = dark_segments(shot, x, x + w, y + y0, y + y1, gap=gap)
    found = labelled(segs, labels, what)
    return {k: ((a + b) // 2, y + (y0 + y1) // 2) for k, (a, b) in found.items()}


def _menu_bar(self, labels=MENUS_VIEW_PAGE):
    return _bar_positions(self, 1, MENU_BAR_H - 1, labels, "menu bar", gap=9)


def is_texture(rgb):
    """The default linen texture is a dark grey-brown; bars, menus and paper are light,
    and the lines of bars and frames are grey, not brown."""
    return sum(rgb) < 500 and rgb[0] - rgb[2] >= 12


def _texture_rows(self, shot=None):
    """(first, last) screen rows of the background texture in the column near the
    window's right edge, where neither the book nor the texture sample lies."""
    x, y, w, h = self.geometry()
    shot = shot or self.screen.screenshot()
    px = shot.load()
    col = x + w - 4
    rows = [r for r in range(y, y + h) if is_texture(px[col, r])]
    if not rows:
        raise AssertionError("no background texture in the window")
    return rows[0], rows[-1]


def settled(measure, timeout=10.0):
    """A measurement of the screen taken twice alike: a window still painting (a busy
    machine, a button still drawn hovered) gives none or another one. The last error is
    raised when it never settles."""
    last, error = [None], [None]

    def look():
        try:
            now = measure()
        except AssertionError as e:
            error[0], last[0] = e, None
            return None
        same = now == last[0]
        last[0] = now
        return (now,) if same else None

    found = wait_until(look, timeout, 0.1)
    if found:
        return found[0]
    raise error[0] or AssertionError("the screen did not settle: %r" % (last[0],))


def _toolbar(self, labels=TOOLBAR_BUTTONS):
    """Centres of the toolbar buttons: the clusters of icon pixels between the menu bar
    and the background, told from the bars' own grips and separators by their width."""
    x, y, w, h = self.geometry()
    # No button may be drawn hovered: its frame would join it to its neighbours.
    self.screen.move(x + w - 4, y + h // 2)
    return settled(lambda: _toolbar_once(self, labels, (x, y, w, h)))


def _toolbar_once(self, labels, geometry):
    x, y, w, h = geometry
    shot = self.screen.screenshot()
    px = shot.load()
    y0 = y + MENU_BAR_H
    y1 = _toolbar_bottom(px, x + 1, y0, y + h)
    if y1 - y0 < 12:
        raise AssertionError("no toolbar between the menu bar and the book: rows %d-%d"
                             % (y0, y1))
    ink = []
    for i in range(x + 2, x + w - 2):
        for j in range(y0, y1):
            bg = px[x + 1, j]  # the bar's background is a vertical gradient
            if max(abs(a - b) for a, b in zip(px[i, j], bg)) > 40:
                ink.append(i)
                break
    clusters = []
    for i in ink:
        if clusters and i - clusters[-1][1] <= 3:
            clusters[-1][1] = i
        else:
            clusters.append([i, i])
    buttons = [(a, b) for a, b in clusters if b - a >= 9]
    found = labelled(buttons, labels, "toolbar")
    return {k: ((a + b) // 2, (y0 + y1) // 2) for k, (a, b) in found.items()}


def _toolbar_bottom(px, col, y0, y_end):
    """The last row of the toolbar area: its background is a light grey gradient with grey
    lines between rows of bars, down to the client area's texture or the book's white
    paper. (The texture's first row is no guide: a window narrower than the book shows
    paper at both edges, and its texture only further down.)"""
    j = y0
    while j < y_end:
        r, g, b = px[col, j][:3]
        if not (r == g == b and 170 <= r <= 252):
            break
        j += 1
    return j - 1


def _status_bar(self):
    """The status bar's first control, the search button "検索", and its text field's
    place right of it."""
    x, y, w, h = self.geometry()
    shot = self.screen.screenshot()
    segs = dark_segments(shot, x, x + w // 3, y + h - 24, y + h - 4)
    if not segs:
        raise AssertionError("status bar: no search button found")
    a, b = segs[0]
    return {"検索": ((a + b) // 2, y + h - 14), "field": (b + 60, y + h - 14)}


def _scroll_arrows(self):
    """The page scroll bar's two arrow buttons, left and right: the first two glyphs
    right of the search button in the status bar."""
    x, y, w, h = self.geometry()
    shot = self.screen.screenshot()
    # The arrows are dark grey, the bar's frame a lighter one.
    segs = dark_segments(shot, x, x + w // 2, y + h - 24, y + h - 4, threshold=300)
    arrows = [(a, b) for a, b in segs[1:] if b - a <= 8][:2]
    if len(arrows) != 2:
        raise AssertionError("scroll bar arrows not found: %r" % segs)
    return [((a + b) // 2, y + h - 14) for a, b in arrows]


def _popup_items(self, pid, labels):
    """Rows of the pop-up menu that is open now, by their labels (separators skipped)."""
    # A menu's window may carry the menu's title as its name; it is told by its size.
    popups = [w for w in self.screen.visible_windows(pid) if w != self.wid]
    best = None
    for wid in popups:
        gx, gy, gw, gh = self.screen.geometry(wid)
        if gw < SCREEN_W and (best is None or gy > 0):
            best = (gx, gy, gw, gh)
    if best is None:
        raise AssertionError("no pop-up menu open")
    gx, gy, gw, gh = best
    shot = self.screen.screenshot()
    segs = dark_segments(shot, gx + 2, gx + gw - 2, gy + 2, gy + gh - 2, gap=3, vertical=True)
    found = labelled(segs, labels, "pop-up menu")
    return {k: (gx + 30, (a + b) // 2) for k, (a, b) in found.items()}


def _page_spans(self, shot=None):
    """(left, right) screen columns of each page shown, found from the picture on it:
    the white paper around the picture, on the row through the picture's middle."""
    x, y, w, h = self.geometry()
    shot = shot or self.screen.screenshot()
    px = shot.load()
    spans = {}
    middle = x + w / 2
    for colour, (l, t, r, b) in solid_boxes(shot.crop((x, y, x + w, y + h))).items():
        l, r, row = l + x, r + x, (t + b) // 2 + y
        left = l - 1
        while left > x and px[left - 1, row] == (255, 255, 255):
            left -= 1
        right = r
        while right < x + w - 1 and px[right + 1, row] == (255, 255, 255):
            right += 1
        side = "left" if (l + r) / 2 < middle else "right"
        spans[side] = (left, right, row)
    return spans


def _click_outer_third(self, side):
    spans = _page_spans(self)
    if side not in spans:
        raise AssertionError("no %s page to click: %r" % (side, spans))
    left, right, row = spans[side]
    width = right - left
    x = left + width // 8 if side == "left" else right - width // 8
    self.screen.click(x, row)
    return x, row


Window.menu_bar = lambda self, *a: settled(lambda: _menu_bar(self, *a))
Window.toolbar = _toolbar
Window.texture_rows = _texture_rows
Window.status_bar = lambda self: settled(lambda: _status_bar(self))
Window.popup_items = lambda self, *a: settled(lambda: _popup_items(self, *a))
Window.scroll_arrows = lambda self: settled(lambda: _scroll_arrows(self))
Window.page_spans = _page_spans
Window.click_outer_third = _click_outer_third
