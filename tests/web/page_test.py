"""The page in headless Chromium as a person meets it: the start screen, the show at once after
Start, the 4:3 picture with black bars at any size and pixel ratio, a click on a menu label
opening its entry, the Escape control, the show's end offering it again, the F key, and every
reason the show cannot run said in words on the page.

    page_test.py WEB_SOURCE BUILT_WEB DATA_DIR

WEB_SOURCE is web/ (its page served with packages made here, beside the built program);
BUILT_WEB is the build's web/ folder (page, program, data package) and DATA_DIR the data
folder it packed."""

import gzip
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "web"))
from browser import Browser, StaticServer, png_pixels  # noqa: E402
from pack_data import MAGIC, package_body  # noqa: E402

WEB_SOURCE = None
BUILT_WEB = None
DATA_DIR = None
PAGE_FILES = ("index.html", "page.js", "page.css")
PROGRAM_FILES = ("invitation.js", "invitation.wasm")
BLACK = (0, 0, 0)
# ShowPhase's numbers, as invitation.status carries them.
INTRO, MENU, OUTRO = 1, 2, 3
# The menu's label middles, as web/page_input.cpp finds them: x across the label slots, y at
# the pointer's height for each position (show/menu.h), both from -1 to 1, y upwards.
LABEL_X = 0.72
LABEL_Y = {position: 0.633 + offset for position, offset in enumerate((-0.05, -0.3, -0.65, -0.95, -1.25, -1.55))}
COMPOS_POSITION, TRAVEL_POSITION = 1, 4
COMPOS_ENTRY, TRAVEL_ENTRY = 1, 2


def pack(files, magic=None):
    """A package as pack_data.py writes it, from {name: bytes}; `magic` another first word."""
    body = package_body(list(files.items()))
    if magic is not None:
        body = magic + body[len(magic):]
    return gzip.compress(body, mtime=0)


def piece(zeros, kept):
    return zeros.to_bytes(4, "little") + len(kept).to_bytes(4, "little") + kept


def head(name, size):
    return len(name).to_bytes(2, "little") + name + size.to_bytes(4, "little")


# Runs of zeros at the start, inside and at the end, which the package leaves out.
FIXTURE = {"a.txt": b"hello\n", "sub/b.bin": bytes(range(256)) * 3,
           "c.bmp": bytes(40) + b"BM" + bytes(100) + b"x" + bytes(3) + b"y" + bytes(16)}
