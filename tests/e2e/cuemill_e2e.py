"""Drives Windows programs under Wine in Xvfb from outside, as a user would.

A Session owns one Wine prefix, one X display, a kept-alive wineserver and one probe.exe that
answers questions about windows (titles, list rows, status texts, message boxes). Keyboard and
mouse input goes through xdotool into the X server, screenshots come from ImageMagick's import.
Every wait is a poll with a deadline; nothing sleeps for a fixed time to let things settle.
"""

import collections
import fcntl
import os
import shutil
import subprocess
import tempfile
import time

POLL = 0.05

Window = collections.namedtuple(
    "Window", "hwnd pid cls visible enabled left top right bottom owner title")
Child = collections.namedtuple(
    "Child", "hwnd id cls visible enabled left top right bottom parent text")
Row = collections.namedtuple("Row", "index selected focused cells")
Box = collections.namedtuple("Box", "hwnd title text buttons rect")


class E2EError(AssertionError):
    """A step of a test could not be done or a condition was not met in time."""


def unescape(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(n, n))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def escape(s):
    return s.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def wait_for(condition, timeout, what):
    """Polls condition() until it returns something true; fails naming what was awaited and
    the last value seen."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = condition()
        if last:
            return last
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.1f s waiting for %s (last: %r)" % (timeout, what, last))
        time.sleep(POLL)


class Image:
    """An RGB screenshot of the whole screen."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, left, top, right, bottom, match):
        """Number of pixels in [left, right) x [top, bottom) for which match(rgb) holds."""
        n = 0
        for y in range(max(top, 0), min(bottom, self.height)):
            row = self.data[(y * self.width) * 3:(y * self.width + self.width) * 3]
            for x in range(max(left, 0), min(right, self.width)):
                if match((row[x * 3], row[x * 3 + 1], row[x * 3 + 2])):
                    n += 1
        return n

    def distinct_colours(self, left, top, right, bottom, step=2):
        seen = set()
        for y in range(max(top, 0), min(bottom, self.height), step):
            for x in range(max(left, 0), min(right, self.width), step):
                seen.add(self.pixel(x, y))
        return seen


def parse_ppm(blob):
    # P6 <w> <h> <max> then raw bytes; comments are not produced by import.
    fields, pos = [], 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not blob[pos:pos + 1].isspace():
            pos += 1
        fields.append(blob[start:pos])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise E2EError("unexpected screenshot format %r" % fields[:4])
    width, height = int(fields[1]), int(fields[2])
    data = blob[pos + 1:pos + 1 + width * height * 3]
    return Image(width, height, data)


