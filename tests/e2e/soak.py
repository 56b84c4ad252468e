#!/usr/bin/python3
"""A seeded soak: a long random run of real input against the built program.

    python3 tests/e2e/soak.py --seed S --steps N [--until STEP] [--hold]

Each step is one thing a person does from the menus, the toolbars, the keys, the pages
or the contents page (turns, jumps, modes, bars, pages, rows, comments, albums, second
starts, the options dialog, window sizes), drawn from a random generator seeded by the
seed and the step number, so the same seed replays the same sequence. After every step
the program must be alive, must repaint its window (within 2 s; later repaints on a
loaded machine are counted and reported, one that never comes fails), may show
only the boxes the step expects (each is answered), and every album it saved must read
back with the comments typed. Resident memory, open descriptors and threads are sampled
after every step; once the first half has filled the caches, growth over the second half
beyond 10% (and beyond a floor for noise) fails the run. Nothing may be written outside
the program's folder. A failure prints the seed, the step and its name, and the command
that replays it.

FOLIVEX_BIN_DIR names the built program's folder (default: build/bin of this checkout);
FOLIVEX_E2E_TIME_SCALE multiplies every wait (the sanitizer build is several times
slower; a sanitizer build is also detected from the program itself).
"""

import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from PIL import Image, ImageChops, ImageFilter  # noqa: E402

import harness  # noqa: E402
from harness import (PICTURES, Program, Screen, Window, XServer,  # noqa: E402
                     read_album, solid_boxes, stop_process, wait_until, write_ini)
import test_comments  # noqa: E402,F401  (adds Window.search_down)

BOXES = ("警告", "確認", "ｴﾗｰ", "情報")
ALBUM_MODE = "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ]"
# The colour pictures sort first, so their rows are on the contents page's first screen.
COLOUR_FILES = [("a%d.bmp" % (i + 1), c, w, h) for i, (_, c, w, h) in enumerate(PICTURES)]
THUMBNAIL, NAME_COLUMN = 32, 170
MIN_W, MIN_H = 540, 420
PROBE = 40  # columns taken off the window's right edge and given back


class Failure(Exception):
    pass


class Skip(Exception):
    """The step cannot be done in the state the window is in; nothing was sent."""


def sanitized(exe):
    if not exe or not os.path.isfile(exe):
        return False
    with open(exe, "rb") as f:
        return b"__asan_init" in f.read()


def time_scale(asan=False):
    value = os.environ.get("FOLIVEX_E2E_TIME_SCALE")
    if value:
        return max(1.0, float(value))
    return 4.0 if asan else 1.0


# --- The album ------------------------------------------------------------------------

