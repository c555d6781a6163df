"""The page shell in headless Chromium: the start screen, the data package unpacked, the
4:3 picture with black bars at any size and pixel ratio, the Escape control, the F key, and
every reason the show cannot run said in words on the page.

    page_test.py WEB_SOURCE [BUILT_WEB DATA_DIR]

WEB_SOURCE is web/ (the page served with small packages made here); BUILT_WEB and DATA_DIR,
when given, are the build's web/ folder and the data folder it packed."""

import gzip
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, StaticServer, png_pixels  # noqa: E402

WEB_SOURCE = None
BUILT_WEB = None
DATA_DIR = None
PAGE_FILES = ("index.html", "page.js", "page.css")
BLACK = (0, 0, 0)


def pack(files, magic=b"IPK1"):
    """A package as pack_data.py writes it, from {name: bytes}."""
    body = magic
    for name, data in files.items():
        encoded = name.encode()
        body += len(encoded).to_bytes(2, "little") + encoded + len(data).to_bytes(4, "little") + data
    return gzip.compress(body, mtime=0)


FIXTURE = {"a.txt": b"hello\n", "sub/b.bin": bytes(range(256)) * 3}
# Folder name -> the package served there (None: none at all), and what the page must say.
BROKEN_PACKAGES = {
    "missing": (None, "is missing on the server"),
    "not-gzip": (b"this is not gzip data at all", "is damaged: it does not decompress"),
    "gzip-cut": (pack(FIXTURE)[:-12], "is damaged: it does not decompress"),
    "other-magic": (pack(FIXTURE, magic=b"ZIP!"), "is damaged: it is not an invitation data package"),
    "file-cut": (gzip.compress(b"IPK1" + (5).to_bytes(2, "little") + b"a.txt" + (100).to_bytes(4, "little")
                               + b"only ten b", mtime=0), "a.txt is cut short"),
    "empty": (pack({}), "it holds no files"),
}


