"""The page's deterministic mode against the native capture: the built-in tour run in headless
Chromium with the virtual clock, its keys and the music rendered offline, must give the same log
(phase, order, row, entry, page, position per frame), the same sound (sha256 of every sample,
the fade included) and, at the moments tests/web/moments.py picks, the same frames by
frame-judge's rules. Failed frames are kept in SHOTS_DIR with their difference.

    same_show_test.py CAPTURE_TOOL DATA_DIR FRAME_JUDGE WEB_DIR WEB_CHECK_DIR TOUR_KEYS SHOTS_DIR"""

import base64
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from browser import Browser, StaticServer  # noqa: E402

WIDTH, HEIGHT, FPS = 640, 480, 60
WAV_HEADER = 44
ARGS = None


def capture(folder, *extra):
    """The native capture of the tour into `folder`: audio.wav, the log, the frames asked for."""
    os.makedirs(folder, exist_ok=True)
    run = subprocess.run([ARGS["capture"], "--frames-dir", os.path.join(folder, "frames"), "--log",
                          os.path.join(folder, "log.csv"), "--data", ARGS["data"], *extra],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=300)
    if run.returncode != 0:
        raise RuntimeError("the capture failed: " + run.stderr[-2000:])


def served_folder(into):
    """The built page with the deterministic mode's program beside it."""
    for source in map(os.path.abspath, (ARGS["web"], ARGS["web_check"])):
        for name in os.listdir(source):
            os.symlink(os.path.join(source, name), os.path.join(into, name))
    return into


class SameShowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="same-show-")
        native = os.path.join(cls.dir, "native")
        capture(native, "--only-frames", "0")
        with open(os.path.join(native, "log.csv")) as f:
            cls.native_log = f.read()
        with open(os.path.join(native, "frames", "audio.wav"), "rb") as f:
            cls.native_sound = f.read()[WAV_HEADER:]
        moments = subprocess.run([sys.executable, os.path.join(HERE, "moments.py"), os.path.join(native, "log.csv")],
                                 capture_output=True, text=True, timeout=60)
        if moments.returncode != 0:
            raise RuntimeError("moments.py: " + moments.stderr)
        cls.moments = [line.split() for line in moments.stdout.splitlines()]
        wanted = [int(m[0]) for m in cls.moments]
        shutil.rmtree(native)
        capture(native, "--only-frames", ",".join(map(str, wanted)))

        with open(ARGS["tour"]) as f:
            keys = f.read()
        page = served_folder(tempfile.mkdtemp(prefix="page-", dir=cls.dir))
        with StaticServer(page) as server, Browser(WIDTH, HEIGHT) as browser:
            browser.navigate(server.url("index.html?check"))
            started = time.monotonic()
            cls.page = browser.evaluate("invitation.runCheck(%s, %d, %s)" % (repr_js(keys), FPS, wanted), timeout=600)
            cls.seconds = time.monotonic() - started
            os.makedirs(os.path.join(cls.dir, "web"))
            for index in cls.page["frames"]:
                rgb = base64.b64decode(browser.evaluate("invitation.checkFrameBase64(%d)" % index))
                with open(os.path.join(cls.dir, "web", "frame-%06d.ppm" % index), "wb") as f:
                    f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + rgb)
            cls.console = browser.console
        print("the page ran the tour in %.1f s (%.1f s in the program)" % (cls.seconds, cls.page["seconds"]))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_the_show_ends_as_it_should(self):
        self.assertEqual(self.page["result"], 0, "RunHeadlessShow's result; console: %s" % self.console[-10:])

    def test_the_same_log(self):
        web = self.page["log"].splitlines()
        native = self.native_log.splitlines()
        for number, (a, b) in enumerate(zip(web, native)):
            self.assertEqual(a, b, "line %d of the log differs" % (number + 1))
        self.assertEqual(len(web), len(native), "the logs differ in length")

    def test_the_same_sound(self):
        self.assertEqual(self.page["samples"] * 2, len(self.native_sound))
        self.assertEqual(self.page["soundSha256"], hashlib.sha256(self.native_sound).hexdigest())

    def test_the_same_frames(self):
        self.assertEqual(sorted(self.page["frames"]), sorted(int(m[0]) for m in self.moments))
        listing = os.path.join(self.dir, "frames.txt")
        with open(listing, "w") as f:
            for index, kind, label in self.moments:
                index = int(index)
                f.write("%s native/frames/frame-%06d.png web/frame-%06d.ppm %s\n" % (kind, index, index, label))
        shutil.rmtree(ARGS["shots"], ignore_errors=True)
        judged = subprocess.run([ARGS["judge"], "--save", ARGS["shots"], listing], capture_output=True, text=True,
                                timeout=120)
        print(judged.stdout)
        self.assertEqual(judged.returncode, 0, judged.stdout[-3000:] + judged.stderr)


def repr_js(text):
    """A JavaScript string literal."""
    import json
    return json.dumps(text)


if __name__ == "__main__":
    names = ["capture", "data", "judge", "web", "web_check", "tour", "shots"]
    if len(sys.argv) != len(names) + 1:
        sys.exit(__doc__)
    ARGS = dict(zip(names, sys.argv[1:]))
    unittest.main(argv=[sys.argv[0], "-v"])