class Session:
    """One display, one Wine prefix, one probe. Use as a context manager."""

    def __init__(self, probe_exe, prefix=None, display=None):
        if not os.path.isfile(probe_exe):
            raise E2EError("probe.exe not found: %s" % probe_exe)
        self.probe_exe = probe_exe
        self.prefix = prefix or os.environ.get("CUEMILL_E2E_PREFIX") or os.path.join(
            tempfile.gettempdir(), "cuemill-e2e-prefix")
        self.display = display or os.environ.get("DISPLAY") or ""
        self.xvfb = None
        self.probe = None
        self.pids = []
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
        })

    # -- set-up and tear-down -------------------------------------------------------------

    def __enter__(self):
        try:
            self._start_display()
            self._prepare_prefix()
            subprocess.run(["wineserver", "-p"], env=self.env)  # fails harmlessly when one runs
            self._start_probe()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start_display(self):
        if self.display:
            self.env["DISPLAY"] = self.display
            if self._display_alive():
                return
        # Start our own server on the first free number from 108 on.
        for n in range(108, 160):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            self.display = ":%d" % n
            self.env["DISPLAY"] = self.display
            self.xvfb = subprocess.Popen(
                ["Xvfb", self.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_for(self._display_alive, 10, "Xvfb on %s" % self.display)
            return
        raise E2EError("no free X display number")

    def _display_alive(self):
        return subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

    def _prepare_prefix(self):
        os.makedirs(self.prefix, exist_ok=True)
        ready = os.path.join(self.prefix, ".cuemill-e2e-ready")
        with open(os.path.join(self.prefix, ".lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if os.path.exists(ready):
                return
            subprocess.run(["wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            # Without a window manager, managed windows make Wine wait for the WM after each dialog.
            subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                            "/d", "N", "/f"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True)
            subprocess.run(["wineserver", "-w"], env=self.env)
            open(ready, "w").close()

    def _start_probe(self):
        self._pending = b""
        self.probe = subprocess.Popen(["wine", self.probe_exe], env=self.env, stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, bufsize=0)
        self.ask("ping", timeout=60)

    def close(self):
        for pid in self.pids:
            try:
                if self.alive(pid):
                    self.ask("kill\t%d" % pid)
            except Exception:
                pass
        self.pids = []
        if self.probe:
            try:
                self.probe.stdin.write(b"quit\n")
                self.probe.stdin.flush()
                self.probe.wait(5)
            except Exception:
                self.probe.kill()
            self.probe.stdin.close()
            self.probe.stdout.close()
            self.probe = None
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(5)
            self.xvfb = None

    # -- the probe ------------------------------------------------------------------------

    def ask(self, command, timeout=20):
        """Sends one command to the probe; returns its answer lines split into fields."""
        if self.probe is None or self.probe.poll() is not None:
            raise E2EError("the probe is not running")
        self.probe.stdin.write(command.encode("utf-8") + b"\n")
        self.probe.stdin.flush()
        lines = []
        deadline = time.monotonic() + timeout
        while True:
            raw = self._read_line(deadline, command)
            text = raw.decode("utf-8", "replace").rstrip("\r\n")
            if text == ".":
                return lines
            if text.startswith("ERR "):
                raise E2EError("probe: %s: %s" % (command.split("\t")[0], text[4:]))
            lines.append([unescape(f) for f in text.split("\t")])

    def _read_line(self, deadline, command):
        # Our own buffer over the raw pipe: select() knows nothing of a file object's buffer.
        import select
        fd = self.probe.stdout.fileno()
        while b"\n" not in self._pending:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise E2EError("probe did not answer %r in time" % command)
            ready, _, _ = select.select([fd], [], [], remaining)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise E2EError("probe ended while answering %r" % command)
                self._pending += chunk
        line, _, self._pending = self._pending.partition(b"\n")
        return line

    # -- processes ------------------------------------------------------------------------

    def start(self, exe, args=(), cwd=None):
        """Starts a Windows program; args are Windows-side strings. Returns its process id."""
        win_exe = self.winpath(exe)
        parts = ['"%s"' % win_exe] + ['"%s"' % a for a in args]
        win_cwd = self.winpath(cwd) if cwd else ""
        answer = self.ask("start\t%s\t%s" % (escape(win_cwd), escape(" ".join(parts))), timeout=60)
        pid = int(answer[0][1])
        self.pids.append(pid)
        return pid

    def alive(self, pid):
        return self.ask("alive\t%d" % pid)[0][0] == "running"

    def exit_code(self, pid):
        answer = self.ask("alive\t%d" % pid)[0]
        return None if answer[0] == "running" else int(answer[1])

    def winpath(self, path):
        # A prefix maps Z: to the Unix root. Converting here spares a Wine process, and
        # winepath has been seen to fail now and then while a wineserver shuts down.
        path = os.path.abspath(path)
        if os.path.realpath(os.path.join(self.prefix, "dosdevices", "z:")) == "/":
            return "Z:" + path.replace("/", "\\")
        out = subprocess.run(["winepath", "-w", path], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        return out.decode("utf-8").strip()

    # -- windows --------------------------------------------------------------------------

    def windows(self, pid=0):
        return [Window(int(f[0]), int(f[1]), f[2], f[3] == "1", f[4] == "1", int(f[5]), int(f[6]),
                       int(f[7]), int(f[8]), int(f[9]), f[10]) for f in self.ask("windows\t%d" % pid)]

    def children(self, hwnd):
        return [Child(int(f[0]), int(f[1]), f[2], f[3] == "1", f[4] == "1", int(f[5]), int(f[6]),
                      int(f[7]), int(f[8]), int(f[9]), f[10]) for f in self.ask("children\t%d" % hwnd)]

    def child(self, hwnd, id=None, cls=None):
        for c in self.children(hwnd):
            if (id is None or c.id == id) and (cls is None or c.cls.lower() == cls.lower()):
                return c
        return None

    def wait_window(self, pid, cls=None, title=None, timeout=30):
        """A visible top-level window of the process with that class and title."""
        def find():
            for w in self.windows(pid):
                if w.visible and (cls is None or w.cls == cls) and (title is None or w.title == title):
                    return w
            return None
        return wait_for(find, timeout, "window class=%r title=%r" % (cls, title))

    def window(self, hwnd):
        for w in self.windows():
            if w.hwnd == hwnd:
                return w
        return None

    def text(self, hwnd):
        return self.ask("text\t%d" % hwnd)[0][0]

    def set_text(self, hwnd, text):
        self.ask("settext\t%d\t%s" % (hwnd, escape(text)))

    def rows(self, list_hwnd):
        rows = []
        for f in self.ask("rows\t%d" % list_hwnd):
            if f[0] == "row":
                state = int(f[2])
                rows.append(Row(int(f[1]), bool(state & 1), bool(state & 2), f[3:]))
        return rows

    def cells(self, list_hwnd):
        return [r.cells for r in self.rows(list_hwnd)]

    def client_rect(self, hwnd):
        """A window's client area in screen pixels: (left, top, right, bottom)."""
        return tuple(int(v) for v in self.ask("client\t%d" % hwnd)[0])

    def item_rect(self, list_hwnd, row):
        return tuple(int(v) for v in self.ask("itemrect\t%d\t%d" % (list_hwnd, row))[0])

    def status(self, bar_hwnd):
        return [f[2] for f in self.ask("status\t%d" % bar_hwnd) if f[0] == "part"]

    def status_edges(self, bar_hwnd):
        """The right edge of each part of a status bar, in its client pixels."""
        return [int(f[2]) for f in self.ask("status\t%d" % bar_hwnd) if f[0] == "edge"]

    def focus(self, pid):
        f = self.ask("focus\t%d" % pid)[0]
        return {"active": int(f[0]), "focus": int(f[1]), "foreground": int(f[2]), "focus_id": int(f[3]),
                "focus_class": f[4]}

    def command(self, hwnd, command_id):
        self.ask("menu\t%d\t%d" % (hwnd, command_id))

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.ask("post\t%d\t%d\t%d\t%d" % (hwnd, msg, wparam, lparam))

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return int(self.ask("send\t%d\t%d\t%d\t%d" % (hwnd, msg, wparam, lparam))[0][0])

    def click_button(self, dialog_hwnd, label):
        self.ask("click\t%d\t%s" % (dialog_hwnd, escape(label)))

    # -- message boxes --------------------------------------------------------------------

    def boxes(self, pid):
        """The visible dialog-class windows of the process, with their static texts and buttons."""
        found = []
        for w in self.windows(pid):
            if w.cls != "#32770" or not w.visible:
                continue
            kids = self.children(w.hwnd)
            statics = [c.text for c in kids if c.cls.lower() == "static" and c.text]
            buttons = [c.text.replace("&", "") for c in kids if c.cls.lower() == "button" and c.visible]
            found.append(Box(w.hwnd, w.title, "\n".join(statics), buttons,
                             (w.left, w.top, w.right, w.bottom)))
        return found

    def wait_box(self, pid, title, timeout=20, owner_title=None):
        """A visible dialog titled exactly so."""
        def find():
            for b in self.boxes(pid):
                if b.title == title:
                    return b
            return None
        try:
            return wait_for(find, timeout, "dialog %r" % title)
        except E2EError as e:
            raise E2EError("%s; open dialogs: %r" % (e, [(b.title, b.text) for b in self.boxes(pid)]))

    def answer(self, pid, title, button, timeout=20):
        """Waits for the dialog, clicks its button and waits until it is gone; returns the box."""
        box = self.wait_box(pid, title, timeout)
        self.click_button(box.hwnd, button)
        wait_for(lambda: not any(w.hwnd == box.hwnd and w.visible for w in self.windows(pid)),
                 timeout, "dialog %r to close after %r" % (title, button))
        return box

    def no_boxes(self, pid, ignore=()):
        return [b for b in self.boxes(pid) if b.title not in ignore]

    # -- X input --------------------------------------------------------------------------

    def xdo(self, *args):
        try:
            r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
        except subprocess.TimeoutExpired:
            raise E2EError("xdotool %s did not finish" % " ".join(map(str, args)))
        if r.returncode != 0:
            raise E2EError("xdotool %s failed: %s" % (" ".join(map(str, args)), r.stderr.decode()))
        return r.stdout.decode()

    def x_window(self, title, timeout=20):
        """The X window id of a Wine window, found by its exact title."""
        def find():
            r = subprocess.run(["xdotool", "search", "--name", "^%s$" % _regex_escape(title)],
                               env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            ids = r.stdout.decode().split()
            return ids[-1] if ids else None
        return wait_for(find, timeout, "X window %r" % title)

    def activate(self, title):
        """Gives an X window the input focus so that keys reach it."""
        xid = self.x_window(title)
        self.xdo("windowfocus", "--sync", xid)
        return xid

    def key(self, *keys, title=None):
        """Presses keys (xdotool names: Return, Delete, Insert, F4, ctrl+s, Left) in order."""
        if title:
            self.activate(title)
        self.xdo("key", "--delay", "30", *keys)

    def key_down(self, key):
        self.xdo("keydown", key)

    def key_up(self, key):
        self.xdo("keyup", key)

    def type(self, text, title=None):
        if title:
            self.activate(title)
        self.xdo("type", "--delay", "20", text)

    def drag(self, x0, y0, points, keys=(), between=None):
        """Presses the left button at (x0, y0), moves through each (x, y) of points and lets
        go at the last, with keys (xdotool names) held throughout; between(), when given,
        runs before the button comes up."""
        for k in keys:
            self.key_down(k)
        try:
            self.move_pointer(x0, y0)
            self.xdo("mousedown", 1)
            for x, y in points:
                self.move_pointer(x, y)
            if between:
                between()
            self.xdo("mouseup", 1)
        finally:
            for k in reversed(keys):
                self.key_up(k)

    def move_pointer(self, x, y):
        """Moves the pointer and waits until it is there; xdotool's --sync waits for a motion
        that never comes when the pointer is there already."""
        here = dict(line.split("=", 1) for line in self.xdo("getmouselocation", "--shell").split())
        if (int(here.get("X", -1)), int(here.get("Y", -1))) != (int(x), int(y)):
            self.xdo("mousemove", "--sync", x, y)

    def click(self, x, y, button=1, double=False):
        self.move_pointer(x, y)
        # Two single clicks at one spot within the double-click time would be a double click.
        last = getattr(self, "_last_click", None)
        if last and last[0] == (x, y, button):
            time.sleep(max(0.0, last[1] + 0.6 - time.monotonic()))
        if double:
            self.xdo("click", "--repeat", "2", "--delay", "80", button)
        else:
            self.xdo("click", button)
        self._last_click = ((x, y, button), time.monotonic())

    # -- pixels ---------------------------------------------------------------------------

    def screenshot(self, save_as=None):
        blob = subprocess.run(["import", "-window", "root", "-display", self.display, "-depth", "8", "ppm:-"],
                              env=self.env, check=True, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout
        if save_as:
            with open(save_as + ".ppm", "wb") as f:
                f.write(blob)
        return parse_ppm(blob)


def _regex_escape(s):
    out = []
    for c in s:
        if c in r".^$*+?()[]{}|\\":
            out.append("\\" + c)
        else:
            out.append(c)
    return "".join(out)


def copy_program(dist_dir, exe, assets_dir, into):
    """Makes a private copy of the program folder: the dist folder when it exists, else the
    shipped assets, with the built executable on top. Returns the copied exe's path."""
    if dist_dir and os.path.isdir(dist_dir):
        shutil.copytree(dist_dir, into, dirs_exist_ok=True)
    elif assets_dir and os.path.isdir(assets_dir):
        shutil.copytree(assets_dir, into, dirs_exist_ok=True)
    else:
        raise E2EError("neither %s nor %s exists" % (dist_dir, assets_dir))
    if not os.path.isfile(exe):
        raise E2EError("the program was not built: %s" % exe)
    target = os.path.join(into, os.path.basename(exe))
    shutil.copy2(exe, target)
    return target