def photo(size, seed):
    """A photo-like picture: soft shapes, a gradient and fine noise."""
    w, h = size
    channels = []
    for c in range(3):
        shapes = Image.effect_noise((max(2, w // 48), max(2, h // 48)), 50 + 9 * seed + 5 * c)
        shapes = shapes.resize((w, h), Image.BICUBIC)
        grad = Image.linear_gradient("L").rotate(37 * seed + 60 * c).resize((w, h))
        fine = Image.effect_noise((w, h), 20)
        channels.append(ImageChops.blend(ImageChops.blend(shapes, grad, 0.4), fine, 0.2))
    return Image.merge("RGB", channels)


def make_album(root):
    """The mixed album folder, an archive of pages, and what was made: {kind: [paths]}."""
    # The album and a small neighbour: the folder tree steps from one to the other.
    folder = os.path.join(root, "books", "album")
    os.makedirs(folder)
    other = os.path.join(root, "books", "other")
    os.makedirs(other)
    for name, colour in (("o1.bmp", (90, 60, 30)), ("o2.bmp", (30, 60, 90))):
        Image.new("RGB", (200, 150), colour).save(os.path.join(other, name), "BMP")
    made = {"colour": [], "photo": [], "format": [], "broken": [], "archive": []}
    for name, colour, w, h in COLOUR_FILES:
        path = os.path.join(folder, name)
        Image.new("RGB", (w, h), colour).save(path, "BMP")
        made["colour"].append(path)
    for i in range(8):
        path = os.path.join(folder, "photo%02d.jpg" % i)
        photo((1600, 1200) if i % 2 else (1200, 1600), i).save(path, quality=88)
        made["photo"].append(path)
    # Formats the plug-ins read, large enough that their full decodes fill the cache.
    big = photo((1800, 1350), 11).filter(ImageFilter.GaussianBlur(2))
    for name, kw in (("fmt1.png", {}), ("fmt2.gif", {}), ("fmt3.tif", {"compression": "tiff_lzw"}),
                     ("fmt4.webp", {"quality": 80}), ("fmt5.png", {})):
        path = os.path.join(folder, name)
        (big.convert("P", palette=Image.ADAPTIVE) if name.endswith(".gif") else big).save(path, **kw)
        made["format"].append(path)
    if shutil.which("heif-enc"):
        src = os.path.join(root, "heic-source.png")
        photo((800, 600), 13).save(src)
        path = os.path.join(folder, "fmt6.heic")
        r = subprocess.run(["heif-enc", "-q", "60", "-o", path, src], capture_output=True)
        os.remove(src)
        if r.returncode == 0 and os.path.exists(path):
            made["format"].append(path)
    # Broken files sort last, so the spreads before them turn cleanly.
    whole = os.path.join(root, "whole.jpg")
    photo((640, 480), 17).save(whole, quality=90)
    with open(whole, "rb") as f:
        data = f.read()
    os.remove(whole)
    for name, content in (("zz_cut.jpg", data[:len(data) * 2 // 5]),
                          ("zz_garbage.png", random.Random(5).randbytes(4096))):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(content)
        made["broken"].append(path)
    archive = os.path.join(root, "comic.cbz")
    with zipfile.ZipFile(archive, "w") as z:
        for i in range(6):
            from io import BytesIO
            buf = BytesIO()
            photo((900, 1200), 20 + i).save(buf, "JPEG" if i % 3 else "PNG", quality=85)
            z.writestr("page%02d.%s" % (i, "jpg" if i % 3 else "png"), buf.getvalue())
    made["archive"].append(archive)
    return folder, made


# --- Measuring the process ------------------------------------------------------------

def sample(pid):
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return rss, len(os.listdir("/proc/%d/fd" % pid)), len(os.listdir("/proc/%d/task" % pid))


def growth(values):
    """(value where the caches are full, value at the end, relative growth): the medians
    of the samples just after the half and of the last tenth, so one busy moment does not
    count."""
    n = len(values)
    if n < 20:
        return None
    half = sorted(values[n // 2:n // 2 + max(3, n // 20)])
    tail = sorted(values[n - max(3, n // 10):])
    a, b = half[len(half) // 2], tail[len(tail) // 2]
    return a, b, (b - a) / a if a else 0.0


def comment_cell(rgb):
    """A comment cell's colour: white, or the selection's blue."""
    r, g, b = rgb[:3]
    return min(r, g, b) > 200 or (r < 90 and 110 <= g <= 170 and b > 170)


def tree_listing(top, skip=()):
    out = {}
    for root, dirs, files in os.walk(top):
        rel_root = os.path.relpath(root, top)
        dirs[:] = [d for d in dirs if os.path.normpath(os.path.join(rel_root, d)) not in skip]
        for name in files:
            rel = os.path.normpath(os.path.join(rel_root, name))
            try:
                st = os.lstat(os.path.join(root, name))
            except FileNotFoundError:
                continue
            out[rel] = (st.st_size, st.st_mtime_ns)
    return out


# --- The soak -------------------------------------------------------------------------

class Soak:
    def __init__(self, seed, steps, until=None, bin_dir=None, log=print, keep=False):
        self.seed, self.steps, self.until = seed, steps, until or steps
        self.bin_dir = bin_dir or os.environ.get("FOLIVEX_BIN_DIR") or os.path.join(
            HERE, "..", "..", "build", "bin")
        os.environ["FOLIVEX_BIN_DIR"] = os.path.abspath(self.bin_dir)
        self.log, self.keep = log, keep
        asan = sanitized(os.path.join(self.bin_dir, "folivex"))
        self.scale = time_scale(asan)
        # Under AddressSanitizer resident memory follows its quarantine of freed blocks
        # (256 MB) rather than the program's heap, so its growth is reported, not judged:
        # LeakSanitizer judges leaks at the close.
        self.judge_memory = not asan
        self.samples = []  # (step, rss kB, fds, threads)
        self.counts = {}
        self.skipped = {}
        self.error_boxes = 0
        self.notes = []
        self.albums_checked = 0
        self.menu_retries = 0
        self.slow_repaints = []  # (step, name, seconds) of repaints past 2 s
        self.step_no = 0
        self.step_name = "start"
        self.verbose = bool(os.environ.get("FOLIVEX_SOAK_VERBOSE"))

    # -- set-up and tear-down
    def start(self):
        self.tmp = tempfile.mkdtemp(prefix="folivex-soak-")
        self.xserver = XServer()
        self.screen = Screen(self.xserver.display)
        self.program = Program(self.screen, self.tmp)
        self.folder, self.made = make_album(self.tmp)
        self.pictures = sorted(self.made["colour"] + self.made["photo"] + self.made["format"] +
                               self.made["broken"])
        write_ini(self.program.ini, {"Folder": {"Current": self.folder + "/"},
                                     "Conf": {"OpenMode": "1", "SpilitMode": "0",
                                              "ACInterval": "1", "ImgViewer": "/bin/true"}})
        self.ajvs = os.path.join(self.program.folder, "AJVs")
        self.before = self.outside_listing()
        self.proc = self.program.start()
        self.wid = self.screen.find_window(self.proc.pid, "Folivex - album", 30 * self.scale)
        if not self.wid:
            raise Failure("no main window: %r" % self.screen.window_names(self.proc.pid))
        # The state the soak keeps of the window, from what it did.
        self.page = "view"
        self.bars = {"f": True, "b": True, "c": True}
        self.hide_all = False  # what "all toolbars" does next: hide them (False) or show
        self.status_bar = True
        self.searching = False
        self.fullscreen = False
        self.editor_left = None  # the row whose comment editor a typing left open
        self.auto = False
        self.tools = None
        self.tools_at = None
        self.list = "folder"  # folder, album, archive, other
        # name -> comment of the rows the soak follows (a folder's colour rows, an album's
        # every row); None when the list is not known.
        self.comments = self.fresh_folder()
        self.saved = []
        self.focus()
        self.learn_pages()

    def stop(self):
        rc = None
        if getattr(self, "proc", None) is not None and self.proc.poll() is None:
            # Boxes and dialogs still open are answered by the quit signal itself.
            rc = stop_process(self.proc, timeout=30 * self.scale)
        if getattr(self, "program", None):
            self.final_log = self.program.log_text()
            self.program.stop_all()
        if getattr(self, "xserver", None):
            self.xserver.stop()
        if getattr(self, "tmp", None) and not self.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)
        return rc

    def outside_listing(self):
        """Every file of the soak's folder but the program's own folder and runtime folder
        (the home folder is inside): nothing there may change."""
        found = tree_listing(self.tmp, skip=("program", "runtime"))
        # The harness's own logs of each start.
        return {k: v for k, v in found.items()
                if not (k.startswith("run") and k.endswith(".log") and os.sep not in k)}

    # -- the window
    def wait(self, check, timeout=2.0, interval=0.05):
        return wait_until(check, timeout * self.scale, interval)

    def main(self):
        """The main window: found again when its name is no longer a main window's."""
        name = self.screen.window_name(self.wid)
        if not name.startswith("Folivex"):
            # A pop-up menu may carry the program's name too: the main window is the
            # largest of that name.
            def largest():
                best, found = 0, None
                for w in self.screen.visible_windows(self.proc.pid):
                    if self.screen.window_name(w).startswith("Folivex"):
                        try:
                            _, _, gw, gh = self.screen.geometry(w)
                        except RuntimeError:  # gone again since the listing
                            continue
                        if gw * gh > best:
                            best, found = gw * gh, w
                return found
            # A window being mapped again (a state change under load) shows a moment later.
            found = self.wait(largest, 5.0)
            if not found:
                raise Failure("the main window is gone (program running: %s)"
                              % (self.proc.poll() is None))
            self.wid = found
        return self.wid

    def win(self):
        return Window(self.screen, self.proc, self.main())

    def geometry(self):
        return self.screen.geometry(self.main())

    def focus(self):
        """A click on the menu bar's empty end: the window takes the keys again, as after
        a dialog closes on a desktop."""
        x, y, w, h = self.geometry()
        self.screen.xdotool("mousemove", str(x + w - 12), str(y + 9), "click", "1")

    def keys(self, *keys):
        self.focus()
        self.screen.key(*keys)

    def menu(self, mnemonic, *items):
        """A menu by its mnemonic, then its items by theirs, each key sent once the menu
        it goes to shows."""
        def shown_now():
            return set(self.screen.visible_windows(self.proc.pid))
        for attempt in (1, 2):
            # The focus can be in flux right after the window was shown again (full screen
            # re-creates it): a first press that finds no window with the focus is tried
            # once more, and counted.
            self.focus()
            seen = shown_now()
            self.screen.key("alt+" + mnemonic)
            opened = self.wait(lambda: shown_now() - seen, 2.0, 0.03) if items else True
            # A broken picture's box that an automatic turn opened just as the key went
            # is not the menu: it took the key, and is answered below.
            if opened is not True and any(self.screen.window_name(w) in BOXES
                                          for w in opened):
                opened = None
            if opened:
                break
            # A box that came meanwhile (an automatic turn reached a broken file) holds
            # the keys: it is answered first.
            if self.answer_boxes(self.allowed_boxes()):
                self.notes.append("%d %s: a box came before Alt+%s" % (self.step_no,
                                                                       self.step_name, mnemonic))
                continue
            self.menu_retries += 1
            self.notes.append("%d %s: Alt+%s retried" % (self.step_no, self.step_name, mnemonic))
        menus = set()
        for n, item in enumerate(items):
            if n:
                opened = self.wait(lambda: shown_now() - seen, 2.0, 0.03)
            if not opened:
                raise Failure("Alt+%s%s: no menu opened" % (mnemonic.upper(), "".join(
                    " " + i for i in items[:n])))
            seen |= opened
            menus |= opened
            self.screen.key(item)
        if not items:
            return
        # The last key chose an item, which closes the menus; a key that reached a menu
        # before it took the keyboard (a slow program) is sent once more.
        def closed():
            return not (shown_now() & menus)
        if not self.wait(closed, 2.0, 0.05):
            self.menu_retries += 1
            self.notes.append("%d %s: menu item key resent" % (self.step_no, self.step_name))
            self.screen.key(items[-1])
            if not self.wait(closed, 3.0, 0.05):
                raise Failure("Alt+%s %s: the menu stays open" % (mnemonic.upper(),
                                                                 " ".join(items)))

    def others(self):
        """Named windows of the program besides the main window: boxes and dialogs."""
        main = self.main()
        out = []
        for w in self.screen.visible_windows(self.proc.pid):
            if w == main:
                continue
            name = self.screen.window_name(w)
            if name:
                out.append((w, name))
        return out

    def wait_other(self, names=None, timeout=5.0):
        def look():
            for w, n in self.others():
                if names is None or n in names:
                    return w, n
            return None
        return self.wait(look, timeout, 0.05)

    def answer(self, wid, *keys):
        """Keys to a box or dialog, once it has the focus; one that never gets it (the
        program was busy when it showed) is clicked on its top edge first. A box that
        closed between being listed and being answered needs no answer."""
        where = self.screen.geometry(wid, missing_ok=True)
        if where is None:
            return
        x, y, w, h = where
        self.screen.move(x + w // 2, y + h // 2)
        if not self.wait(lambda: self.screen.has_focus(wid), 1.0, 0.05):
            self.screen.click(x + w // 2, y + 4)
            self.wait(lambda: self.screen.has_focus(wid), 2.0, 0.05)
        self.screen.key(*keys)

    def gone(self, wid, timeout=5.0):
        return self.wait(lambda: wid not in self.screen.visible_windows(self.proc.pid), timeout)

    def answer_boxes(self, allowed, limit=20, under=None, boxes_only=False):
        """Answers the boxes open now (Return), when their names are allowed; returns the
        names answered. A box of another name is a failure. `under` is a dialog open on
        purpose, left alone."""
        answered = []
        for _ in range(limit):
            found = [(w, n) for w, n in self.others()
                     if w != under and (not boxes_only or n in BOXES)]
            if not found:
                break
            w, name = found[0]
            if name not in allowed:
                raise Failure("unexpected window %r open (open: %r)" % (name, found))
            self.answer(w, "Return")
            if not self.gone(w):
                # On a loaded machine the box may have taken the focus after the key.
                self.answer(w, "Return")
                if not self.gone(w):
                    raise Failure("box %r does not close on Return" % name)
            answered.append(name)
        else:
            raise Failure("boxes keep opening: %r" % answered)
        return answered

    def probe(self):
        """The program still answers: the window narrowed and widened again; the strip
        given back must be painted by the program, not left as the X server's black."""
        wid = self.main()
        x, y, w, h = self.screen.geometry(wid)
        if w <= PROBE * 2:
            raise Failure("window is %dx%d" % (w, h))
        self.screen.xdotool("windowsize", wid, str(w - PROBE), str(h))
        self.screen.xdotool("windowsize", wid, str(w), str(h))

        def painted():
            strip = self.screen.screenshot().crop((x + w - PROBE, y, x + w, y + h))
            black = strip.convert("L").point(lambda v: 255 if v == 0 else 0).histogram()[255]
            return black < PROBE * h // 2
        start = time.monotonic()
        if self.wait(painted, 2.0):
            return
        # Past the 2 s bound: a hung program never paints, a starved one (a loaded machine)
        # paints late. Late repaints are counted and reported; only a hang fails.
        if not self.wait(painted, 30.0):
            raise Failure("the window did not repaint within %.0f s" % (32.0 * self.scale))
        late = time.monotonic() - start
        self.slow_repaints.append((self.step_no, self.step_name, round(late, 1)))

    # -- measured positions
    def toolbar(self):
        if self.page_needs_view() or not all(self.bars.values()):
            raise Skip("toolbars hidden")
        g = self.geometry()
        if self.tools is None or self.tools_at != g:
            try:
                self.tools = self.win().toolbar()
            except AssertionError as e:
                raise Skip("toolbar not measured: %s" % e)
            self.tools_at = g
        return self.tools

    def page_needs_view(self):
        return self.page != "view"

    def menu_labels(self):
        """The menu bar's labels, which tell the pages apart: the view page shows
        "操作", the contents page "編集" in its place."""
        x, y, w, h = self.geometry()
        return self.screen.screenshot().crop((x, y + 1, x + 400, y + 19)).convert("L")

    def shown_page(self):
        """The page whose menu bar this one is far nearer to than to the other's (the bar's
        shading changes a little with the window's state)."""
        labels = self.menu_labels()
        far = {p: sum(ImageChops.difference(labels, ref).getdata())
               for p, ref in self.page_labels.items()}
        best = min(far, key=far.get)
        other = max(far.values())
        return best if far[best] * 3 < other else None

    def learn_pages(self):
        """The menu bar of each page, seen once at the start."""
        self.page_labels = {}
        for page, key in (("contents", "F3"), ("view", "F2")):
            before = self.menu_labels().tobytes()
            self.keys(key)
            # Just after the start the window may take the key before its activation
            # has come back: sent again when the menus have not changed.
            if not wait_until(lambda: self.menu_labels().tobytes() != before, 5.0 * self.scale):
                self.notes.append("start: %s resent" % key)
                self.keys(key)
            time.sleep(0.5 * self.scale)
            ref = wait_until(lambda: (lambda a, b: a if a.tobytes() == b.tobytes() else None)(
                self.menu_labels(), self.menu_labels()), 5.0 * self.scale)
            if not ref:
                raise Failure("the menu bar does not settle on the %s page" % page)
            self.page_labels[page] = ref
        if self.page_labels["view"].tobytes() == self.page_labels["contents"].tobytes():
            raise Failure("F2 and F3 show the same menus")
        self.page = "view"

    def go_to(self, page, key):
        if self.page == page and self.shown_page() == page:
            return
        for _ in range(3):
            self.keys(key)
            # The page's menus show once the spread behind them is drawn.
            if self.wait(lambda: self.shown_page() == page, 8.0):
                self.page = page
                return
            # A broken picture's box that came meanwhile took the key, or the window was
            # not active again yet after a box closed (a shortcut needs the active window).
            self.answer_boxes(self.allowed_boxes())
            self.notes.append("%d %s: %s resent" % (self.step_no, self.step_name, key))
        raise Failure("%s did not show the %s page" % (key, page))

    def to_view(self):
        self.go_to("view", "F2")

    def to_contents(self):
        self.go_to("contents", "F3")

    def book(self):
        """(left, top, right, bottom) of the book on the view page, or None."""
        from test_bars import layout
        try:
            _, _, box, _ = layout(self.win())
        except AssertionError:
            return None
        return box

    def colour_rows(self, timeout=2.0):
        """Rows of the colour pictures on the contents page: name -> (comment x, row y,
        thumbnail box), in screen coordinates."""
        x, y, w, h = self.geometry()
        names = {c: n for n, c, _, _ in COLOUR_FILES}

        def rows():
            shot = self.screen.screenshot().crop((x, y, x + w, y + h))
            found = solid_boxes(shot, min_pixels=300)
            return found or None
        found = self.wait(rows, timeout) or {}
        shot = self.screen.screenshot()
        out = {}
        for colour, (l, t, r, b) in found.items():
            if r - l > THUMBNAIL + 2 or b - t > THUMBNAIL + 2:
                continue  # a page of the book, not a thumbnail
            cx, cy = l + x + THUMBNAIL + NAME_COLUMN + 24, y + (t + b) // 2
            # The comment cell must be in view (looked at below its text): a click right of
            # a narrow grid lands on the background, and the typing then goes to the folder
            # tree, whose search by first letters opens another folder.
            if cx < x + w - 30 and cy < y + h - 40 and comment_cell(shot.getpixel((cx, cy + 10))):
                out[names[colour]] = (cx, cy, (l + x, t + y, r + x, b + y))
        return out

    # -- the steps
    def s_turn_key(self, rng):
        self.to_view()
        self.keys(rng.choice(["space", "space", "BackSpace"]))

    def s_turn_menu(self, rng):
        self.to_view()
        self.menu("o", rng.choice("np"))

    def s_turn_click(self, rng):
        self.to_view()
        box = self.book()
        if not box:
            raise Skip("no book found")
        l, t, r, b = box
        pw = (r - l) // 2
        side = rng.choice(["left", "right"])
        if r - l < 60:
            raise Skip("book too narrow")
        x = l + pw // 6 if side == "left" else r - pw // 6
        repeat = rng.choice([1, 1, 1, 2])
        # A click on a picture starts the viewer, which has no file for an archive's (an
        # album saved from an archive is one too).
        if self.list in ("archive", "other"):
            self.expect_boxes |= {"警告"}
        self.screen.click(x, (t + b) // 2, repeat=repeat)

    def s_auto_turn(self, rng):
        self.to_view()
        if self.auto and rng.random() < 0.6:
            self.menu("o", "a", "s")
            self.auto = False
        else:
            self.menu("o", "a", rng.choice("rl"))
            self.auto = True

    def s_popup(self, rng):
        self.to_view()
        box = self.book()
        if not box:
            raise Skip("no book found")
        l, t, r, b = box
        x = rng.randint(l + 5, r - 5)
        # A box that came after the last step's answers would hold the click.
        if self.answer_boxes(self.allowed_boxes()):
            self.focus()
        for attempt in (1, 2):
            seen = set(self.screen.visible_windows(self.proc.pid))
            self.screen.click(x, (t + b) // 2, button=3)
            # A page turn in progress holds the menu back until it ends.
            menu = self.wait(lambda: set(self.screen.visible_windows(self.proc.pid)) - seen, 5.0)
            # A broken picture's box that came first (the spread drawn again) is not the
            # menu: it is answered and the menu asked for again.
            if menu and attempt == 1 and any(self.screen.window_name(w) in BOXES for w in menu):
                self.answer_boxes(self.allowed_boxes())
                self.notes.append("%d %s: a box came before the menu" % (self.step_no,
                                                                         self.step_name))
                self.focus()
                continue
            break
        if not menu:
            raise Failure("no pop-up menu on the page")
        choice = rng.choice(["Escape", "Escape", "b", "s"])
        self.screen.key(choice)
        if choice == "s":
            self.auto = False
        if not self.wait(lambda: not set(self.screen.visible_windows(self.proc.pid)) & menu,
                         3.0):
            raise Failure("the pop-up menu stays open after %s" % choice)

    def search_shown(self):
        """The status bar shows the search field and its buttons, not the scroll bar: read
        off the screen, since a click on "検索" that a box took leaves the mode as it was."""
        try:
            self.win().search_down()
        except AssertionError:
            return False
        return True

    def s_scroll(self, rng):
        self.to_view()
        if self.status_bar:
            self.searching = self.search_shown()
        if not self.status_bar or self.searching:
            raise Skip("no scroll bar")
        try:
            back, forth = self.win().scroll_arrows()
        except AssertionError as e:
            raise Skip(str(e))
        kind = rng.choice(["arrow", "arrow", "trough"])
        if kind == "arrow":
            self.screen.click(*rng.choice([back, forth]), repeat=rng.randint(1, 4))
        else:
            x = rng.randint(back[0] + 12, forth[0] - 12)
            self.screen.click(x, back[1])

    def s_search(self, rng):
        self.to_view()
        if not self.status_bar:
            raise Skip("no status bar")
        win = self.win()
        status = win.status_bar()
        self.searching = self.search_shown()
        if not self.searching:
            self.screen.click(*status["検索"])
            self.searching = True
            time.sleep(0.2 * self.scale)
        if rng.random() < 0.2:
            self.screen.click(*status["検索"])
            self.searching = False
            return
        known = [c for c in (self.comments or {}).values() if c]
        text = rng.choice(known) if known and rng.random() < 0.7 else "nothing%d" % rng.randint(0, 99)
        self.screen.click(*status["field"])
        self.screen.key("ctrl+a")
        self.screen.type_text(text)
        try:
            down = win.search_down()
        except AssertionError as e:
            raise Skip(str(e))
        up = (down[0] + 24, down[1])
        self.screen.click(*rng.choice([down, down, up]))
        self.expect_boxes |= {"情報"}  # not found, or no spread open
        # Its box, when there is one, is this step's: waited for a moment, so that a slow
        # one is not left to the next step.
        self.wait(lambda: any(n == "情報" for _, n in self.others()), 1.0)

    def s_tool_mode(self, rng):
        tools = self.toolbar()
        name = rng.choice(["2分割", "4分割", "右開き", "左開き", "通常描画", "きれいに描画"])
        self.screen.click(*tools[name])

    def s_fullscreen(self, rng):
        self.menu("w", "a")
        self.fullscreen = not self.fullscreen
        self.tools = None

    def s_bars(self, rng):
        key = rng.choice("hfbcs")
        self.menu("w", key)
        if key == "h":
            for k in self.bars:
                self.bars[k] = self.hide_all
            self.hide_all = not self.hide_all
        elif key == "s":
            self.status_bar = not self.status_bar
        else:
            self.bars[key] = not self.bars[key]
        self.tools = None

    def s_page(self, rng):
        how = rng.choice(["key", "key", "tool"])
        target = rng.choice(["view", "contents"])
        if how == "key":
            def switch():
                self.keys("F2" if target == "view" else "F3")
        else:
            try:
                tools = self.toolbar() if self.page == "view" else self.tools
            except Skip:
                tools = None
            if not tools or not all(self.bars.values()):
                raise Skip("no toolbar")
            button = tools["ビュー" if target == "view" else "目次"]

            def switch():
                self.screen.click(*button)
        switch()
        if not self.wait(lambda: self.shown_page() == target, 3.0):
            # A broken picture's box that an automatic turn opened took the key or click:
            # answered, and the page asked for again.
            if not self.answer_boxes(self.allowed_boxes()):
                raise Failure("the %s page did not show" % target)
            self.notes.append("%d %s: asked again after a box" % (self.step_no, self.step_name))
            self.focus()
            switch()
            if not self.wait(lambda: self.shown_page() == target, 3.0):
                raise Failure("the %s page did not show" % target)
        self.page = target

    def s_folder_tree(self, rng):
        """The folder tree: down from the album's folder to its neighbour, then back up."""
        if self.list != "folder":
            raise Skip("no folder listed")
        self.to_contents()
        rows = self.colour_rows(3.0)
        if not rows:
            raise Skip("no colour rows shown")
        grid_left = min(box[0] for _, _, box in rows.values())
        x, y, w, h = self.geometry()
        px = self.screen.screenshot().load()
        # The tree's selected row, left of the grid: the selection colour.
        hit = None
        for j in range(y + 40, y + h - 150, 2):
            for i in range(max(x, grid_left - 170), grid_left - 10, 3):
                r, g, b = px[i, j]
                if 30 <= r <= 80 and 110 <= g <= 170 and 170 <= b <= 230:
                    hit = (i + 6, j)
                    break
            if hit:
                break
        if not hit:
            raise Skip("no selected folder in the tree")

        def caption(name):
            return lambda: self.screen.window_name(self.main()) == "Folivex - " + name

        def step_tree(actions, name, what):
            # A broken row's box that the grid's paint opened takes the key: answered, and
            # the tree clicked (on the album's row) and keyed again, as a person would.
            for attempt in (1, 2):
                for act in actions[attempt - 1]:
                    act()
                if self.wait(caption(name), 3.0):
                    return
                if attempt == 1 and self.answer_boxes(self.allowed_boxes()):
                    self.notes.append("%d %s: keyed again after a box"
                                      % (self.step_no, self.step_name))
                    continue
                break
            self.list, self.comments = "other", None
            raise Failure("the folder tree did not step %s: %r"
                          % (what, self.screen.window_name(self.main())))
        click, down, up = (lambda: self.screen.click(*hit), lambda: self.screen.key("Down"),
                           lambda: self.screen.key("Up"))
        step_tree([(click, down), (click, down)], "other", "to the album's neighbour")
        step_tree([(up,), (click,)], "album", "back to the album")
        self.comments = self.fresh_folder()

    def s_type_comment(self, rng):
        self.stop_auto_turn()
        self.to_contents()
        rows = self.colour_rows()
        if not rows:
            raise Skip("no colour rows shown")
        name = rng.choice(sorted(rows))
        cx, cy, _ = rows[name]
        text = "c%d-%d" % (self.step_no, rng.randint(0, 999))
        # A click into an editor still open puts the caret where it lands, so the text
        # typed before is selected first, as a person replacing it would.
        self.type_into_cell(cx, cy, text, select_all=self.editor_left == name)
        self.editor_left = name
        if rng.random() < 0.5:
            self.screen.key("Return")
            self.editor_left = None
        if self.comments is not None:
            self.comments[name] = text

    def type_into_cell(self, cx, cy, text, select_all=False):
        """A box that the page's painting opens (a broken picture's thumbnail) takes the
        click or the keys meant for the cell; the box is answered and the cell typed into
        again, which replaces whatever part of the text reached it."""
        for _ in range(3):
            self.click_row(cx, cy)
            if select_all:
                self.screen.key("ctrl+a")
            self.screen.type_text(text)
            time.sleep(0.05)
            if not self.others():
                return
            self.answer_boxes(self.allowed_boxes())
            self.screen.key("Escape")  # an editor left open would take the next text after it
        raise Skip("boxes kept taking the typing")

    def click_row(self, x, y):
        """A row is clicked again when a box that the page's painting opened (a broken
        picture's thumbnail) took the click: the caret would stay where the page switch
        put it, on the spread's picture, and a command would act on that row instead."""
        for _ in range(3):
            self.answer_boxes(self.allowed_boxes())
            self.screen.click(x, y)
            time.sleep(0.1)
            if not self.others():
                return
        raise Skip("boxes kept taking the click on the row")

    def s_delete_row(self, rng):
        self.stop_auto_turn()
        self.to_contents()
        rows = self.colour_rows()
        if len(rows) < 3:
            raise Skip("too few colour rows")
        name = rng.choice(sorted(rows))
        _, cy, box = rows[name]
        self.click_row(box[2] + 30, cy)
        self.menu("e", "d")
        if not self.wait(lambda: name not in self.colour_rows(0), 3.0):
            raise Failure("row %s not deleted" % name)
        if self.comments is not None:
            self.comments.pop(name, None)

    def s_add_row(self, rng):
        self.stop_auto_turn()
        self.to_contents()
        if self.list not in ("folder", "album") or self.comments is None:
            raise Skip("no known list to add to")
        missing = [n for n, _, _, _ in COLOUR_FILES if n not in self.comments]
        rows = self.colour_rows()
        missing = [n for n in missing if n not in rows]
        if not missing:
            raise Skip("nothing deleted to add again")
        name = rng.choice(missing)
        self.menu("e", "a")
        # The dialog opens in the album's folder.
        self.type_into_dialog(self.file_dialog("add-picture"), name)
        self.comments[name] = ""

    def s_move_row(self, rng):
        self.stop_auto_turn()
        self.to_contents()
        rows = self.colour_rows()
        if len(rows) < 2:
            raise Skip("too few colour rows")
        a, b = rng.sample(sorted(rows), 2)
        _, ay, abox = rows[a]
        _, by, _ = rows[b]
        ax = (abox[0] + abox[2]) // 2
        self.screen.move(ax, ay)
        time.sleep(0.05)
        self.screen.xdotool("mousedown", "1")
        for i in range(1, 9):
            self.screen.move(ax, ay + (by + 4 - ay) * i // 8)
            time.sleep(0.02)
        self.screen.xdotool("mouseup", "1")

    def s_thumbnail_cache(self, rng):
        self.to_contents()
        self.menu("e", "t")
        time.sleep(rng.choice([0.2, 1.0]) * self.scale)
        self.screen.key("Escape")

    def s_save(self, rng):
        before = {n: os.stat(os.path.join(self.ajvs, n)).st_mtime_ns
                  for n in os.listdir(self.ajvs)} if os.path.isdir(self.ajvs) else {}
        try:
            tools = self.toolbar() if rng.random() < 0.5 else None
        except Skip:
            tools = None
        def issue():
            if tools:
                self.screen.click(*tools["保存"])
            else:
                self.menu("f", "s")
        first = self.command(issue, {"確認"}, "save dialog")
        cancel = rng.random() < 0.15
        self.answer(first[0], "Escape" if cancel else "Return")
        if not self.gone(first[0]):
            raise Failure("the save dialog stays open")
        if cancel:
            return
        def written():
            return [n for n in os.listdir(self.ajvs) if n.endswith(".ajv") and
                    before.get(n) != os.stat(os.path.join(self.ajvs, n)).st_mtime_ns]
        # When the album exists: overwrite it (yes); then the report, once it is written.
        for _ in range(4):
            box = self.wait_other({"確認", "警告"}, 5.0)
            if not box:
                break
            report = bool(written())
            self.answer(box[0], "Return")
            if not self.gone(box[0]):
                raise Failure("box %r stays open" % box[1])
            if report:
                break
        if not written():
            raise Failure("the save wrote no album file")
        written = written()
        path = os.path.join(self.ajvs, written[0])
        self.check_album(path)
        if path not in self.saved:
            self.saved.append(path)

    def check_album(self, path):
        lines = read_album(path)
        count = int(lines[0])
        rows = [(lines[1 + 2 * i], lines[2 + 2 * i]) for i in range(count)]
        self.albums_checked += 1
        if self.comments is None or self.list not in ("folder", "album"):
            return
        got = dict(rows)
        if len(got) != len(rows):
            raise Failure("album %s lists a picture twice: %r" % (path, rows))
        for name, comment in got.items():
            want = self.comments.get(name, "")
            if name in {n for n, _, _, _ in COLOUR_FILES} and name not in self.comments:
                raise Failure("album %s holds the deleted row %s" % (path, name))
            if comment != want:
                raise Failure("album %s: %s has comment %r, typed %r" % (path, name, comment, want))
        for name in self.comments:
            if name not in got:
                raise Failure("album %s lost the row %s" % (path, name))

    def loaded_album(self, path):
        rows = read_album(path)
        count = int(rows[0])
        self.list = "album"
        self.comments = {rows[1 + 2 * i]: rows[2 + 2 * i] for i in range(count)}
        if set(self.comments) - {os.path.basename(p) for p in self.pictures}:
            self.list, self.comments = "other", None

    def s_open_dialog(self, rng):
        choices = self.saved + self.made["archive"]
        target = rng.choice(choices)
        try:
            tools = self.toolbar() if rng.random() < 0.5 else None
        except Skip:
            tools = None
        if tools:
            self.screen.click(*tools["開く"])
        else:
            self.menu("f", "o")
        dialog = self.file_dialog("album-open")
        if rng.random() < 0.15:
            self.answer(dialog, "Escape")
            if not self.gone(dialog):
                raise Failure("the open dialog stays open after Escape")
            self.page = "view"  # the book closes to its cover, whatever was chosen
            return
        # The dialog opens in the album folder; the archive is two levels up.
        name = os.path.basename(target) if target.endswith(".ajv") else os.path.relpath(
            target, self.ajvs)
        self.type_into_dialog(dialog, name)
        self.opened(target)

    def command(self, issue, names, what):
        """Issues a command that opens a box or dialog of one of `names`; a box that an
        automatic turn opened first (a broken picture's) is answered and the command given
        again, since that box took the keys meant for it."""
        for attempt in (1, 2):
            issue()
            found = self.wait(lambda: next(((w, n) for w, n in self.others()
                                            if n in names or n in self.allowed_boxes()),
                                           None), 5.0)
            if found and found[1] in names:
                return found
            if not found:
                break
            self.answer_boxes(self.allowed_boxes())
            self.focus()
        raise Failure("no %s: open %r" % (what, self.others()))

    def stop_auto_turn(self):
        """An editing step stops automatic turning first, as a person would: the grid's
        caret follows the turning pages, so a tick between a click on a cell and the
        typing moves the typing to another row."""
        if self.auto:
            page = self.page
            self.to_view()
            self.menu("o", "a", "s")
            self.auto = False
            if page == "contents":
                self.to_contents()

    def file_dialog(self, what):
        """The file dialog just opened (a box that came meanwhile is answered first)."""
        def look():
            for w, name in self.others():
                if name not in BOXES:
                    return w
            # The dialog may show meanwhile: it is left for the next look.
            self.answer_boxes(self.allowed_boxes(), boxes_only=True)
            return None
        dialog = self.wait(look, 5.0)
        if not dialog:
            raise Failure("no %s dialog" % what)
        return dialog

    def type_into_dialog(self, dialog, text):
        """A file name typed into the dialog's name field and taken with Return; a second
        Return when the first only closed the field's completion list."""
        time.sleep(0.2 * self.scale)
        self.answer_boxes(self.allowed_boxes(), under=dialog)
        self.screen.type_text(text)
        time.sleep(0.2 * self.scale)
        self.screen.key("Return")
        if not self.gone(dialog, 1.5):
            self.answer_boxes(self.allowed_boxes(), under=dialog)
            self.screen.key("Return")
            if not self.gone(dialog, 5.0):
                raise Failure("the file dialog stays open after %r: %r" % (text, self.others()))

    def opened(self, target):
        self.auto = False
        self.page = "view"
        if target.endswith(".ajv"):
            if not self.wait(lambda: self.screen.window_name(self.main()).startswith(ALBUM_MODE),
                             8.0):
                raise Failure("album %s not shown: caption %r"
                              % (target, self.screen.window_name(self.main())))
            self.loaded_album(target)
        elif target.endswith(".cbz"):
            self.list, self.comments = "archive", None
        else:
            self.list, self.comments = "folder", self.fresh_folder()
        if not target.endswith(".ajv") and not self.wait(
                lambda: not self.screen.window_name(self.main()).startswith(ALBUM_MODE), 8.0):
            raise Failure("still in album mode after opening %s" % target)

    def answer_error_boxes(self):
        for w, name in self.others():
            if name == "ｴﾗｰ":
                self.answer(w, "Return")
                self.gone(w)
                self.error_boxes += 1

    def s_second_start(self, rng):
        kind = rng.choice(["folder", "archive", "picture", "album", "nothing"])
        if kind == "album" and not self.saved:
            kind = "folder"
        target = {"folder": self.folder, "archive": self.made["archive"][0],
                  "picture": rng.choice(self.made["colour"] + self.made["photo"] +
                                        self.made["format"]),
                  "album": rng.choice(self.saved) if self.saved else None,
                  "nothing": None}[kind]
        if self.verbose:
            self.log("%d second start with %s" % (self.step_no, target))
        broken_before = self.broken_listed()
        second = self.program.start(*([target] if target else []))
        end = time.monotonic() + 30 * self.scale
        while second.poll() is None and time.monotonic() < end:
            # A forwarded album waits for the cover; a box shown meanwhile is answered.
            if broken_before:
                self.answer_error_boxes()
            time.sleep(0.1)
        if second.poll() is None:
            stop_process(second)
            raise Failure("the second start with %r did not end" % target)
        if second.returncode != 0:
            raise Failure("the second start with %r ended with %d" % (target, second.returncode))
        if broken_before:
            # The old list stays on screen until the new one is read, and a broken row
            # painted meanwhile is reported; a second report waits for the first box.
            time.sleep(0.2 * self.scale)
            self.answer_error_boxes()
        if target:
            self.opened(target)

    def s_options(self, rng):
        try:
            tools = self.toolbar() if rng.random() < 0.5 else None
        except Skip:
            tools = None
        if not tools and self.page != "view":
            raise Skip("the options are reached from the view page's menu")
        def issue():
            if tools:
                self.screen.click(*tools["環境設定"])
            else:
                self.menu("e", "c")
        dialog = self.command(issue, {"環境設定"},
                              "options dialog (%s)" % ("toolbar" if tools else "menu"))
        time.sleep(0.2 * self.scale)
        self.answer(dialog[0], rng.choice(["Escape", "Return"]))
        if not self.gone(dialog[0], 8.0):
            raise Failure("the options dialog stays open")
        self.tools = None

    def s_title(self, rng):
        tools = self.toolbar()
        dialog = self.command(lambda: self.screen.click(*tools["タイトル"]), {"タイトルの変更"},
                              "title box")
        time.sleep(0.1 * self.scale)
        if rng.random() < 0.5:
            self.answer(dialog[0], "Escape")
        else:
            self.answer(dialog[0], "ctrl+a")
            title = "t%d" % self.step_no
            self.screen.type_text(title)
            self.screen.key("Return")
        if not self.gone(dialog[0]):
            raise Failure("the title box stays open")

    def s_resize(self, rng):
        w, h = rng.randint(MIN_W, harness.SCREEN_W - 40), rng.randint(MIN_H, harness.SCREEN_H - 40)
        wid = self.main()
        self.screen.xdotool("windowmove", wid, str((harness.SCREEN_W - w) // 2),
                            str((harness.SCREEN_H - h) // 2))
        self.screen.xdotool("windowsize", wid, str(w), str(h))
        if not self.wait(lambda: self.screen.geometry(wid)[2:] == (w, h), 3.0):
            raise Failure("window not resized to %dx%d: %r" % (w, h, self.screen.geometry(wid)))
        self.tools = None

    def s_version(self, rng):
        dialog = self.command(lambda: self.menu("h", "v"), {"バージョン情報"}, "version box")
        self.answer(dialog[0], "Return")
        if not self.gone(dialog[0]):
            raise Failure("the version box stays open")

    STEPS = [  # name, weight
        ("turn_key", 10), ("turn_menu", 2), ("turn_click", 5), ("auto_turn", 2), ("popup", 1),
        ("scroll", 3), ("search", 2), ("tool_mode", 5), ("fullscreen", 1), ("bars", 3),
        ("page", 4), ("folder_tree", 1), ("type_comment", 4), ("delete_row", 1),
        ("add_row", 2), ("move_row", 1), ("thumbnail_cache", 1), ("save", 2),
        ("open_dialog", 1), ("second_start", 2), ("options", 2), ("title", 1),
        ("resize", 2), ("version", 1),
    ]

    @staticmethod
    def fresh_folder():
        return {n: "" for n, _, _, _ in COLOUR_FILES}

    def allowed_boxes(self):
        allowed = set(self.expect_boxes)
        if self.broken_listed():
            allowed.add("ｴﾗｰ")
        return allowed

    def broken_listed(self):
        return self.list in ("folder", "album", "other")

    # -- the run
    def choose(self, n):
        rng = random.Random("%d:%d" % (self.seed, n))
        names = [s for s, _ in self.STEPS]
        weights = [w for _, w in self.STEPS]
        return rng.choices(names, weights)[0], rng

    def run(self):
        self.started = time.monotonic()
        try:
            self.start()
            for n in range(1, self.until + 1):
                self.step_no = n
                name, rng = self.choose(n)
                self.step_name = name
                self.expect_boxes = set()
                t0 = time.monotonic()
                try:
                    getattr(self, "s_" + name)(rng)
                except Skip as why:
                    self.skipped[name] = self.skipped.get(name, 0) + 1
                    self.notes.append("%d %s skipped: %s" % (n, name, why))
                    if self.verbose:
                        self.log(self.notes[-1])
                    continue
                self.counts[name] = self.counts.get(name, 0) + 1
                self.after_step()
                if self.verbose:
                    self.log("%d %s %.2f s, %r" % (n, name, time.monotonic() - t0,
                                                   self.screen.window_name(self.main())))
                if n % 10 == 0:
                    self.check_display()
                if n % 50 == 0:
                    self.check_outside()
                    self.log("step %d/%d: rss %d kB, %d fds, %d threads, %.0f s"
                             % ((n, self.until) + self.samples[-1][1:] +
                                (time.monotonic() - self.started,)))
            self.check_outside()
            self.check_growth()
        except Failure as e:
            self.keep = True
            shot = os.path.join(self.tmp, "failure.png")
            try:
                self.screen.screenshot().save(shot)
                self.log("screen at the failure: %s (kept with --keep)" % shot)
            except Exception as why:  # the report matters more than the picture
                self.log("no screenshot: %s" % why)
            e = "%s [list %s, page %s, auto-turn %s]" % (e, self.list, self.page, self.auto)
            raise Failure("seed %d, step %d (%s): %s\nreplay: python3 tests/e2e/soak.py "
                          "--seed %d --steps %d --until %d\n--- program output (tail) ---\n%s"
                          % (self.seed, self.step_no, self.step_name, e, self.seed, self.steps,
                             self.step_no, self.program.log_text()[-4000:]))
        self.elapsed = time.monotonic() - self.started

    def after_step(self):
        if self.proc.poll() is not None:
            raise Failure("the program ended with %r" % self.proc.returncode)
        time.sleep(0.05)
        answered = self.answer_boxes(self.allowed_boxes())
        self.error_boxes += answered.count("ｴﾗｰ")
        if answered:
            self.focus()
        if self.proc.poll() is not None:
            raise Failure("the program ended with %r" % self.proc.returncode)
        self.probe()
        # The probe's resize draws the spread again; one that cannot be read reports it
        # again, and its box is answered here, not left over the next step.
        time.sleep(0.1 * self.scale)
        if self.answer_boxes(self.allowed_boxes()):
            self.focus()
        self.samples.append((self.step_no,) + sample(self.proc.pid))

    def check_display(self):
        """Only the soak's own program shows on its screen: a window of another client (a
        stray test given the same display) would take input meant for this one."""
        every = set(self.screen.xdotool("search", "--onlyvisible", "--name", "",
                                        check=False).split())
        mine = set()
        for proc in self.program.procs:
            if proc.poll() is None:
                mine |= set(self.screen.visible_windows(proc.pid))
        foreign = sorted(w for w in every - mine if self.screen.window_name(w))
        if foreign:
            raise Failure("windows of another client on the soak's display: %r"
                          % [(w, self.screen.window_name(w)) for w in foreign])

    def check_outside(self):
        now = self.outside_listing()
        changed = sorted(k for k in set(now) | set(self.before)
                         if now.get(k) != self.before.get(k))
        # The toolkit's file dialog keeps its history in the home's QtProject.conf.
        toolkit = [k for k in changed if k == os.path.join("home", ".config", "QtProject.conf")]
        changed = [k for k in changed if k not in toolkit]
        if changed:
            raise Failure("written outside the program's folder: %r" % changed[:20])
        if toolkit and "toolkit: QtProject.conf" not in self.notes:
            self.notes.append("toolkit: QtProject.conf")

    def check_growth(self):
        self.figures = {}
        for i, (what, floor) in enumerate((("rss_kb", 24 * 1024), ("fds", 8), ("threads", 4))):
            values = [s[1 + i] for s in self.samples]
            g = growth(values)
            if not g:
                continue
            a, b, rel = g
            self.figures[what] = {"half": a, "end": b, "growth": rel, "peak": max(values),
                                  "first": values[0]}
            if rel > 0.10 and b - a > floor and (what != "rss_kb" or self.judge_memory):
                raise Failure("%s grew from %d to %d (%.0f%%) over the second half"
                              % (what, a, b, 100 * rel))

    def report(self):
        s = self.samples
        out = {"seed": self.seed, "steps": len(s), "seconds": round(self.elapsed, 1),
               "rss_peak_kb": max(x[1] for x in s), "rss_final_kb": s[-1][1],
               "fds_peak": max(x[2] for x in s), "fds_final": s[-1][2],
               "threads_peak": max(x[3] for x in s), "threads_final": s[-1][3],
               "growth": getattr(self, "figures", {}), "counts": self.counts,
               "skipped": self.skipped, "error_boxes": self.error_boxes,
               "albums_checked": self.albums_checked, "menu_retries": self.menu_retries,
               "slow_repaints": len(self.slow_repaints),
               "slowest_repaint_s": max([t for _, _, t in self.slow_repaints], default=0),
               "time_scale": self.scale}
        return out


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--steps", type=int, default=300)
    p.add_argument("--until", type=int, help="stop after this step (replays a failure)")
    p.add_argument("--hold", action="store_true",
                   help="keep the program running after the last step, until Enter")
    p.add_argument("--keep", action="store_true", help="keep the soak's folder")
    p.add_argument("--report", help="write the figures to this JSON file")
    p.add_argument("--samples", help="write every step's rss/fds/threads to this CSV file")
    args = p.parse_args(argv)
    soak = Soak(args.seed, args.steps, args.until, keep=args.keep or args.hold)
    rc = 0
    try:
        soak.run()
        rep = soak.report()
        print(json.dumps(rep, indent=1, ensure_ascii=False))
        if args.report:
            with open(args.report, "w") as f:
                json.dump(rep, f, indent=1, ensure_ascii=False)
    except Failure as e:
        print("SOAK FAILED: %s" % e)
        rc = 1
    finally:
        if args.samples and soak.samples:
            with open(args.samples, "w") as f:
                f.write("step,rss_kb,fds,threads\n")
                for row in soak.samples:
                    f.write("%d,%d,%d,%d\n" % row)
        if args.hold:
            print("held: display %s, folder %s; Enter ends" % (soak.screen.display, soak.tmp))
            sys.stdin.readline()
        exit_rc = soak.stop()
        if rc == 0 and exit_rc not in (0, None):
            print("SOAK FAILED: the program ended with %r at the close\n%s"
                  % (exit_rc, soak.final_log[-4000:]))
            rc = 1
    return rc


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
