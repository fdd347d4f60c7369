"""Proves the end-to-end harness on fixture.exe, a small program whose behaviour is known exactly:
reading list rows and status texts from another process, keys and clicks through X, message
boxes, files on disk and screen pixels."""

import argparse
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cuemill_e2e as e2e  # noqa: E402

ARGS = None
TITLE = "Fixture - Harness"
RED, GREEN = (255, 0, 0), (0, 255, 0)


class Fixture_Test(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = e2e.Session(ARGS.probe).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="e2e-fixture-")
        self.out = os.path.join(self.tmp.name, "out.txt")
        s = self.session
        self.pid = s.start(ARGS.fixture, [s.winpath(self.out)])
        self.main = s.wait_window(self.pid, cls="#32770", title=TITLE)
        self.list = s.child(self.main.hwnd, id=1001).hwnd
        self.bar = s.child(self.main.hwnd, cls="msctls_statusbar32").hwnd

    def tearDown(self):
        s = self.session
        if s.alive(self.pid):
            s.ask("kill\t%d" % self.pid)
        self.tmp.cleanup()

    def click_row(self, row, double=False):
        left, top, right, bottom = self.session.item_rect(self.list, row)
        self.session.click((left + right) // 2, (top + bottom) // 2, double=double)

    def wait_rows(self, count):
        return e2e.wait_for(lambda: (lambda r: r if len(r) == count else None)(self.session.cells(self.list)),
                            10, "%d rows" % count)

    def test_reads_rows_and_status_of_another_process(self):
        expected = [
            ["1", "alpha", "0:00:01.000"],  # plain ASCII
            ["2", "beta|gamma", "\u00e9t\u00e9"],  # non-ASCII survives UTF-16 -> UTF-8
            ["3", "delta", "tab\there"],  # a tab inside a cell is escaped and restored
        ]
        self.assertEqual(self.session.cells(self.list), expected)
        self.assertEqual(self.session.status(self.bar), ["ready", "3 rows"])

    def test_click_and_delete_key_then_answer_the_question(self):
        s = self.session
        for answer, rows_after in (("No", 3), ("Yes", 2)):  # No keeps the row; Yes removes it
            self.click_row(1)
            e2e.wait_for(lambda: [r.index for r in s.rows(self.list) if r.selected] == [1], 10, "row 1 selected")
            s.key("Delete", title=TITLE)
            box = s.answer(self.pid, "Remove rows", answer)
            self.assertEqual(box.text, "Remove 1 selected rows?")
            self.assertEqual(box.buttons, ["Yes", "No"])
            self.wait_rows(rows_after)
        self.assertEqual([c[1] for c in s.cells(self.list)], ["alpha", "delta"])
        self.assertEqual(s.status(self.bar)[1], "2 rows")

    def test_double_click_on_a_row(self):
        s = self.session
        self.click_row(1, double=True)
        e2e.wait_for(lambda: s.text(self.main.hwnd) == "beta|gamma - Harness", 10, "title of the clicked row")

    def test_typed_text_is_saved_to_disk(self):
        s = self.session
        edit = s.child(self.main.hwnd, id=1002)
        s.click((edit.left + edit.right) // 2, (edit.top + edit.bottom) // 2)
        s.type("Hello, e2e 42", title=TITLE)
        e2e.wait_for(lambda: s.text(edit.hwnd) == "Hello, e2e 42", 10, "typed text")
        save = s.child(self.main.hwnd, id=1003)
        s.click((save.left + save.right) // 2, (save.top + save.bottom) // 2)
        box = s.answer(self.pid, "Saved", "OK")
        with open(self.out, "rb") as f:
            data = f.read()
        self.assertEqual(data, b"\xef\xbb\xbfHello, e2e 42\r\n")
        self.assertIn("Wrote %d bytes" % len(data), box.text)
        self.assertEqual(s.status(self.bar)[0], "saved")

    def test_accelerator_and_click_change_pixels(self):
        s = self.session
        panel = s.child(self.main.hwnd, id=1005)
        area = (panel.left + 4, panel.top + 4, panel.right - 4, panel.bottom - 4)
        size = (area[2] - area[0]) * (area[3] - area[1])

        def panel_is(colour):
            img = s.screenshot()
            return img.count(*area, match=lambda p: p == colour) == size
        e2e.wait_for(lambda: panel_is(RED), 10, "red panel")
        s.key("F5", title=TITLE)  # accelerator through the message loop
        e2e.wait_for(lambda: panel_is(GREEN), 10, "green panel after F5")
        s.click((area[0] + area[2]) // 2, (area[1] + area[3]) // 2)  # STN_CLICKED
        e2e.wait_for(lambda: panel_is(RED), 10, "red panel after a click")

    def test_close_ends_the_process(self):
        s = self.session
        s.post(self.main.hwnd, 0x0010)  # WM_CLOSE
        e2e.wait_for(lambda: s.exit_code(self.pid) is not None, 10, "fixture to exit")
        self.assertEqual(s.exit_code(self.pid), 0)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--fixture", required=True)
    parser.add_argument("--repeat", type=int, default=1)
    ARGS, rest = parser.parse_known_args()
    ok = True
    for _ in range(ARGS.repeat):
        result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
        ok = ok and result.wasSuccessful() and result.testsRun > 0
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