def fit_picture(width, height):
    """FitPicture's rule, written again here so that the page is checked against it."""
    w, h = width, height
    if width * 3 > height * 4:
        w = height * 4 // 3
    elif width * 3 < height * 4:
        h = width * 3 // 4
    return (width - w) // 2, (height - h) // 2, w, h


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="invitation-page-")
        for folder, (package, _) in {"ok": (pack(FIXTURE), None), **BROKEN_PACKAGES}.items():
            os.mkdir(os.path.join(cls.root, folder))
            for name in PAGE_FILES:
                shutil.copy(os.path.join(WEB_SOURCE, name), os.path.join(cls.root, folder))
            if package is not None:
                with open(os.path.join(cls.root, folder, "data.pack.gz"), "wb") as f:
                    f.write(package)
        cls.server = StaticServer(cls.root).__enter__()
        cls.browser = Browser().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def open(self, folder="ok", width=800, height=600, ratio=1.0):
        self.browser.set_viewport(width, height, ratio)
        self.browser.navigate(self.server.url(folder + "/index.html"))
        return self.browser.wait_until("document.body.dataset.state !== 'loading' && document.body.dataset.state")

    def visible(self, element_id):
        """Whether the element is what the user sees at its own centre."""
        return self.browser.evaluate(f"""(() => {{
            const e = document.getElementById({element_id!r}), r = e.getBoundingClientRect();
            return r.width > 0 && r.height > 0 && document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) === e;
        }})()""")

    def click_element(self, element_id):
        r = self.browser.evaluate(f"document.getElementById({element_id!r}).getBoundingClientRect().toJSON()")
        self.browser.click(r["x"] + r["width"] / 2, r["y"] + r["height"] / 2)

    def start(self):
        self.click_element("start-button")
        return self.browser.wait_until("['running', 'error'].includes(document.body.dataset.state) && document.body.dataset.state")

    def test_start_screen_then_the_picture(self):
        self.assertEqual(self.open(), "ready")
        self.assertTrue(self.visible("start-button"))
        self.assertFalse(self.visible("escape-button"))
        self.assertEqual(self.browser.evaluate("[...invitation.files].map(([name, bytes]) => [name, Array.from(bytes)])"),
                         [[name, list(data)] for name, data in FIXTURE.items()])
        self.assertEqual(self.start(), "running", self.browser.evaluate("errorBox.textContent"))
        self.assertFalse(self.visible("start-button"))
        self.assertTrue(self.visible("escape-button"))
        self.assertEqual(self.browser.evaluate("invitation.audio.state"), "running")

    def test_start_pressed_while_loading_starts_once_loaded(self):
        # The package arrives a second late; the start button is pressed before.
        identifier = self.browser.add_script_on_load(
            "const realFetch = window.fetch;"
            "window.fetch = (...a) => new Promise(r => setTimeout(r, 1000)).then(() => realFetch(...a));")
        try:
            for folder, final, words in [("ok", "running", None), ("missing", "error", "is missing on the server")]:
                with self.subTest(folder=folder):
                    self.browser.navigate(self.server.url(folder + "/index.html"))
                    self.assertEqual(self.browser.evaluate("document.body.dataset.state"), "loading")
                    self.click_element("start-button")
                    self.browser.wait_until("document.body.dataset.state === 'starting'")
                    self.assertIn("as soon as", self.browser.evaluate("progressText.textContent"))
                    self.assertEqual(self.browser.wait_until(
                        "['running', 'error'].includes(document.body.dataset.state) && document.body.dataset.state"),
                        final)
                    if words:
                        # Said once, though both the loading and the start ran into it.
                        self.assertEqual(self.browser.evaluate("errorBox.textContent").count(words), 1)
        finally:
            self.browser.remove_script_on_load(identifier)

    def test_resizes_keep_the_picture_4_3_and_the_bars_black(self):
        self.open()
        self.assertEqual(self.start(), "running")
        # (CSS width, height, device pixel ratio): bars beside, above and below, none, and sizes
        # whose device pixels do not divide evenly.
        for width, height, ratio in [(800, 500, 1), (500, 800, 1), (640, 480, 1), (1001, 500, 2), (333, 777, 1.5)]:
            with self.subTest(size=(width, height, ratio)):
                self.browser.set_viewport(width, height, ratio)
                device = (round(width * ratio), round(height * ratio))
                x, bottom, w, h = fit_picture(*device)
                self.browser.wait_until(f"screenCanvas.width === {device[0]} && screenCanvas.height === {device[1]}")
                self.browser.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")
                shot_w, shot_h, rows = png_pixels(self.browser.screenshot())
                self.assertEqual((shot_w, shot_h), device)
                y = device[1] - bottom - h   # GL counts from the bottom, the screenshot from the top
                middle = y + h // 2
                # A window of a fractional number of device pixels gets its canvas scaled by a
                # fraction of a pixel: the picture's edge pixels may blend with the bars.
                m = 0 if float(width * ratio).is_integer() and float(height * ratio).is_integer() else 1
                # The picture's first bar is white, its last grey, edge to edge; the bars around it black.
                for px, py in [(x + m, middle), (x + m, y + m), (x + w // 16, y + m), (x + w // 16, y + h - 1 - m)]:
                    self.assertEqual(rows[py][px], (255, 255, 255), (px, py))
                r, g, b = rows[y + m][x + w - 1 - m]
                self.assertTrue(r == g == b and 100 < r < 160, (r, g, b))
                if x > 0:
                    for px, py in [(x - 1 - m, middle), (0, middle), (x + w + m, y + m), (device[0] - 1, y)]:
                        self.assertEqual(rows[py][px], BLACK, (px, py))
                if y > 0:
                    for px, py in [(x + w // 2, y - 1 - m), (x + w // 16, 0), (x + w // 16, y + h + m),
                                   (x + w // 16, device[1] - 1)]:
                        self.assertEqual(rows[py][px], BLACK, (px, py))

    def test_escape_control_sends_the_escape_key(self):
        self.open()
        self.assertEqual(self.start(), "running")
        self.browser.evaluate("""window.keysSeen = [];
            for (const type of ['keydown', 'keyup'])
                window.addEventListener(type, e => keysSeen.push([e.type, e.key, e.code, e.keyCode]));""")
        self.click_element("escape-button")
        self.assertEqual(self.browser.evaluate("keysSeen"),
                         [["keydown", "Escape", "Escape", 27], ["keyup", "Escape", "Escape", 27]])

    def test_f_key_and_button_toggle_fullscreen(self):
        self.open()
        self.assertEqual(self.start(), "running")
        self.browser.press_key("f", "KeyF", 70)
        self.browser.wait_until("document.fullscreenElement === document.documentElement")
        self.browser.wait_until("fullscreenButton.textContent === 'Leave fullscreen'")
        self.click_element("fullscreen-button")
        self.browser.wait_until("document.fullscreenElement === null")

    def test_each_broken_package_is_said_in_words(self):
        for folder, (_, words) in BROKEN_PACKAGES.items():
            with self.subTest(folder=folder):
                self.assertEqual(self.open(folder), "error")
                self.assertTrue(self.visible("error"))
                self.assertIn(words, self.browser.evaluate("errorBox.textContent"))
                self.assertIn("data.pack.gz", self.browser.evaluate("errorBox.textContent"))
                self.assertFalse(self.visible("start-button"))
                # The words are drawn: the screenshot is not all black.
                _, _, rows = png_pixels(self.browser.screenshot())
                self.assertTrue(any(pixel != BLACK for row in rows for pixel in row))

    def test_no_webgl_and_no_audio_are_said_in_words(self):
        cases = [
            ("HTMLCanvasElement.prototype.getContext = function () { return null; };", False,
             "cannot show WebGL"),
            ("delete window.AudioContext; delete window.webkitAudioContext;", True, "cannot play sound"),
            ("AudioContext.prototype.resume = () => new Promise(() => {});", True, "sound does not start"),
        ]
        for script, press_start, words in cases:
            with self.subTest(words=words):
                identifier = self.browser.add_script_on_load(script)
                try:
                    state = self.open()
                    if press_start:
                        self.assertEqual(state, "ready")
                        state = self.start()
                    self.assertEqual(state, "error")
                    self.assertTrue(self.visible("error"))
                    self.assertIn(words, self.browser.evaluate("errorBox.textContent"))
                finally:
                    self.browser.remove_script_on_load(identifier)

    def test_the_built_package_holds_the_data_folder(self):
        if not BUILT_WEB:
            self.skipTest("no built web folder given")
        with StaticServer(BUILT_WEB) as server:
            self.browser.set_viewport(800, 600)
            self.browser.navigate(server.url("index.html"))
            self.assertEqual(self.browser.wait_until(
                "document.body.dataset.state !== 'loading' && document.body.dataset.state", timeout=60), "ready")
            got = dict(self.browser.evaluate("[...invitation.files].map(([name, bytes]) => [name, bytes.length])"))
        wanted = {}
        for folder, dirs, files in os.walk(DATA_DIR):
            dirs[:] = [d for d in dirs if not d.startswith(".")]
            for name in files:
                if not name.startswith("."):
                    path = os.path.join(folder, name)
                    wanted[os.path.relpath(path, DATA_DIR)] = os.path.getsize(path)
        self.assertEqual(got, wanted)
        self.assertIn("phatfunk.mod", got)


if __name__ == "__main__":
    WEB_SOURCE = sys.argv[1]
    if len(sys.argv) == 4:
        BUILT_WEB, DATA_DIR = sys.argv[2], sys.argv[3]
    unittest.main(argv=sys.argv[:1])
