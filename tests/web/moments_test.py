"""moments.py on the built-in tour as invitation-capture renders it: the moments it picks, and
the frames at them, rest or move as it says; and on logs cut short, what it says is missing.

    moments_test.py CAPTURE_TOOL DATA_DIR"""

import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

MOMENTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "moments.py")
CAPTURE_TOOL = None
DATA_DIR = None
PAGES = 17  # the four entries' pages: 3 + 3 + 3 + 8


def capture(folder, frames, *extra):
    run = subprocess.run([CAPTURE_TOOL, "--frames-dir", os.path.join(folder, frames), "--data", DATA_DIR, *extra],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=240)
    if run.returncode != 0:
        raise RuntimeError("the capture failed: " + run.stderr[-2000:])


def run_moments(log):
    return subprocess.run([sys.executable, MOMENTS, log], capture_output=True, text=True, timeout=60)


class MomentsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="moments-")
        cls.log = os.path.join(cls.dir, "tour.csv")
        # The log first; then only the frames at the moments and beside them (the whole tour's
        # frames would take two gigabytes).
        capture(cls.dir, "log-run", "--only-frames", "0", "--log", cls.log)
        with open(cls.log) as f:
            cls.log_lines = f.read().splitlines()
        cls.result = run_moments(cls.log)
        cls.moments = [line.split() for line in cls.result.stdout.splitlines()]
        around = sorted({int(m[0]) + d for m in cls.moments for d in (-1, 0, 1) if int(m[0]) + d >= 0})
        capture(cls.dir, "frames", "--only-frames", ",".join(map(str, around or [0])))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def frame(self, index):
        return os.path.join(self.dir, "frames", "frame-%06d.png" % index)

    def same(self, a, b):
        return filecmp.cmp(self.frame(a), self.frame(b), shallow=False)

    def labelled(self, prefix):
        return [(int(f), kind, label) for f, kind, label in self.moments if label.startswith(prefix)]

    def test_the_tour_gives_every_kind_of_moment_in_show_order(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        self.assertTrue(all(len(m) == 3 and m[1] in ("still", "moving") for m in self.moments), self.result.stdout)
        frames = [int(m[0]) for m in self.moments]
        self.assertEqual(frames, sorted(frames))
        self.assertLess(frames[-1], len(self.log_lines) - 1)
        self.assertEqual(len({m[2] for m in self.moments}), len(self.moments), "labels are unique")
        self.assertTrue(30 <= len(self.moments) <= 40, len(self.moments))
        # prefix -> (how many, kind)
        wanted = {"intro-logo-": (6, "still"), "intro-piece-": (5, "still"), "page-": (PAGES, "still"),
                  "crossfade-": (2, "moving"), "button-": (1, "moving"), "glide-": (2, "moving"),
                  "credits-": (3, "moving"), "outro-fade-": (1, "still"), "outro-end-": (1, "still")}
        for prefix, (count, kind) in wanted.items():
            with self.subTest(prefix):
                found = self.labelled(prefix)
                self.assertEqual(len(found), count, found)
                self.assertEqual({k for _, k, _ in found}, {kind}, found)

    def test_pages_and_settled_logo_rest_and_are_all_different(self):
        for prefix in ("page-", "intro-logo-"):
            found = self.labelled(prefix)
            for frame, _, label in found:
                with self.subTest(label):
                    self.assertTrue(self.same(frame - 1, frame) and self.same(frame, frame + 1))
            for (a, _, la), (b, _, lb) in zip(found, found[1:]):
                self.assertFalse(self.same(a, b), "%s and %s show the same picture" % (la, lb))
        # The log agrees: each page moment is in the menu, on a page of its own.
        fields = [self.log_lines[f + 1].split(",") for f, _, _ in self.labelled("page-")]
        self.assertEqual({f[2] for f in fields}, {"menu"})
        self.assertEqual(len({(f[5], f[6]) for f in fields}), PAGES)

    def test_a_piece_appears_at_its_moment_then_rests(self):
        for frame, _, label in self.labelled("intro-piece-"):
            with self.subTest(label):
                self.assertFalse(self.same(frame - 1, frame))
                self.assertTrue(self.same(frame, frame + 1))

    def test_moving_moments_and_the_fade_change_from_frame_to_frame(self):
        for frame, kind, label in self.moments:
            if kind == "moving" or label.startswith("outro-fade-"):
                with self.subTest(label):
                    self.assertFalse(self.same(int(frame) - 1, int(frame)) or self.same(int(frame), int(frame) + 1))

    def test_a_log_lacking_a_moment_says_what_is_missing(self):
        first_faq = next(i for i, line in enumerate(self.log_lines) if ",menu,-1,-1,3," in line)
        first_outro = next(i for i, line in enumerate(self.log_lines) if ",outro," in line)
        # name -> (the log's lines, what the message must say)
        cases = {
            "before-faq": (self.log_lines[:first_faq], "9 of the menu's 17 pages at rest; never: faq-1, "),
            "no-outro": (self.log_lines[:first_outro], "no outro"),
            "outro-cut": (self.log_lines[:first_outro + 100], "before its end"),
            "not-a-log": (["time,frame", "1,2"], "header"),
            "gap": (self.log_lines[:100] + self.log_lines[101:], "is not frame 99's line"),
        }
        for name, (lines, message) in cases.items():
            with self.subTest(name):
                path = os.path.join(self.dir, name + ".csv")
                with open(path, "w") as f:
                    f.write("\n".join(lines) + "\n")
                result = run_moments(path)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(message, result.stderr)


if __name__ == "__main__":
    CAPTURE_TOOL, DATA_DIR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
