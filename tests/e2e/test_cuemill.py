"""End-to-end tests of Cuemill.exe: the real program under Wine, driven from outside with keys,
clicks and window messages, checked by its list rows, title, status bar, message boxes, the
files it writes and the pixels it shows."""

import argparse
import getpass
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cuemill_e2e as e2e  # noqa: E402

ARGS = None
WM_CLOSE = 0x0010
WM_SYSCOMMAND, SC_CLOSE = 0x0112, 0xF060
IDM_CLOSE_SUB, IDM_INSERT_SUB = 40006, 40020
IDM_CHECK_OVERLAPS, IDM_SEEK_FORWARD, IDM_PLAY_PAUSE = 40024, 40012, 40013
RECENT_SUB_2 = 57617  # the second entry of the recent subtitles menu
IDC_REPLACE_FIND, IDC_REPLACE_WITH, IDC_REPLACE_COUNT = 1121, 1122, 1130
IDM_SYNC_SPEECH, IDC_SYNC_SPEECH_TEXT = 40050, 1141
TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
WM_ACTIVATEAPP = 0x001C
LVM_GETITEMCOUNT = 0x1004
# File > Reopen with encoding, in menu order from 40081.
ENCODING_ITEMS = {"utf-8": 40081, "utf-16-le": 40082, "utf-16-be": 40083, "cp1252": 40084, "cp1251": 40088}
ENCODING_PART = 4  # the status bar's part naming the encoding
CHANGED_OUTSIDE = "The file was changed by another program since it was opened. Overwrite it?"

# Settings the tests rely on, written into every private copy of the program.
SETTINGS = (
    "\ufeff[Program]\r\nversion=1.3.0\r\n\r\n"
    "[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\nnewSubLength=2000\r\nvmr={vmr}\r\n\r\n"
    "[Window]\r\nleft=0\r\ntop=0\r\nwidth=0\r\nheight=0\r\n\r\n"
    "[RecentSubs]\r\n\r\n[RecentVids]\r\n"
)
RECOVER_QUESTION = re.compile(
    r'^Cuemill did not end normally\. A copy of work that was not saved is kept:\n\n"(.*)"\n\n'
    r"Copied: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), \d{1,2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4}, "
    r"\d{1,2}:\d\d:\d\d\nTotal subtitles: (\d+)\n\nDo you want to recover it\? No deletes the copy\.$")
SAVED_TIME = re.compile(r"^Saved: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), \d{1,2} "
                        r"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4}, \d{1,2}:\d\d:\d\d$")


def srt_bytes(subs, bom=True):
    """The exact bytes the program writes for [(start_ms, end_ms, text)]."""
    def tc(ms):
        return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
    text = "".join("%d\r\n%s --> %s\r\n%s\r\n\r\n" % (n + 1, tc(s), tc(e), t.replace("\n", "\r\n"))
                   for n, (s, e, t) in enumerate(subs))
    return (b"\xef\xbb\xbf" if bom else b"") + text.encode("utf-8")


def row_of(n, start, end, text):
    """The list row the program shows for a sub: number, start, end, length, one-line text."""
    def clock(ms):
        return "%d:%02d:%02d.%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
    length = end - start
    return ["%04d" % n, clock(start), clock(end), "%02d.%03d" % (length // 1000 % 60, length % 1000),
            text.replace("\n", "|")]


def clock_ms(text):
    """Milliseconds of a list's time text, "h:mm:ss.mmm"."""
    h, m, rest = text.split(":")
    return (int(h) * 3600 + int(m) * 60) * 1000 + round(float(rest) * 1000)


def rows_of(subs):
    return [row_of(i + 1, *s) for i, s in enumerate(subs)]


VIDEO_SIZE = (1280, 720)


def make_video(path, seconds):
    """A Motion JPEG AVI larger than the video pane whose picture tells the time: red for the
    first 5 s, then green, then blue, then white; its right eighth is always white, so a
    picture cut short on the right shows."""
    strip = "if(gte(X,W*7/8),255,%s)"
    colour = (strip % "if(lt(T,5),255,if(lt(T,10),0,if(lt(T,15),0,255)))",
              strip % "if(lt(T,5),0,if(lt(T,10),255,if(lt(T,15),0,255)))",
              strip % "if(lt(T,5),0,if(lt(T,10),0,255))")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "color=c=black:s=%dx%d:r=10:d=%d" % (VIDEO_SIZE + (seconds,)), "-vf",
                    "format=rgb24,geq=r='%s':g='%s':b='%s'" % colour,
                    "-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p", path], check=True)