# Folder name -> the package served there (None: none at all), and what the page must say.
BROKEN_PACKAGES = {
    "missing": (None, "is missing on the server"),
    "not-gzip": (b"this is not gzip data at all", "is damaged: it is not an invitation data package"),
    # As a host that adds a gzip Content-Encoding of its own hands it over: already unpacked.
    "unpacked": (gzip.decompress(pack(FIXTURE)), "texture data\\scr1.bmp not found!"),
    "gzip-cut": (pack(FIXTURE)[:-12], "is damaged: it does not decompress"),
    "other-magic": (pack(FIXTURE, magic=b"ZIP!"), "is damaged: it is not an invitation data package"),
    "file-cut": (gzip.compress(MAGIC + head(b"a.txt", 100) + piece(0, b"only ten b"), mtime=0),
                 "a.txt is cut short"),
    "piece-beyond": (gzip.compress(MAGIC + head(b"a.txt", 10) + piece(4, b"eight by"), mtime=0),
                     "a.txt does not add up to its size"),
    "empty-piece": (gzip.compress(MAGIC + head(b"a.txt", 10) + piece(0, b""), mtime=0),
                    "a.txt does not add up to its size"),
    "empty": (pack({}), "it holds no files"),
    # Whole, but without the show's pictures: the program's own words.
    "no-pictures": (pack(FIXTURE), "texture data\\scr1.bmp not found!"),
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
        os.symlink(os.path.abspath(BUILT_WEB), os.path.join(cls.root, "ok"))
        for folder, (package, _) in BROKEN_PACKAGES.items():
            os.mkdir(os.path.join(cls.root, folder))
            for name in PAGE_FILES:
                shutil.copy(os.path.join(WEB_SOURCE, name), os.path.join(cls.root, folder))
            for name in PROGRAM_FILES:
                os.symlink(os.path.abspath(os.path.join(BUILT_WEB, name)), os.path.join(cls.root, folder, name))
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
        return self.browser.wait_until("document.body.dataset.state !== 'loading' && document.body.dataset.state",
                                       timeout=60)

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

    def status(self, field):
        return self.browser.evaluate(f"invitation.status && invitation.status[invitation.STATUS.{field}]")

    def wait_for_menu(self):
        self.browser.wait_until(f"invitation.status && invitation.status[invitation.STATUS.PHASE] === {MENU}", timeout=30)

    def click_picture(self, x, y):
        """A click at the picture point (x, y), -1 to 1 with y upwards, in CSS pixels of the viewport."""
        left, bottom, width, height = self.browser.evaluate(
            "(() => { const p = invitation.picture, r = window.devicePixelRatio || 1;"
            " return [p.x / r, p.y / r, p.width / r, p.height / r]; })()")
        page_height = self.browser.evaluate("window.innerHeight")
        self.browser.click(left + (x + 1) / 2 * width, page_height - (bottom + (y + 1) / 2 * height))

    def test_start_screen_then_the_show(self):
        self.assertEqual(self.open(), "ready")
        self.assertTrue(self.visible("start-button"))
        self.assertFalse(self.visible("escape-button"))
        self.assertEqual(self.start(), "running", self.browser.evaluate("errorBox.textContent"))
        self.assertFalse(self.visible("start-button"))
        # The sound follows the show's first frame as soon as the browser lets it.
        self.browser.wait_until("invitation.audio.state === 'running'", timeout=10)
        self.browser.wait_until("invitation.frames > 10")
        self.assertEqual(self.status("PHASE"), INTRO)
        # The show's first frame follows the click within two animation frames.
        gap = self.browser.evaluate("invitation.timings.firstFrame - invitation.timings.startGesture")
        self.assertLess(gap, 1000, "from the click to the first frame")
        # The music runs: the intro's clock moves on.
        self.browser.wait_until(f"invitation.status[invitation.STATUS.MUSIC_MS] > 500", timeout=10)

    def test_start_pressed_while_loading_starts_once_loaded(self):
        # The package and the program arrive a second late; the start button is pressed before.
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
                        "['running', 'error'].includes(document.body.dataset.state) && document.body.dataset.state",
                        timeout=60), final)
                    if words:
                        # Said once, though both the loading and the start ran into it.
                        self.assertEqual(self.browser.evaluate("errorBox.textContent").count(words), 1)
        finally:
            self.browser.remove_script_on_load(identifier)

    def test_resizes_keep_the_picture_4_3_and_the_bars_black(self):
        self.open()
        self.assertEqual(self.start(), "running")
        self.wait_for_menu()
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
                middle_x, middle_y = x + w // 2, y + h // 2
                # The menu's backdrop reaches every edge of the picture (a fractional window may
                # blend the edge pixel with the bar: one pixel in); the bars around it are black.
                for px, py in [(x + 1, middle_y), (x + w - 2, middle_y), (middle_x, y + 1), (middle_x, y + h - 2)]:
                    self.assertNotEqual(rows[py][px], BLACK, (px, py))
                if x > 0:
                    for px, py in [(x - 2, middle_y), (0, middle_y), (x + w + 1, y + 1), (device[0] - 1, y)]:
                        self.assertEqual(rows[py][px], BLACK, (px, py))
                if y > 0:
                    for px, py in [(middle_x, y - 2), (x + w // 16, 0), (x + w // 16, y + h + 1),
                                   (x + w // 16, device[1] - 1)]:
                        self.assertEqual(rows[py][px], BLACK, (px, py))

    def test_a_click_on_a_label_opens_its_entry(self):
        self.open(width=900, height=600)
        self.assertEqual(self.start(), "running")
        self.wait_for_menu()
        for position, entry in [(COMPOS_POSITION, COMPOS_ENTRY), (TRAVEL_POSITION, TRAVEL_ENTRY)]:
            with self.subTest(position=position):
                self.click_picture(LABEL_X, LABEL_Y[position])
                self.browser.wait_until(f"invitation.status[invitation.STATUS.ENTRY] === {entry}", timeout=5)
                self.assertEqual(self.status("POSITION"), position)
                self.assertEqual(self.status("PAGE"), 0)
        # A click beside the labels does nothing.
        self.click_picture(-0.5, LABEL_Y[COMPOS_POSITION])
        self.browser.evaluate("new Promise(r => setTimeout(r, 300))")
        self.assertEqual((self.status("ENTRY"), self.status("POSITION")), (TRAVEL_ENTRY, TRAVEL_POSITION))

    def test_escape_control_ends_the_show_which_offers_itself_again(self):
        self.open()
        self.assertEqual(self.start(), "running")
        self.wait_for_menu()
        self.browser.evaluate("document.body.dispatchEvent(new PointerEvent('pointermove', {bubbles: true}))")
        self.assertTrue(self.visible("escape-button"))
        self.click_element("escape-button")
        self.browser.wait_until(f"invitation.status[invitation.STATUS.PHASE] === {OUTRO}", timeout=5)
        # The outro's eight seconds, then the end.
        self.browser.wait_until("document.body.dataset.state === 'ended'", timeout=20)
        self.assertTrue(self.visible("again-button"))
        self.assertFalse(self.visible("escape-button"))
        self.click_element("again-button")
        self.browser.wait_until("document.body.dataset.state === 'running' && invitation.frames > 5")
        self.assertEqual(self.status("PHASE"), INTRO)
        self.browser.wait_until(f"invitation.status[invitation.STATUS.MUSIC_MS] > 500", timeout=10)

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
                self.assertFalse(self.visible("start-button"))
                # The words are drawn: the screenshot is not all black.
                _, _, rows = png_pixels(self.browser.screenshot())
                self.assertTrue(any(pixel != BLACK for row in rows for pixel in row))
        # The package is unpacked byte for byte, whatever it holds.
        self.open("no-pictures")
        self.assertEqual(self.browser.evaluate("[...invitation.files].map(([name, bytes]) => [name, Array.from(bytes)])"),
                         [[name, list(data)] for name, data in FIXTURE.items()])

    def test_no_webgl_and_no_audio_are_said_in_words(self):
        cases = [
            ("HTMLCanvasElement.prototype.getContext = function () { return null; };", False,
             "cannot show WebGL"),
            ("delete window.AudioContext; delete window.webkitAudioContext;", False, "cannot play sound"),
            ("AudioContext.prototype.resume = () => new Promise(() => {});", True, "sound does not start"),
        ]
        for script, press_start, words in cases:
            with self.subTest(words=words):
                identifier = self.browser.add_script_on_load(script)
                try:
                    state = self.open()
                    if press_start:
                        # The show begins at the click; sound that never starts stops it, in words.
                        self.assertEqual(state, "ready")
                        self.click_element("start-button")
                        state = self.browser.wait_until(
                            "document.body.dataset.state === 'error' && document.body.dataset.state", timeout=10)
                    self.assertEqual(state, "error")
                    self.assertTrue(self.visible("error"))
                    self.assertIn(words, self.browser.evaluate("errorBox.textContent"))
                finally:
                    self.browser.remove_script_on_load(identifier)

    def test_the_built_package_holds_the_data_folder(self):
        self.assertEqual(self.open(), "ready")
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
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    WEB_SOURCE, BUILT_WEB, DATA_DIR = sys.argv[1:]
    unittest.main(argv=sys.argv[:1])