class Cuemill:
    """One running Cuemill in its own copy of the program folder."""

    def __init__(self, session, folder, argument=None):
        self.s = session
        self.folder = folder
        self.exe = os.path.join(folder, "Cuemill.exe")
        args = [argument] if argument is not None else []
        self.pid = session.start(self.exe, args, cwd=folder)
        self.main = e2e.wait_for(self._main_window, 30, "the main window")
        self.list = self._child(1001)
        self.timeline = self._child(667)
        self.video = self._child(666)
        self.bar = e2e.wait_for(lambda: self.s.child(self.main, cls="msctls_statusbar32"), 10,
                                "the status bar").hwnd

    def _main_window(self):
        # Not necessarily visible yet: questions asked while the command line is handled come
        # before the window is shown. The main window is the dialog that holds the subs list.
        code = self.s.exit_code(self.pid)
        if code is not None:
            raise e2e.E2EError("Cuemill ended with exit code %d before its main window existed" % code)
        for w in self.s.windows(self.pid):
            if w.cls == "#32770" and self.s.child(w.hwnd, id=1001, cls="SysListView32"):
                if self.s.child(w.hwnd, id=667):
                    return w.hwnd
        return None

    def _child(self, id):
        return e2e.wait_for(lambda: self.s.child(self.main, id=id), 10, "control %d" % id).hwnd

    # state
    def title(self):
        return self.s.text(self.main)

    def rows(self):
        return self.s.cells(self.list)

    def selected(self):
        return [r.index for r in self.s.rows(self.list) if r.selected]

    def status(self):
        return self.s.status(self.bar)

    def rect(self, hwnd=None):
        w = self.s.window(hwnd or self.main)
        if w:
            return (w.left, w.top, w.right, w.bottom)
        for c in self.s.children(self.main):
            if c.hwnd == hwnd:
                return (c.left, c.top, c.right, c.bottom)
        raise e2e.E2EError("no window %d" % hwnd)

    def wait_title(self, title, timeout=15):
        return self._wait_value(self.title, title, timeout, "title")

    def wait_rows(self, rows, timeout=15):
        return self._wait_value(self.rows, rows, timeout, "rows")

    def wait_status(self, part, text, timeout=15):
        return self._wait_value(lambda: self.status()[part], text, timeout, "status part %d" % part)

    def _wait_value(self, read, want, timeout, what):
        # Failures name the value last seen, not only the one awaited.
        seen = []

        def check():
            # A window busy with a long document does not answer the probe for a while.
            try:
                seen[:] = [read()]
            except e2e.E2EError as busy:
                seen[:] = [busy]
                return False
            return seen[0] == want
        try:
            return e2e.wait_for(check, timeout, "%s = %r" % (what, want))
        except e2e.E2EError as e:
            raise e2e.E2EError("%s; it was %r" % (e, seen[0] if seen else None))

    # input
    def key(self, *keys):
        """Keys go to the main window, whatever its title is at the moment."""
        self.s.key(*keys, title=self.title())

    def type(self, text, title):
        self.s.type(text, title=title)

    def click_row(self, row, double=False, ctrl=False):
        left, top, right, bottom = self.s.item_rect(self.list, row)
        if ctrl:
            self.s.key_down("ctrl")
        try:
            # The number column: a click on the text column could start a label edit nowhere.
            self.s.click(left + 10, (top + bottom) // 2, double=double)
        finally:
            if ctrl:
                self.s.key_up("ctrl")

    def select_row(self, row):
        self.click_row(row)
        e2e.wait_for(lambda: self.selected() == [row], 10, "row %d selected" % row)

    def focus_timeline(self):
        """A click on the timeline's ruler, which moves the playhead there and focuses it."""
        self.click_in(self.timeline, 20, 10)
        e2e.wait_for(lambda: self.s.focus(self.pid)["focus"] == self.timeline, 10, "focus on the timeline")

    def click_in(self, hwnd, x, y):
        left, top, _, _ = self.rect(hwnd)
        self.s.click(left + x, top + y)

    # dialogs
    def box(self, title, timeout=20):
        return self.s.wait_box(self.pid, title, timeout)

    def answer(self, title, button, timeout=20):
        return self.s.answer(self.pid, title, button, timeout)

    def no_dialogs(self):
        return [b.title for b in self.s.boxes(self.pid) if b.hwnd != self.main]

    def quit(self):
        """Closes the program, refusing to save, and waits for it to end."""
        self.s.post(self.main, WM_CLOSE)
        deadline = time.monotonic() + 20
        while self.s.exit_code(self.pid) is None:
            for b in self.s.boxes(self.pid):
                if b.title == "Save sub":
                    self.s.click_button(b.hwnd, "No")
            if time.monotonic() > deadline:
                raise e2e.E2EError("Cuemill did not exit; dialogs: %r" % self.no_dialogs())
            time.sleep(e2e.POLL)
        return self.s.exit_code(self.pid)


class Cuemill_Test(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = e2e.Session(ARGS.probe).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="e2e-cuemill-")
        self.program = os.path.join(self.tmp, "Cuemill")
        e2e.copy_program(ARGS.dist, ARGS.exe, ARGS.assets, self.program)
        with open(os.path.join(self.program, "Cuemill.ini"), "wb") as f:
            f.write(SETTINGS.format(vmr=ARGS.vmr).encode("utf-8"))
        self.work = os.path.join(self.tmp, "work")
        os.makedirs(self.work)
        self.app = None

    def tearDown(self):
        if ARGS.keep and not getattr(self._outcome, "success", True):
            self.session.screenshot(os.path.join(ARGS.keep, self.id()))
        if self.app and self.session.alive(self.app.pid):
            self.session.ask("kill\t%d" % self.app.pid)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def write_srt(self, name, subs):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(srt_bytes(subs, bom=False))
        return path

    def launch(self, path=None, argument=None):
        if argument is None and path is not None:
            argument = self.session.winpath(path)
        self.app = Cuemill(self.session, self.program, argument)
        return self.app

    def launch_another(self, path=None):
        """A further Cuemill from the same folder, ended hard after the test if still running."""
        app = Cuemill(self.session, self.program, self.session.winpath(path) if path else None)
        self.addCleanup(lambda: self.session.alive(app.pid) and self.session.ask("kill\t%d" % app.pid))
        return app

    def write_autosave_settings(self):
        """The test settings with a recovery copy one second after a change."""
        vmr = "vmr=%s\r\n" % ARGS.vmr
        with open(os.path.join(self.program, "Cuemill.ini"), "wb") as f:
            f.write(SETTINGS.format(vmr=ARGS.vmr).replace(vmr, vmr + "autosaveSeconds=1\r\n").encode("utf-8"))

    def kill(self, app):
        """Ends the process at once, as a crash or a power cut would: no WM_CLOSE, no clean-up."""
        self.session.ask("kill\t%d" % app.pid)
        self.assertEqual(self.session.exit_code(app.pid), 99)

    @staticmethod
    def recovery_files(folder):
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def wait_copy(self, folder, subs, count=1):
        """Waits until `folder` holds `count` copies with their records, one of them exactly the
        bytes of `subs`; returns that copy's path without its extension."""
        want = srt_bytes(subs)

        def find():
            names = self.recovery_files(folder)
            copies = [n for n in names if n.endswith(".srt")]
            if len(copies) != count or sorted(n[:-4] + ".ini" for n in copies) != [n for n in names if n.endswith(".ini")]:
                return None
            for name in copies:
                with open(os.path.join(folder, name), "rb") as f:
                    if f.read() == want:
                        return os.path.join(folder, name[:-4])
            return None
        return e2e.wait_for(find, 20, "a recovery copy of %r in %s (files: %r)" % (subs, folder, self.recovery_files(folder)))

    def remove_row(self, app, row):
        app.click_row(row)
        e2e.wait_for(lambda: app.selected() == [row], 10, "row %d selected" % row)
        app.key("Delete")
        app.answer("Remove sub", "Yes")

    def local_recovery_folder(self):
        """The local application data fallback, as a Unix path inside the Wine prefix."""
        users = os.path.join(self.session.prefix, "drive_c", "users")
        local = os.path.join(users, getpass.getuser(), "AppData", "Local")
        if not os.path.isdir(local):
            found = glob.glob(os.path.join(users, "*", "AppData", "Local"))
            self.assertEqual(len(found), 1, "no single local application data folder in %s" % users)
            local = found[0]
        return os.path.join(local, "Cuemill", "Recovery")

    # -- opening ---------------------------------------------------------------------------

    def test_opens_the_file_named_on_the_command_line(self):
        subs = [
            (1000, 2500, "Hello"),                  # plain
            (3000, 4000, "Two\nlines"),             # lines joined by "|" in the list
            (3723456, 3725006, "caf\u00e9 au lait"),  # hours in the clock, non-ASCII UTF-8
        ]
        path = self.write_srt("clip.srt", subs)
        app = self.launch(path)
        app.wait_title("clip.srt - Cuemill")
        self.assertEqual(app.rows(), rows_of(subs))
        self.assertEqual(app.rows()[2][1:4], ["1:02:03.456", "1:02:05.006", "01.550"])
        app.wait_status(2, "1/3 subs")  # row 0 is selected after the refill
        status = app.status()
        self.assertEqual(status[0], self.session.winpath(path))
        self.assertRegex(status[1], SAVED_TIME)
        self.assertEqual(status[3], "0:00:00")
        self.assertEqual(app.selected(), [0])
        self.assertEqual(app.no_dialogs(), [])
        self.assertEqual(app.quit(), 0)

    def test_the_window_shows_before_the_command_lines_questions(self):
        path = self.write_srt("film.srt", [(1000, 2000, "One")])
        make_video(os.path.join(self.work, "film.avi"), 2)
        app = self.launch(path)
        box = app.box("Load video")
        main = self.session.window(app.main)
        owner = next(w.owner for w in self.session.windows(app.pid) if w.hwnd == box.hwnd)
        self.assertEqual(owner, app.main, "the question belongs to the main window")
        self.assertTrue(main.visible, "the main window shows behind the question")
        left, top, right, bottom = app.rect(app.list)
        painted = self.session.screenshot().count(left, top, right, bottom, match=lambda p: p == (255, 255, 255))
        self.assertGreater(painted, (right - left) * (bottom - top) // 3, "the list is painted, white")
        self.session.click_button(box.hwnd, "No")
        app.wait_title("film.srt - Cuemill")

    def sizes_at_dpi(self, dpi):
        """The list's column widths, the status bar's fixed parts and the ruler's height (the
        first row of a block's outline) of a Cuemill started at this DPI."""
        s = self.session
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                        "/d", str(dpi), "/f"], env=s.env, check=True, capture_output=True)
        path = self.write_srt("dpi%d.srt" % dpi, [(500, 3000, "One"), (4000, 6000, "Two")])
        app = self.launch(path)
        app.wait_rows(rows_of([(500, 3000, "One"), (4000, 6000, "Two")]))
        columns = [s.send(app.list, 0x101D, c) for c in range(4)]  # LVM_GETCOLUMNWIDTH
        edges = s.status_edges(app.bar)
        parts = [b - a for a, b in zip(edges, edges[1:])]
        left, top, right, bottom = s.client_rect(app.timeline)

        def ruler():
            img = s.screenshot()
            for y in range(top, bottom):
                if img.count(left, y, right, y + 1, match=lambda p: p == (93, 124, 177)) > 10:
                    return y - top
            return None
        height = e2e.wait_for(ruler, 10, "the blocks on the timeline")
        self.assertEqual(app.quit(), 0)
        return columns, parts, height

    def test_sizes_follow_the_screens_dpi(self):
        self.addCleanup(subprocess.run, ["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                                         "/t", "REG_DWORD", "/d", "96", "/f"], env=self.session.env,
                        capture_output=True)
        normal = self.sizes_at_dpi(96)
        self.assertEqual(normal, ([36, 74, 74, 50], [200, 110, 70, 220], 30))
        self.assertEqual(self.sizes_at_dpi(144), ([54, 111, 111, 75], [300, 165, 105, 330], 45))

    def test_refuses_a_command_line_argument_that_is_not_srt(self):
        notes = os.path.join(self.work, "notes.txt")
        with open(notes, "w") as f:
            f.write("not subtitles\n")
        app = self.launch(notes)
        box = app.answer("Bad SRT file", "OK")
        self.assertEqual(box.text, 'Not an SRT file: \n"%s"' % self.session.winpath(notes))
        app.wait_title("untitled.srt - Cuemill")
        self.assertEqual(app.rows(), [])
        self.assertEqual(app.status()[2], "0/0 subs")

    def test_message_box_is_centred_over_the_main_window(self):
        app = self.launch(argument="C:\\nowhere\\notes.txt")
        box = app.box("Bad SRT file")
        main = app.rect()
        box_centre = ((box.rect[0] + box.rect[2]) / 2, (box.rect[1] + box.rect[3]) / 2)
        main_centre = ((main[0] + main[2]) / 2, (main[1] + main[3]) / 2)
        self.assertAlmostEqual(box_centre[0], main_centre[0], delta=2, msg="box %r main %r" % (box.rect, main))
        self.assertAlmostEqual(box_centre[1], main_centre[1], delta=2, msg="box %r main %r" % (box.rect, main))
        self.assertTrue(box.rect[2] - box.rect[0] < main[2] - main[0])
        app.answer("Bad SRT file", "OK")

    # -- editing ---------------------------------------------------------------------------

    def test_edit_insert_remove_fix_and_save(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two"), (5000, 6000, "Three"), (7000, 8000, "Four")]
        path = self.write_srt("film.srt", subs)
        app = self.launch(path)
        app.wait_title("film.srt - Cuemill")
        app.wait_rows(rows_of(subs))
        s = self.session

        # Edit: Enter on the selected row opens the dialog on that sub; the typed text replaces it.
        app.select_row(1)
        app.key("Return")
        dlg = app.box("Edit subtitle")
        fields = {c.id: c for c in s.children(dlg.hwnd)}
        self.assertEqual([fields[i].text for i in (1002, 1003, 1004, 1005, 1006)],
                         ["2", "0:00:03.000", "0:00:04.000", "0:00:01.000", "Two"])
        s.set_text(fields[1006].hwnd, "")
        s.click((fields[1006].left + fields[1006].right) // 2, (fields[1006].top + fields[1006].bottom) // 2)
        app.type("Deux", "Edit subtitle")
        e2e.wait_for(lambda: s.text(fields[1006].hwnd) == "Deux", 10, "typed text")
        e2e.wait_for(lambda: s.text(fields[1023].hwnd) == "4 chars", 10, "the character count")
        s.click_button(dlg.hwnd, "&OK")
        opened, subs = list(subs), subs[:1] + [(3000, 4000, "Deux")] + subs[2:]
        app.wait_rows(rows_of(subs))
        app.wait_title("film.srt * - Cuemill")
        # Undone, the document is the file again and the title loses its mark.
        self.undo_and_redo(app, opened, subs, marks=("film.srt - Cuemill", "film.srt * - Cuemill"))

        # Insert at the playhead: a click on the timeline's ruler focuses it, Ctrl+Home puts the
        # playhead at 0, Ins asks for the new sub's text.
        app.focus_timeline()
        app.key("ctrl+Home", "Insert")
        dlg = app.box("Edit subtitle")
        fields = {c.id: c for c in s.children(dlg.hwnd)}
        self.assertEqual([fields[i].text for i in (1002, 1003, 1004, 1006)], ["1", "0:00:00.000", "0:00:02.000", ""])
        s.click((fields[1006].left + fields[1006].right) // 2, (fields[1006].top + fields[1006].bottom) // 2)
        app.type("Zero", "Edit subtitle")
        e2e.wait_for(lambda: s.text(fields[1006].hwnd) == "Zero", 10, "typed text")
        s.click_button(dlg.hwnd, "&OK")
        subs.insert(0, (0, 2000, "Zero"))
        app.wait_rows(rows_of(subs))  # renumbered from 0002 on
        e2e.wait_for(lambda: app.selected() == [0], 10, "the inserted row selected")
        self.undo_and_redo(app, subs[1:], subs, redo=("ctrl+shift+z",), selected=[0])

        # Remove two: Ctrl+click adds a row, Delete asks, Yes removes both.
        app.click_row(3)
        app.click_row(4, ctrl=True)
        e2e.wait_for(lambda: app.selected() == [3, 4], 10, "rows 3 and 4 selected")
        app.wait_status(2, "2/5 subs")
        app.key("Delete")
        box = app.answer("Remove subs", "Yes")
        self.assertEqual(box.text, "Do you want to remove these 2 selected subs?")
        before = list(subs)
        del subs[3:5]
        app.wait_rows(rows_of(subs))
        # Through the Edit menu; undone, the two subs come back selected.
        self.undo_and_redo(app, before, subs, undo=("alt+e", "u"), redo=("alt+e", "r"), undone_selected=[3, 4])

        # Fix overlaps: the inserted sub (0 to 2000) touches "One" (1000 to 2000).
        s.command(app.main, IDM_CHECK_OVERLAPS)
        dlg = app.box("Overlapping subs (1)")
        overlap_list = s.child(dlg.hwnd, id=1001).hwnd
        self.assertEqual(s.cells(overlap_list), [["0001", "0:00:00.000", "Zero"]])
        s.click_button(dlg.hwnd, "&OK")  # "Automatically fix all them" is checked by default
        box = app.answer("Subs fixed", "OK")
        self.assertEqual(box.text, "All overlapped subs have been fixed (1).")
        subs[0] = (0, 900, "Zero")
        app.wait_rows(rows_of(subs))
        self.assertEqual(app.selected(), [0])
        self.undo_and_redo(app, [(0, 2000, "Zero")] + subs[1:], subs, selected=[0])

        # Save with Ctrl+S: the report, the title without its mark and the exact bytes.
        app.key("ctrl+s")
        box = app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(data, srt_bytes(subs))
        self.assertEqual(box.text, 'Subtitle file successfully saved as:\n\n"%s"\n\nTotal subtitles: 3\n'
                         "File size: %s" % (s.winpath(path), box.text.rsplit("File size: ", 1)[-1]))
        self.assertIn(str(len(data)), box.text.rsplit("File size: ", 1)[-1].replace(",", ""))
        app.wait_title("film.srt - Cuemill")
        self.assertRegex(app.status()[1], SAVED_TIME)
        # Nothing differs from the file now, so closing asks nothing.
        s.post(app.main, WM_CLOSE)
        e2e.wait_for(lambda: app.s.exit_code(app.pid) is not None, 20, "exit without questions")

    def undo_and_redo(self, app, before, after, undo=("ctrl+z",), redo=("ctrl+y",), marks=None, selected=None,
                      undone_selected=None):
        """Takes the last change back and does it again, checking the rows each time."""
        app.key(*undo)
        app.wait_rows(rows_of(before))
        if undone_selected is not None:
            e2e.wait_for(lambda: app.selected() == undone_selected, 10, "the subs put back selected")
        if marks:
            app.wait_title(marks[0])
        app.key(*redo)
        app.wait_rows(rows_of(after))
        if marks:
            app.wait_title(marks[1])
        if selected is not None:
            e2e.wait_for(lambda: app.selected() == selected, 10, "the changed subs selected")

    def test_a_nudge_series_and_a_merge_undone_then_saved_give_the_file_back(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two"), (5000, 6000, "Three")]
        path = os.path.join(self.work, "film.srt")
        opened = srt_bytes(subs)  # as the program writes it
        with open(path, "wb") as f:
            f.write(opened)
        other = self.write_srt("more.srt", [(8000, 9000, "Eight"), (10000, 11000, "Ten")])
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        s = self.session

        # The arrow held down repeats: every press until it is let go is one step.
        app.select_row(1)
        app.focus_timeline()

        def start_of_two():
            return next(clock_ms(r[1]) for r in app.rows() if r[4] == "Two")
        s.key_down("Right")
        try:
            e2e.wait_for(lambda: start_of_two() >= 3500, 15, "the held arrow to repeat")
        finally:
            s.key_up("Right")
        time.sleep(0.3)
        moved = start_of_two() - 3000
        nudged = sorted([subs[0], (3000 + moved, 4000 + moved, "Two"), subs[2]])
        app.wait_rows(rows_of(nudged))
        self.undo_and_redo(app, subs, nudged, selected=[[s[2] for s in nudged].index("Two")])

        # A merge, picked in the Open dialog.
        s.command(app.main, 40004)
        dlg = app.box("Merge subs")
        s.click_button(dlg.hwnd, "...")
        app.box("Open")
        app.type(s.winpath(other), "Open")
        app.key("Return")
        e2e.wait_for(lambda: s.text(s.child(dlg.hwnd, id=1021).hwnd) == "2", 15, "the count of the picked file")
        s.click_button(dlg.hwnd, "OK")
        merged = sorted(nudged + [(8000, 9000, "Eight"), (10000, 11000, "Ten")])
        app.wait_rows(rows_of(merged))
        self.undo_and_redo(app, nudged, merged)

        # Everything taken back: the mark goes, Undo has nothing left, and a save gives the bytes
        # that were opened.
        app.key("ctrl+z", "ctrl+z")
        app.wait_rows(rows_of(subs))
        app.wait_title("film.srt - Cuemill")
        app.key("alt+e", "u")  # greyed: nothing happens
        time.sleep(0.5)
        self.assertEqual(app.rows(), rows_of(subs))
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), opened)

    # -- replace, split and join -------------------------------------------------------------

    def open_replace(self, app, find, with_):
        """Ctrl+H, the two texts typed in; returns the dialog."""
        app.key("ctrl+h")
        dlg = app.box("Replace")
        self.session.set_text(self.session.child(dlg.hwnd, id=IDC_REPLACE_FIND).hwnd, find)
        self.session.set_text(self.session.child(dlg.hwnd, id=IDC_REPLACE_WITH).hwnd, with_)
        return dlg

    def press(self, app, dlg, button, count):
        """Presses a button of the Replace dialog and waits for its count line to say `count`."""
        s = self.session
        line = s.child(dlg.hwnd, id=IDC_REPLACE_COUNT).hwnd
        s.set_text(line, "")
        s.click_button(dlg.hwnd, button)
        e2e.wait_for(lambda: s.text(line) == count, 10, "the count line %r (it says %r)" % (count, s.text(line)))

    def close_replace(self, app, dlg):
        self.session.key("Escape", title="Replace")
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "Replace to close")

    def test_replace_all_and_one_by_one_each_undone_then_saved(self):
        subs = [(1000, 2000, "The red fox"), (3000, 4000, "A red\nsky"), (5000, 6000, "Blue"), (7000, 8000, "red, RED")]
        path = self.write_srt("colours.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))

        # Replace all: one step, the count line, the first changed sub selected.
        app.select_row(2)
        dlg = self.open_replace(app, "red", "green")
        self.press(app, dlg, "Replace all", "4 replaced")
        green = [(1000, 2000, "The green fox"), (3000, 4000, "A green\nsky"), subs[2], (7000, 8000, "green, green")]
        app.wait_rows(rows_of(green))
        e2e.wait_for(lambda: app.selected() == [0], 10, "the first changed sub selected")
        if ARGS.keep:
            self.session.screenshot(os.path.join(ARGS.keep, "replace_all"))
        self.close_replace(app, dlg)
        app.wait_title("colours.srt * - Cuemill")
        self.undo_and_redo(app, subs, green, marks=("colours.srt - Cuemill", "colours.srt * - Cuemill"))
        app.key("ctrl+z")
        app.wait_rows(rows_of(subs))

        # One by one from the first row: the first press finds, each further one replaces the
        # match the list shows and goes on to the next, which the list follows.
        app.select_row(0)
        dlg = self.open_replace(app, "red", "blue")
        steps = [
            ("4 found", 0, subs),
            ("1 replaced, 3 left", 1, [(1000, 2000, "The blue fox")] + subs[1:]),
            ("2 replaced, 2 left", 3, [(1000, 2000, "The blue fox"), (3000, 4000, "A blue\nsky")] + subs[2:]),
            ("3 replaced, 1 left", 3, [(1000, 2000, "The blue fox"), (3000, 4000, "A blue\nsky"), subs[2],
                                       (7000, 8000, "blue, RED")]),
            ("4 replaced, 0 left", 3, [(1000, 2000, "The blue fox"), (3000, 4000, "A blue\nsky"), subs[2],
                                       (7000, 8000, "blue, blue")]),
        ]
        for count, row, expected in steps:
            self.press(app, dlg, "Replace", count)
            app.wait_rows(rows_of(expected))
            e2e.wait_for(lambda: app.selected() == [row], 10, "row %d selected after %r" % (row, count))
        self.close_replace(app, dlg)

        # Each Replace was one step.
        for _, _, expected in reversed(steps[:-1]):
            app.key("ctrl+z")
            app.wait_rows(rows_of(expected))
        app.wait_title("colours.srt - Cuemill")
        for _, _, expected in steps[1:]:
            app.key("ctrl+y")
            app.wait_rows(rows_of(expected))
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(steps[-1][2]))
        app.wait_title("colours.srt - Cuemill")

    def test_split_at_the_break_and_the_playhead_and_join_each_undone_then_saved(self):
        subs = [(1000, 3000, "One line\nTwo line"), (4000, 9000, "Ab cdefghijklmnopqrstuvw"),
                (10000, 11000, "X"), (12000, 13000, "Y"), (14000, 15000, "Z")]
        path = self.write_srt("cut.srt", subs)
        make_video(os.path.join(self.work, "cut.avi"), 20)
        app = self.launch(path)
        app.answer("Load video", "Yes")
        app.wait_rows(rows_of(subs))
        s = self.session
        clock_w = e2e.wait_for(lambda: self.visible_child(app.video, "CTL_VIDEO_CLOCK"), 15, "the clock")
        clock = (clock_w.left, clock_w.top, clock_w.right, clock_w.bottom)
        app.key("F5")
        e2e.wait_for(lambda: self.clock_still(clock), 15, "the video paused")

        # At the line break: the playhead (moved to the sub's start by the click) is not inside,
        # so the times go by the characters, 8 to 8.
        app.select_row(0)
        app.key("alt+e", "s")
        halves = [(1000, 1999, "One line"), (2000, 3000, "Two line")] + subs[1:]
        app.wait_rows(rows_of(halves))
        e2e.wait_for(lambda: app.selected() == [0, 1], 10, "both halves selected")
        app.wait_title("cut.srt * - Cuemill")
        self.undo_and_redo(app, subs, halves, marks=("cut.srt - Cuemill", "cut.srt * - Cuemill"))

        # At the playhead: F4 from the first sub's start puts it at 6 s, inside "Ab cdef...";
        # Down selects that sub without moving the playhead.
        app.select_row(0)
        before = self.crop(s.screenshot(), clock)
        app.key("F4")
        e2e.wait_for(lambda: self.crop(s.screenshot(), clock) != before, 15, "the clock after F4")
        app.key("Down", "Down")
        e2e.wait_for(lambda: app.selected() == [2], 10, "row 2 selected")
        app.key("alt+e", "s")
        e2e.wait_for(lambda: len(app.rows()) == 7, 10, "the split at the playhead")
        first, second = app.rows()[2], app.rows()[3]
        at = clock_ms(second[1])
        self.assertAlmostEqual(at, 6000, delta=200, msg="the second part starts at the playhead")
        cut = halves[:2] + [(4000, at - 1, "Ab"), (at, 9000, "cdefghijklmnopqrstuvw")] + halves[3:]
        self.assertEqual(app.rows(), rows_of(cut))
        self.undo_and_redo(app, halves, cut, selected=[2, 3])

        # Join of three that follow each other: one sub, one line each, one step.
        app.click_row(4)
        app.click_row(5, ctrl=True)
        app.click_row(6, ctrl=True)
        e2e.wait_for(lambda: app.selected() == [4, 5, 6], 10, "three rows selected")
        app.key("alt+e", "j")
        joined = cut[:4] + [(10000, 15000, "X\nY\nZ")]
        app.wait_rows(rows_of(joined))
        e2e.wait_for(lambda: app.selected() == [4], 10, "the joined sub selected")
        self.undo_and_redo(app, cut, joined, undone_selected=[4, 5, 6], selected=[4])

        # Subs with a gap between them are not joined.
        app.click_row(0)
        app.click_row(2, ctrl=True)
        e2e.wait_for(lambda: app.selected() == [0, 2], 10, "two rows apart selected")
        app.key("alt+e", "j")
        time.sleep(0.5)
        self.assertEqual(app.rows(), rows_of(joined))
        self.assertEqual(app.no_dialogs(), [])

        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(joined))

    def test_remove_asks_and_no_keeps_the_sub(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("keep.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        app.select_row(1)
        app.key("Delete")
        box = app.answer("Remove sub", "No")
        self.assertEqual(box.text, "Do you want to remove the sub #2?")
        self.assertEqual(app.rows(), rows_of(subs))
        self.assertEqual(app.title(), "keep.srt - Cuemill")

    # -- nothing is lost --------------------------------------------------------------------

    def modified(self, app, name, subs, timeout=15):
        """Removes the first sub, selected by the opening, with Delete and Yes; returns the subs
        left. The selection is told by the status bar: a long list is not read row by row."""
        app.wait_status(2, "1/%d subs" % len(subs), timeout)
        app.key("Delete")
        app.answer("Remove sub", "Yes")
        app.wait_title("%s * - Cuemill" % name, timeout)
        return subs[1:]

    def test_opening_another_file_offers_to_save_first(self):
        a_subs = [(1000, 2000, "A one"), (3000, 4000, "A two")]
        b_subs = [(1000, 2000, "B one"), (3000, 4000, "B two"), (5000, 6000, "B three")]
        a = self.write_srt("a.srt", a_subs)
        b = self.write_srt("b.srt", b_subs)
        with open(os.path.join(self.program, "Cuemill.ini"), "r+b") as f:
            ini = f.read().replace(b"[RecentSubs]\r\n", b"[RecentSubs]\r\nfile1=" +
                                   self.session.winpath(b).encode("utf-8") + b"\r\n")
            f.seek(0)
            f.write(ini)
        with open(a, "rb") as f:
            a_bytes = f.read()
        app = self.launch(a)
        app.wait_rows(rows_of(a_subs))
        left = self.modified(app, "a.srt", a_subs)

        # The recent entry b.srt: Cancel keeps the document, No opens without saving.
        for answer in ("Cancel", "No"):
            self.session.command(app.main, RECENT_SUB_2)
            box = app.answer("Save sub", answer)
            self.assertEqual(box.text, "The sub has been modified, do you wish to save it?")
            self.assertEqual(box.buttons, ["Yes", "No", "Cancel"])
        app.wait_title("b.srt - Cuemill")
        app.wait_rows(rows_of(b_subs))
        with open(a, "rb") as f:
            self.assertEqual(f.read(), a_bytes)

        # Ctrl+O asks before its dialog: Yes saves, and a cancelled dialog keeps what was saved.
        left = self.modified(app, "b.srt", b_subs)
        app.key("ctrl+o")
        app.answer("Save sub", "Yes")
        app.answer("Subtitle saved", "OK", timeout=30)
        dialog = app.box("Open")
        self.session.post(dialog.hwnd, WM_CLOSE)
        app.wait_title("b.srt - Cuemill")
        app.wait_rows(rows_of(left))
        with open(b, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(left))
        self.assertEqual(app.quit(), 0)

    # -- encodings and files changed outside ------------------------------------------------

    RUSSIAN = [(1000, 2000, "Привет, как дела?"), (3000, 4000, "Хорошо, спасибо.\nА у тебя?"),
               (5000, 6000, "Мы должны уйти до рассвета.")]

    def write_encoded(self, name, subs, encoding, mark=b""):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(mark + srt_bytes(subs, bom=False).decode("utf-8").encode(encoding))
        return path

    def test_a_cp1251_file_opens_in_cyrillic_and_saves_as_utf8(self):
        path = self.write_encoded("ru.srt", self.RUSSIAN, "cp1251")
        app = self.launch(path)
        app.wait_rows(rows_of(self.RUSSIAN))
        app.wait_status(ENCODING_PART, "Cyrillic (Windows-1251)")
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(self.RUSSIAN))
        app.wait_status(ENCODING_PART, "Unicode (UTF-8)")
        self.assertEqual(app.quit(), 0)

    def test_reopen_with_encoding_as_1252_and_back(self):
        path = self.write_encoded("ru.srt", self.RUSSIAN, "cp1251")
        as_1252 = [(s, e, t.encode("cp1251").decode("cp1252")) for s, e, t in self.RUSSIAN]
        app = self.launch(path)
        app.wait_rows(rows_of(self.RUSSIAN))
        self.session.command(app.main, ENCODING_ITEMS["cp1252"])
        app.wait_rows(rows_of(as_1252))
        app.wait_status(ENCODING_PART, "Western European (Windows-1252)")
        app.wait_title("ru.srt - Cuemill")
        # With a change of its own the document is offered for saving first; No reopens.
        self.modified(app, "ru.srt", as_1252)
        self.session.command(app.main, ENCODING_ITEMS["cp1251"])
        box = app.answer("Save sub", "No")
        self.assertEqual(box.buttons, ["Yes", "No", "Cancel"])
        app.wait_rows(rows_of(self.RUSSIAN))
        app.wait_status(ENCODING_PART, "Cyrillic (Windows-1251)")
        app.wait_title("ru.srt - Cuemill")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(self.RUSSIAN, bom=False).decode("utf-8").encode("cp1251"))
        self.assertEqual(app.quit(), 0)

    def test_a_utf16_file_opens(self):
        subs = [(1000, 2000, "Καλημέρα 😀"), (3000, 4000, "中文 and English")]
        for encoding, mark, name in (("utf-16-le", b"\xff\xfe", "Unicode (UTF-16 little endian)"),
                                     ("utf-16-be", b"\xfe\xff", "Unicode (UTF-16 big endian)")):
            path = self.write_encoded(encoding + ".srt", subs, encoding, mark)
            app = self.launch(path)
            app.wait_rows(rows_of(subs))
            app.wait_status(ENCODING_PART, name)
            self.assertEqual(app.quit(), 0)

    def test_a_file_changed_by_another_program_is_not_overwritten_without_asking(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("shared.srt", subs)
        app = self.launch(path)
        left = self.modified(app, "shared.srt", subs)
        theirs = srt_bytes([(1000, 2000, "Written by another program")])
        with open(path, "wb") as f:
            f.write(theirs)
        app.key("ctrl+s")
        box = app.answer("File changed", "No")
        self.assertEqual(box.text, CHANGED_OUTSIDE)
        self.assertEqual(box.buttons, ["Yes", "No"])
        app.wait_title("shared.srt * - Cuemill")
        app.wait_rows(rows_of(left))
        with open(path, "rb") as f:
            self.assertEqual(f.read(), theirs)
        # Yes writes over it; the next save asks nothing.
        app.key("ctrl+s")
        app.answer("File changed", "Yes")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(left))
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        self.assertEqual(app.quit(), 0)

    def test_getting_the_focus_back_offers_to_reopen_a_changed_file(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("watched.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        theirs = [(1000, 2000, "Changed outside"), (5000, 6000, "Three")]
        with open(path, "wb") as f:
            f.write(srt_bytes(theirs))
        # No: kept as it is, and not asked again for the same change.
        self.session.post(app.main, WM_ACTIVATEAPP, 1)
        box = app.answer("File changed", "No")
        self.assertEqual(box.text, '"%s"\n\nThe file was changed by another program. Reopen it?'
                         % self.session.winpath(path))
        self.session.post(app.main, WM_ACTIVATEAPP, 1)
        app.wait_rows(rows_of(subs))
        self.assertEqual(app.no_dialogs(), [])
        with open(path, "wb") as f:
            f.write(srt_bytes(theirs + [(7000, 8000, "Four")]))
        self.session.post(app.main, WM_ACTIVATEAPP, 1)
        app.answer("File changed", "Yes")
        app.wait_rows(rows_of(theirs + [(7000, 8000, "Four")]))
        app.wait_title("watched.srt - Cuemill")
        self.assertEqual(app.quit(), 0)

    def test_a_file_gone_behind_the_program_still_counts_as_modified(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("gone.srt", subs)
        app = self.launch(path)
        left = self.modified(app, "gone.srt", subs)
        os.remove(path)
        self.session.post(app.main, WM_CLOSE)
        app.answer("Save sub", "Yes")
        app.answer("Subtitle saved", "OK", timeout=30)
        e2e.wait_for(lambda: self.session.exit_code(app.pid) is not None, 20, "the program to end")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(left))

    def test_a_failed_save_keeps_the_file_the_document_and_the_window(self):
        full = os.path.join(self.tmp, "full")
        os.makedirs(full)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", full],
                                 stderr=subprocess.PIPE)
        if mounted.returncode != 0:
            self.skipTest("a small disk cannot be mounted here: %s" % mounted.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", "-l", full])
        subs = [(i * 1000, i * 1000 + 500, "Line %d of a film" % i) for i in range(2000)]
        path = os.path.join(full, "film.srt")
        with open(path, "wb") as f:
            f.write(srt_bytes(subs))
        with open(path, "rb") as f:
            before = f.read()
        # Fill the disk so that no second copy of the file fits.
        filler = os.open(os.path.join(full, "filler"), os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(filler, b"\0" * 4096) > 0:
                pass
        except OSError:
            pass
        os.close(filler)
        app = self.launch(path)
        app.wait_title("film.srt - Cuemill", timeout=30)
        self.modified(app, "film.srt", subs)
        app.key("ctrl+s")
        box = app.answer("Saving failed", "OK", timeout=30)
        # What failed, the system's reason for a full disk (112), and that nothing was lost.
        self.assertRegex(box.text, r"^\w+\(\) failed .*\n.+ \(error 112\)\nThe file on disk was not changed\.$")
        # Close sub and Exit alike: Yes to saving fails again, and everything stays.
        for close in (lambda: self.session.command(app.main, IDM_CLOSE_SUB),
                      lambda: self.session.post(app.main, WM_CLOSE)):
            close()
            app.box("Save sub")
            # A close from outside meanwhile asked for what has just failed: not asked again.
            self.session.post(app.main, WM_CLOSE)
            app.answer("Save sub", "Yes")
            app.answer("Saving failed", "OK", timeout=30)
            app.wait_title("film.srt * - Cuemill")
            # The count alone: reading 2,000 rows through the probe can outlast its answer time.
            self.assertEqual(self.session.send(app.list, LVM_GETITEMCOUNT), len(subs) - 1)
            self.assertTrue(self.session.alive(app.pid))
            time.sleep(1)
            self.assertEqual(app.no_dialogs(), [])
        with open(path, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(sorted(os.listdir(full)), ["filler", "film.srt"])
        self.assertEqual(app.quit(), 0)

    def test_a_close_during_a_large_save_waits_for_it(self):
        subs = [(i * 1000, i * 1000 + 500, "Sub number %d" % i) for i in range(100000)]
        path = self.write_srt("long.srt", subs)
        app = self.launch(path)
        app.wait_title("long.srt - Cuemill", timeout=120)
        left = self.modified(app, "long.srt", subs, timeout=120)
        s = self.session
        s.post(app.main, WM_CLOSE)
        app.answer("Save sub", "Yes")
        # As End task would: closes arrive while the worker writes the document.
        s.post(app.main, WM_CLOSE)
        saving = e2e.wait_for(lambda: [b for b in s.boxes(app.pid) if b.title in ("Saving file...", "Subtitle saved")],
                              30, "the save")
        if saving[0].title == "Saving file...":
            s.post(app.main, WM_CLOSE)
        app.answer("Subtitle saved", "OK", timeout=60)
        e2e.wait_for(lambda: s.exit_code(app.pid) is not None, 30, "the program to end")
        self.assertEqual(s.exit_code(app.pid), 0)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(left))

    def test_close_boxes_of_the_edit_dialog_store_no_blank_sub(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("boxes.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        s = self.session
        # Insert, then the close box with nothing typed.
        app.focus_timeline()
        s.command(app.main, IDM_INSERT_SUB)
        dlg = app.box("Edit subtitle")
        s.post(dlg.hwnd, WM_SYSCOMMAND, SC_CLOSE)
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
        # Edit: an emptied text refused by OK, then the close box.
        app.select_row(1)
        app.key("Return")
        dlg = app.box("Edit subtitle")
        s.set_text(s.child(dlg.hwnd, id=1006).hwnd, "")
        s.click_button(dlg.hwnd, "&OK")
        app.answer("Sub text", "OK")
        s.post(dlg.hwnd, WM_SYSCOMMAND, SC_CLOSE)
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
        self.assertEqual(app.rows(), rows_of(subs))
        self.assertEqual(app.title(), "boxes.srt - Cuemill")
        s.post(app.main, WM_CLOSE)
        e2e.wait_for(lambda: s.exit_code(app.pid) is not None, 20, "exit without questions")

    def test_a_nudge_series_interrupted_by_a_question_moves_the_selected_sub(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two"), (5000, 6000, "Three")]
        path = self.write_srt("held.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        s = self.session
        app.select_row(2)
        app.focus_timeline()
        # Right is held down while Delete asks about the sub being moved; it is let go while
        # the question shows, so its release goes to the question.
        s.key_down("Right")
        try:
            app.wait_rows(rows_of(subs[:2] + [(5100, 6100, "Three")]))
            app.key("Delete")
            box = app.box("Remove sub")
        finally:
            s.key_up("Right")
        s.click_button(box.hwnd, "Yes")
        app.wait_rows(rows_of(subs[:2]))
        e2e.wait_for(lambda: app.selected() == [1], 10, "the last row selected")
        e2e.wait_for(lambda: s.focus(app.pid)["focus"] == app.timeline, 10, "focus back on the timeline")
        app.key("Right")
        app.wait_rows(rows_of([subs[0], (3100, 4100, "Two")]))

    # -- recovery copies --------------------------------------------------------------------

    def test_recovers_work_after_a_hard_kill(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two"), (5000, 6000, "Three")]
        path = self.write_srt("film.srt", subs)
        self.write_autosave_settings()
        folder = os.path.join(self.program, "Recovery")
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        self.remove_row(app, 1)
        edited = [subs[0], subs[2]]
        app.wait_rows(rows_of(edited))
        copy = self.wait_copy(folder, edited)
        with open(copy + ".ini", "rb") as f:
            self.assertIn(("document=%s\r\n" % self.session.winpath(path)).encode("utf-8"), f.read())
        self.kill(app)

        app = self.launch()
        box = app.box("Recover work")
        if ARGS.keep:
            self.session.screenshot(os.path.join(ARGS.keep, "recover_work_question"))
        question = RECOVER_QUESTION.match(box.text)
        self.assertTrue(question, box.text)
        self.assertEqual((question.group(1), question.group(4)), (self.session.winpath(path), "2"))
        self.assertEqual(box.buttons, ["Yes", "No"])
        app.answer("Recover work", "Yes")
        app.wait_rows(rows_of(edited))
        app.wait_title("film.srt * - Cuemill")
        self.assertEqual(app.status()[0], self.session.winpath(path))
        self.assertRegex(app.status()[1], SAVED_TIME)
        self.assertEqual(app.no_dialogs(), [])

        # Save writes the recovered work over the original; then no copy is left.
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(edited))
        app.wait_title("film.srt - Cuemill")
        e2e.wait_for(lambda: self.recovery_files(folder) == [], 10, "the copy removed after the save")
        self.assertEqual(app.quit(), 0)

    def test_no_deletes_the_copy_of_an_untitled_document(self):
        self.write_autosave_settings()
        folder = os.path.join(self.program, "Recovery")
        app = self.launch()
        s = self.session
        app.focus_timeline()
        app.key("ctrl+Home", "Insert")
        dlg = app.box("Edit subtitle")
        text = s.child(dlg.hwnd, id=1006)
        s.click((text.left + text.right) // 2, (text.top + text.bottom) // 2)
        app.type("New", "Edit subtitle")
        e2e.wait_for(lambda: s.text(text.hwnd) == "New", 10, "typed text")
        s.click_button(dlg.hwnd, "&OK")
        app.wait_title("untitled.srt * - Cuemill")
        copy = self.wait_copy(folder, [(0, 2000, "New")])
        with open(copy + ".ini", "rb") as f:
            self.assertIn(b"document=\r\n", f.read())
        self.kill(app)
        # An older copy of a process long gone that the reader refuses: reported and kept.
        broken = os.path.join(folder, "4294967280-0000000000000001")
        with open(broken + ".ini", "wb") as f:
            f.write(b"\xef\xbb\xbf[Recovery]\r\ndocument=\r\n")
        with open(broken + ".srt", "wb") as f:
            f.write(b"no subtitles here\r\n")
        os.utime(broken + ".srt", (time.time() - 3600, time.time() - 3600))

        app = self.launch()
        question = RECOVER_QUESTION.match(app.answer("Recover work", "No").text)
        self.assertTrue(question)
        self.assertEqual((question.group(1), question.group(4)), ("untitled.srt", "1"))
        report = app.answer("Recover work", "OK")
        self.assertTrue(report.text.startswith('A copy of work that was not saved could not be read:\n\n"%s"\n'
                                               % self.session.winpath(broken + ".srt")), report.text)
        self.assertTrue(report.text.endswith("\n\nThe copy is kept."), report.text)
        self.assertGreater(len(report.text.splitlines()), 5, "the reader's text is missing")
        app.wait_title("untitled.srt - Cuemill")
        self.assertEqual(app.rows(), [])
        self.assertEqual(self.recovery_files(folder), [os.path.basename(broken) + e for e in (".ini", ".srt")])
        self.assertEqual(app.no_dialogs(), [])

    def test_a_running_cuemill_keeps_its_copy_and_a_normal_exit_removes_it(self):
        first_subs = [(1000, 2000, "First one"), (3000, 4000, "First two")]
        second_subs = [(1000, 2000, "Second one"), (3000, 4000, "Second two")]
        first_path = self.write_srt("first.srt", first_subs)
        second_path = self.write_srt("second.srt", second_subs)
        self.write_autosave_settings()
        folder = os.path.join(self.program, "Recovery")
        first = self.launch(first_path)
        first.wait_rows(rows_of(first_subs))
        self.remove_row(first, 0)
        first_copy = self.wait_copy(folder, first_subs[1:])

        # A second Cuemill starts while the first runs: nothing is offered to it.
        second = self.launch_another(second_path)
        second.wait_title("second.srt - Cuemill")
        self.session.wait_window(second.pid, title="second.srt - Cuemill")
        self.assertEqual(second.no_dialogs(), [])
        self.remove_row(second, 1)
        second_copy = self.wait_copy(folder, second_subs[:1], count=2)

        # The first ends hard: a third Cuemill is offered its copy, and only that one.
        self.kill(first)
        third = self.launch_another()
        box = third.answer("Recover work", "No")
        self.assertEqual(RECOVER_QUESTION.match(box.text).group(1), self.session.winpath(first_path))
        self.session.wait_window(third.pid, title="untitled.srt - Cuemill")
        self.assertEqual(third.no_dialogs(), [])
        self.assertFalse(os.path.exists(first_copy + ".srt"))
        self.assertEqual(self.recovery_files(folder), [os.path.basename(second_copy) + e for e in (".ini", ".srt")])
        self.assertEqual(third.quit(), 0)

        # A normal exit (the save question answered No) takes the second's copy with it.
        self.assertEqual(second.quit(), 0)
        self.assertEqual(self.recovery_files(folder), [])

    def test_an_unwritable_program_folder_falls_back_to_local_app_data(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two")]
        path = self.write_srt("film.srt", subs)
        self.write_autosave_settings()
        local = self.local_recovery_folder()
        shutil.rmtree(local, ignore_errors=True)
        self.addCleanup(shutil.rmtree, local, True)
        # Wine runs as root here, and root ignores permission bits and read-only attributes;
        # the immutable attribute stops root too: nothing can be created in the folder.
        # Clean-ups run last first: the attribute goes before the folder is removed.
        self.addCleanup(shutil.rmtree, self.tmp, True)
        subprocess.run(["chattr", "+i", self.program], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", self.program])
        with self.assertRaises(PermissionError):
            os.mkdir(os.path.join(self.program, "probe"))

        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        self.remove_row(app, 0)
        self.wait_copy(local, subs[1:])
        self.assertFalse(os.path.exists(os.path.join(self.program, "Recovery")))
        self.kill(app)

        app = self.launch()
        box = app.answer("Recover work", "No")
        self.assertEqual(RECOVER_QUESTION.match(box.text).group(1), self.session.winpath(path))
        app.wait_title("untitled.srt - Cuemill")
        self.assertEqual(self.recovery_files(local), [])

    def test_copies_that_cannot_be_written_are_said_once_and_again_when_they_can(self):
        subs = [(1000, 2000, "One"), (3000, 4000, "Two"), (5000, 6000, "Three")]
        path = self.write_srt("film.srt", subs)
        self.write_autosave_settings()
        local = self.local_recovery_folder()
        shutil.rmtree(local, ignore_errors=True)
        os.makedirs(local)
        self.addCleanup(shutil.rmtree, local, True)
        self.addCleanup(shutil.rmtree, self.tmp, True)
        for folder in (self.program, local):  # immutable: not even root writes there
            subprocess.run(["chattr", "+i", folder], check=True)
            self.addCleanup(subprocess.run, ["chattr", "-i", folder])
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        s = self.session

        def balloon(words):
            return lambda: [w for w in s.windows(app.pid)
                            if w.cls == "tooltips_class32" and w.visible and words in w.title]

        self.remove_row(app, 0)
        said = e2e.wait_for(balloon("could not be written"), 20, "the notice of the failing copy")
        self.assertIn("Save the document to keep your changes safe.", said[0].title)
        self.assertEqual(app.title(), "film.srt * - Cuemill")  # nothing interrupted
        subprocess.run(["chattr", "-i", local], check=True)
        self.remove_row(app, 0)
        self.wait_copy(local, subs[2:])
        e2e.wait_for(balloon("written again"), 20, "the notice that copies are written again")
        self.assertEqual(app.no_dialogs(), [])

    # -- re-timing ---------------------------------------------------------------------------

    def shift(self, app, amount, choice=None, refused=None):
        """Shift times with this amount and choice of subs; returns the refusal's text, if any."""
        s = self.session
        app.key("ctrl+shift+a")
        dlg = app.box("Shift times")
        s.set_text(s.child(dlg.hwnd, id=1101).hwnd, amount)
        if choice:
            s.click_button(dlg.hwnd, choice)
        s.click_button(dlg.hwnd, "OK")
        if refused is None:
            e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
            return None
        box = e2e.wait_for(lambda: [b for b in s.boxes(app.pid) if b.title == refused and b.hwnd != dlg.hwnd],
                           10, "the refusal")[0]
        s.click_button(box.hwnd, "OK")
        e2e.wait_for(lambda: len(app.no_dialogs()) == 1, 10, "the refusal to close")
        s.click_button(dlg.hwnd, "Cancel")
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
        return box.text

    def test_shift_times_of_all_selected_and_later_subs_and_the_frame_rate(self):
        subs = [(10000, 11000, "One"), (20000, 21000, "Two"), (30000, 31000, "Three"), (40000, 41000, "Four")]
        path = self.write_srt("late.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))

        def moved(rows, ms):
            return [(a + ms, b + ms, t) if k in rows else (a, b, t) for k, (a, b, t) in enumerate(subs)]

        self.shift(app, "-2.5")  # all subs, the default
        every = moved(range(4), -2500)
        app.wait_rows(rows_of(every))
        app.wait_title("late.srt * - Cuemill")
        self.undo_and_redo(app, subs, every)
        app.key("ctrl+z")
        app.wait_rows(rows_of(subs))
        app.select_row(1)
        self.shift(app, "-0:00:02.500", "Selected subs")
        self.undo_and_redo(app, subs, moved([1], -2500), selected=[1])
        app.key("ctrl+z")
        app.wait_rows(rows_of(subs))
        app.select_row(2)
        self.shift(app, "-2.500", "Selected and later subs")
        later = moved([2, 3], -2500)
        self.undo_and_redo(app, subs, later, selected=[2])  # the selection stays as it was
        # A shift that would start a sub before 0:00:00.000 changes nothing; neither does nonsense.
        text = self.shift(app, "-0:00:35", "All subs", refused="Shift times")
        self.assertEqual(text, "This would move 3 subs before 0:00:00.000 or past 99:59:59.999, which a subtitle "
                               "file cannot hold.\nNothing was changed.")
        self.assertEqual(self.shift(app, "soon", refused="Invalid amount"),
                         "The amount must be a time such as 2.5, -1.200 or +0:01:02.345 (at most 99:59:59.999).")
        app.wait_rows(rows_of(later))

        # A file made at 25 frames a second, for a video at 23.976: every time times 25025/24000.
        s = self.session
        s.command(app.main, 40032)
        dlg = app.box("Change frame rate")
        self.assertEqual(s.text(s.child(dlg.hwnd, id=1111).hwnd), "25")
        self.assertEqual(s.text(s.child(dlg.hwnd, id=1112).hwnd), "23.976")
        s.click_button(dlg.hwnd, "OK")
        slower = [((a * 25025 + 12000) // 24000, (b * 25025 + 12000) // 24000, t) for a, b, t in later]
        app.wait_rows(rows_of(slower))
        self.assertEqual(slower[0][:2], (10427, 11470))
        self.undo_and_redo(app, later, slower)
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(slower))

    def test_sync_points_set_at_the_video_and_applied(self):
        subs = [(10000, 11000, "One"), (20000, 21000, "Two"), (30000, 31000, "Three"), (40000, 41000, "Four")]
        path = self.write_srt("drift.srt", subs)
        make_video(os.path.join(self.work, "drift.avi"), 50)
        app = self.launch(path)
        app.answer("Load video", "Yes")
        app.wait_rows(rows_of(subs))
        app.wait_status(3, "0:00:50")
        s = self.session
        app.key("ctrl+shift+a")  # any dialog pauses the video, so that a row click locates its sub
        s.click_button(app.box("Shift times").hwnd, "Cancel")
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
        width = app.rect(app.timeline)[2] - app.rect(app.timeline)[0]
        points = []
        for row, dx in ((1, 60), (3, -40)):
            # The row's sub centres the timeline on its start; a click on the ruler beside it seeks.
            app.select_row(row)
            app.click_in(app.timeline, width // 2 + dx, 10)
            app.key("ctrl+shift+a")
            dlg = app.box("Shift times")
            s.click_button(dlg.hwnd, "From video")
            amount = e2e.wait_for(lambda: s.text(s.child(dlg.hwnd, id=1101).hwnd) != "0.000" and
                                  s.text(s.child(dlg.hwnd, id=1101).hwnd), 10, "the amount from the video")
            s.click_button(dlg.hwnd, "Cancel")
            e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
            sign = -1 if amount.startswith("-") else 1
            ms = sign * clock_ms(amount.lstrip("-"))
            self.assertGreater(sign * dx, 0, "the playhead is where the click was")
            points.append((subs[row][0], subs[row][0] + ms))
            app.key("ctrl+shift+p")
        # Both marks show on the timeline in their own green.
        left, top, right, bottom = app.rect(app.timeline)
        e2e.wait_for(lambda: s.screenshot().count(left, top, right, bottom, match=lambda p: p == (0, 140, 60)) > 40,
                     10, "the sync marks")

        s.command(app.main, 40030)
        (f1, t1), (f2, t2) = points

        def mapped(t):
            x = (t - f1) * (t2 - t1)
            q = (abs(x) + (f2 - f1) // 2) // (f2 - f1)
            return t1 + (q if x >= 0 else -q)
        synced = [(mapped(a), mapped(b), t) for a, b, t in subs]
        app.wait_rows(rows_of(synced))
        self.assertEqual(synced[1][0], t1)
        self.assertEqual(synced[3][0], t2)
        self.undo_and_redo(app, subs, synced)
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(synced))

    # Spoken by flite at these times in the video that tools/make_sample_video makes of them.
    SPOKEN = [(2000, 4300, "The ship left the harbour at dawn."), (5600, 7400, "Nobody saw it go."),
              (9800, 12600, "By noon the wind had turned against them."), (13500, 15000, "Hold the rope!"),
              (18200, 20900, "The captain counted the barrels twice."), (22000, 23600, "We have water for a week."),
              (26700, 29500, "Then we sail north, whatever the sky says."), (30400, 31800, "North it is."),
              (34900, 37600, "The stars came out one by one over the sea.")]

    def sync_to_speech(self, app, says):
        """Sync to speech until the dialog's text starts with `says`, then Apply when it found a
        sync, else Cancel; returns the text."""
        s = self.session
        s.command(app.main, IDM_SYNC_SPEECH)
        dlg = app.box("Sync to speech", 60)  # on a busy machine Wine may be slow to show it
        text = e2e.wait_for(lambda: s.text(s.child(dlg.hwnd, id=IDC_SYNC_SPEECH_TEXT).hwnd).startswith(says) and
                            s.text(s.child(dlg.hwnd, id=IDC_SYNC_SPEECH_TEXT).hwnd), 60, "the sync's result")
        s.click_button(dlg.hwnd, "Apply" if says.startswith("Speech fits") else "Cancel")
        e2e.wait_for(lambda: not app.no_dialogs(), 10, "the dialog to close")
        return text

    def test_sync_to_speech_brings_subs_3_2_s_late_back_and_undo_restores_them(self):
        self.write_srt("spoken.srt", self.SPOKEN)
        subprocess.run([sys.executable, os.path.join(TOOLS, "make_sample_video"), os.path.join(self.work, "spoken.srt"),
                         os.path.join(self.work, "late.avi"), "--seconds", "40"], check=True)
        late = [(a + 3200, b + 3200, t) for a, b, t in self.SPOKEN]
        self.write_srt("late.srt", late)
        app = self.launch(os.path.join(self.work, "late.srt"))
        app.answer("Load video", "Yes")
        app.wait_rows(rows_of(late))
        text = self.sync_to_speech(app, "Speech fits")
        self.assertRegex(text, r"^Speech fits \d+ % of the subs' time now and \d+ % after this change\.\n\n"
                               r"Shift: -0:00:03\.\d{3}\nFrame rate: unchanged\nCuts: 0$")
        rows = e2e.wait_for(lambda: app.rows() != rows_of(late) and app.rows(), 10, "the subs moved")
        self.assertEqual(len(rows), len(self.SPOKEN))
        for row, (start, _, said) in zip(rows, self.SPOKEN):
            self.assertEqual(row[4], said)
            self.assertLessEqual(abs(clock_ms(row[1]) - start), 100, row)
        app.wait_title("late.srt * - Cuemill")
        app.key("ctrl+z")  # one step
        app.wait_rows(rows_of(late))
        app.wait_title("late.srt - Cuemill")

    def test_sync_to_speech_without_speech_finds_none_and_changes_nothing(self):
        # A picture over a hum and pink noise: sound, but nobody speaks.
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=40:size=320x180:rate=25",
                        "-f", "lavfi", "-i", "anoisesrc=d=40:c=pink:a=0.05:r=16000", "-f", "lavfi",
                        "-i", "sine=f=220:d=40:r=16000", "-filter_complex", "[1:a][2:a]amix=inputs=2:normalize=0[a]",
                        "-map", "0:v", "-map", "[a]", "-c:v", "mpeg4", "-c:a", "pcm_s16le",
                        os.path.join(self.work, "hum.avi")], check=True)
        path = self.write_srt("hum.srt", self.SPOKEN)
        app = self.launch(path)
        app.answer("Load video", "Yes")
        app.wait_rows(rows_of(self.SPOKEN))
        text = self.sync_to_speech(app, "No sync was found")
        self.assertTrue(text.startswith("No sync was found: nothing fits the speech clearly better"), text)
        time.sleep(0.3)
        self.assertEqual(app.rows(), rows_of(self.SPOKEN))
        self.assertEqual(app.title(), "hum.srt - Cuemill")

    # -- video -----------------------------------------------------------------------------

    def test_video_play_pause_seek_nudge_and_save(self):
        subs = [(0, 4900, "Red part"), (6000, 9000, "Green part"), (16000, 19000, "White part")]
        path = self.write_srt("movie.srt", subs)
        make_video(os.path.join(self.work, "movie.avi"), 20)
        app = self.launch(path)
        box = app.answer("Load video", "Yes")
        self.assertEqual(box.text, 'Video found:\n"movie.avi"\n\nDo you want to load it too?')
        app.wait_title("movie.srt - Cuemill")
        app.wait_status(3, "0:00:20")
        s = self.session

        clock_w = e2e.wait_for(lambda: self.visible_child(app.video, "CTL_VIDEO_CLOCK"), 15, "the clock")
        band_w = e2e.wait_for(lambda: self.visible_child(app.video, "CTL_VIDEO_TEXT"), 15, "the text band")
        clock = (clock_w.left, clock_w.top, clock_w.right, clock_w.bottom)
        band = (band_w.left, band_w.top, band_w.right, band_w.bottom)
        e2e.wait_for(lambda: not self.clock_still(clock), 15, "the clock running")

        # A click on the picture (away from the clock and the band) pauses playback.
        left, top, right, bottom = app.rect(app.video)
        app.click_in(app.video, (right - left) // 2, (band[1] - top) // 2 + (clock[3] - top) // 2)
        e2e.wait_for(lambda: self.clock_still(clock), 15, "the clock to stand still")
        img = s.screenshot()
        self.assertGreater(img.count(*clock, match=lambda p: p == (0, 0, 0)), 200, "black clock box")
        self.assertGreater(img.count(*clock, match=lambda p: p == (252, 252, 242)), 10, "clock digits")
        # Paused inside "Red part" (0 to 4900 ms): the overlay draws its text in light yellow
        # over a red picture.
        self.assertGreater(img.count(*band, match=lambda p: p == (255, 255, 226)), 20, "overlay text")
        # The whole frame is shrunk into the pane: its white right edge is there too.
        width, height = right - left, bottom - top
        shown = min(width, height * VIDEO_SIZE[0] // VIDEO_SIZE[1])
        picture = (clock[0] + 4, clock[3] + 4, clock[0] + shown * 3 // 4, band[1] - 4)
        self.assertEqual(dominant(img, picture), "red")
        edge = (clock[0] + shown * 91 // 100, clock[3] + 4, clock[0] + shown * 97 // 100, band[1] - 4)
        self.assertEqual(dominant(img, edge), "white", "the right edge of the frame")

        # F4 seeks one step (5000 ms) forward: the clock shows another time and playback stays paused.
        paused_clock = self.crop(img, clock)
        app.key("F4")
        e2e.wait_for(lambda: self.crop(s.screenshot(), clock) != paused_clock, 15, "a new time after F4")
        self.assertTrue(self.clock_still(clock), "still paused after the seek")
        e2e.wait_for(lambda: dominant(s.screenshot(), picture) == "green", 15, "the green picture after F4")

        # Nudge: select "Green part" in the list, focus the timeline, Right three times (snap 100).
        app.select_row(1)
        app.focus_timeline()
        app.key("Right", "Right", "Right")
        subs[1] = (6300, 9300, "Green part")
        app.wait_rows(rows_of(subs))
        app.wait_title("movie.srt * - Cuemill")
        app.key("ctrl+s")
        app.answer("Subtitle saved", "OK", timeout=30)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), srt_bytes(subs))
        app.wait_title("movie.srt - Cuemill")

    def test_spotting_while_playing_and_frame_steps(self):
        subs = [(1000, 1500, "One"), (6000, 6500, "Two"), (11000, 11500, "Three")]
        path = self.write_srt("spot.srt", subs)
        make_video(os.path.join(self.work, "spot.avi"), 20)
        app = self.launch(path)
        app.answer("Load video", "Yes")
        app.wait_title("spot.srt - Cuemill")
        s = self.session
        clock = e2e.wait_for(lambda: self.visible_child(app.video, "CTL_VIDEO_CLOCK"), 15, "the clock").hwnd

        def clock_now():
            # The clock's window text is the time it shows.
            return clock_ms(s.text(clock))
        e2e.wait_for(lambda: clock_now() > 0, 15, "the video playing")
        app.select_row(0)  # while playing, a click on a row only selects it

        # F7 as the speech starts, F9 as it ends, sub after sub, while the video plays on.
        spotted = list(subs)
        for row, (at_start, at_end) in enumerate([(2000, 3000), (4000, 5000), (6000, 7000)]):
            e2e.wait_for(lambda: app.selected() == [row], 10, "row %d selected" % row)
            for key, at in (("F7", at_start), ("F9", at_end)):
                e2e.wait_for(lambda: clock_now() >= at, 20, "the video at %d ms" % at)
                before = clock_now()
                app.key(key)
                column = 1 if key == "F7" else 2
                changed = e2e.wait_for(lambda: clock_ms(app.rows()[row][column]) >= before and app.rows()[row],
                                       10, "%s on row %d" % (key, row))
                after = clock_now()
                t = clock_ms(changed[column])
                self.assertLessEqual(t, after + 100, "%s set %d, the clock read %d then %d" % (key, t, before, after))
                start, end, text = spotted[row]
                # Past its end a sub keeps its length when its start is set.
                spotted[row] = (t, t + end - start if t >= end else end, text) if key == "F7" else (start, t, text)
                app.wait_rows(rows_of(spotted))
        e2e.wait_for(lambda: app.selected() == [2], 10, "the last row still selected")
        running = clock_now()
        e2e.wait_for(lambda: clock_now() > running + 300, 10, "the video still playing")
        app.wait_title("spot.srt * - Cuemill")
        # Six steps, each undone on its own.
        for k in range(6):
            app.key("ctrl+z")
        app.wait_rows(rows_of(subs))
        app.wait_title("spot.srt - Cuemill")

        # Frame steps pause the video and move the clock by one picture: 100 ms at 10 a second.
        def still():
            seen = clock_now()
            time.sleep(0.3)
            return seen if clock_now() == seen else None
        app.key("ctrl+Right")
        first = e2e.wait_for(still, 15, "the clock to stand still")
        app.key("ctrl+Right")
        app._wait_value(clock_now, first + 100, 10, "the clock one frame on")
        app.key("ctrl+Left", "ctrl+Left")
        app._wait_value(clock_now, first - 100, 10, "the clock two frames back")
        time.sleep(0.3)
        self.assertEqual(clock_now(), first - 100, "still paused")

    def test_drags_on_the_timeline(self):
        # 32,000 ms in all: the timeline shows 0 to 8,000 ms over its width.
        subs = [(1000, 2000, "One"), (3000, 4030, "Two"), (6000, 7000, "Three"), (30000, 31900, "Far")]
        path = self.write_srt("drag.srt", subs)
        app = self.launch(path)
        app.wait_rows(rows_of(subs))
        s = self.session
        left, top, right, bottom = s.client_rect(app.timeline)
        width = right - left
        y = top + 60  # in the band of blocks

        def x(t):
            return left + int(round(t * width / 8000.0))

        def undone():
            app.key("ctrl+z")
            app.wait_rows(rows_of(subs))
            app.wait_title("drag.srt - Cuemill")

        # An end pulled right lands on the snap step.
        s.drag(x(2000) - 1, y, [(x(2200), y), (x(2500) - 1, y)])
        app.wait_rows(rows_of([(1000, 2500, "One")] + subs[1:]))
        app.wait_title("drag.srt * - Cuemill")
        self.assertEqual(app.selected(), [0], "the dragged sub is selected")
        undone()

        # Two selected subs move together by the body of one of them.
        app.select_row(0)
        app.click_row(1, ctrl=True)
        e2e.wait_for(lambda: app.selected() == [0, 1], 10, "rows 0 and 1 selected")
        s.drag(x(3500), y, [(x(4000), y), (x(4500), y)])
        app.wait_rows(rows_of([(2000, 3000, "One"), (4000, 5030, "Two")] + subs[2:]))
        self.assertEqual(app.selected(), [0, 1])
        undone()

        # A start brought within 5 px of the previous end takes it rather than the step.
        s.drag(x(6000) + 1, y, [(x(5000), y), (x(4030) + 2, y)])
        app.wait_rows(rows_of(subs[:2] + [(4030, 7000, "Three")] + subs[3:]))
        undone()

        # Escape while the button is down puts everything back, and nothing is recorded.
        s.drag(x(1500), y, [(x(2000), y), (x(2600), y)], between=lambda: (
            app.wait_rows(rows_of([(2100, 3100, "One")] + subs[1:])), s.key("Escape")))
        app.wait_rows(rows_of(subs))
        time.sleep(0.3)
        self.assertEqual(app.title(), "drag.srt - Cuemill")
        # Had it been recorded, the snapped drag undone before could not be done again.
        app.key("ctrl+y")
        app.wait_rows(rows_of(subs[:2] + [(4030, 7000, "Three")] + subs[3:]))
        undone()

        # Ctrl+drag over an empty place spans a new sub and asks for its text.
        s.drag(x(4500), y, [(x(5000), y), (x(5500), y)], keys=("ctrl",))
        dlg = app.box("Edit subtitle")
        fields = {c.id: c for c in s.children(dlg.hwnd)}
        self.assertEqual([fields[i].text for i in (1003, 1004, 1006)], ["0:00:04.500", "0:00:05.500", ""])
        s.click((fields[1006].left + fields[1006].right) // 2, (fields[1006].top + fields[1006].bottom) // 2)
        app.type("Made", "Edit subtitle")
        e2e.wait_for(lambda: s.text(fields[1006].hwnd) == "Made", 10, "typed text")
        s.click_button(dlg.hwnd, "&OK")
        app.wait_rows(rows_of(subs[:2] + [(4500, 5500, "Made")] + subs[2:]))
        undone()

    @staticmethod
    def crop(img, rect):
        return [img.data[(y * img.width + rect[0]) * 3:(y * img.width + rect[2]) * 3] for y in range(rect[1], rect[3])]

    def visible_child(self, hwnd, cls):
        c = self.session.child(hwnd, cls=cls)
        return c if c and c.visible and c.right > c.left and c.bottom > c.top else None

    def rect_left(self, hwnd):
        return self.app.rect(hwnd)[0]

    def rect_top(self, hwnd):
        return self.app.rect(hwnd)[1]

    def video_picture(self, app):
        """The fitted picture inside the video control: the part that is neither the control's
        button-face background nor the letterbox, found from a screenshot once it shows colour."""
        left, top, right, bottom = app.rect(app.video)

        def find():
            img = self.session.screenshot()
            xs, ys = [], []
            for y in range(top, bottom, 2):
                for x in range(left, right, 2):
                    if classify(img.pixel(x, y)):
                        xs.append(x)
                        ys.append(y)
            if len(xs) < 100:
                return None
            return (min(xs), min(ys), max(xs) + 1, max(ys) + 1)
        return e2e.wait_for(find, 20, "the video picture")

    def clock_still(self, clock):
        # While the video runs the clock is repainted every 50 ms with a new time; paused, its
        # pixels stay the same over half a second of screenshots.
        first = self.session.screenshot()
        deadline = time.monotonic() + 0.5
        while time.monotonic() < deadline:
            img = self.session.screenshot()
            for y in range(clock[1], clock[3]):
                a = first.data[(y * first.width + clock[0]) * 3:(y * first.width + clock[2]) * 3]
                b = img.data[(y * img.width + clock[0]) * 3:(y * img.width + clock[2]) * 3]
                if a != b:
                    return False
        return True


def classify(p):
    r, g, b = p
    if r > 200 and g < 60 and b < 60:
        return "red"
    if g > 200 and r < 60 and b < 60:
        return "green"
    if b > 200 and r < 60 and g < 60:
        return "blue"
    if r > 200 and g > 200 and b > 200:
        return "white"
    return None


def dominant(img, rect):
    counts = {}
    left, top, right, bottom = rect
    for y in range(top, bottom, 3):
        for x in range(left, right, 3):
            c = classify(img.pixel(x, y))
            if c:
                counts[c] = counts.get(c, 0) + 1
    return max(counts, key=counts.get) if counts else None


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--dist", default="")
    parser.add_argument("--assets", default="")
    parser.add_argument("--vmr", default="VMR9")
    parser.add_argument("--keep", default="", help="folder for screenshots of failed tests")
    parser.add_argument("--repeat", type=int, default=1)
    ARGS, rest = parser.parse_known_args()
    if not os.path.isfile(ARGS.exe):
        print("FAIL: Cuemill.exe was not built: %s" % ARGS.exe)
        sys.exit(1)
    ok = True
    for _ in range(ARGS.repeat):
        result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
        ok = ok and result.wasSuccessful() and result.testsRun > 0
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
