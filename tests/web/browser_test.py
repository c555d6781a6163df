"""The test browser and server themselves: WebGL drawn and read back through the driver,
screenshots, console messages, errors, .wasm served as such, and Chromium gone on every
way out."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, BrowserError, StaticServer, png_pixels  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# The smallest module WebAssembly accepts: its magic number and version.
EMPTY_WASM = b"\0asm\1\0\0\0"


class DriverTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="invitation-web-")
        shutil.copy(os.path.join(HERE, "webgl_probe.html"), cls.folder)
        with open(os.path.join(cls.folder, "empty.wasm"), "wb") as f:
            f.write(EMPTY_WASM)
        cls.server = StaticServer(cls.folder).__enter__()
        cls.browser = Browser(width=200, height=150).__enter__()
        cls.browser.navigate(cls.server.url("webgl_probe.html"))

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_webgl_draws_and_reads_back(self):
        result = self.browser.evaluate("drawAndRead()")
        self.assertFalse(result["attributes"]["alpha"])
        self.assertFalse(result["attributes"]["antialias"])
        self.assertEqual(result["inside"], [255, 128, 0, 255])
        self.assertEqual(result["outside"], [51, 102, 153, 255])

    def test_screenshot_shows_the_frame(self):
        self.browser.evaluate("drawAndRead()")
        width, height, rows = png_pixels(self.browser.screenshot())
        self.assertEqual((width, height), (200, 150))
        self.assertEqual(rows[150 - 1 - 60][100], (255, 128, 0))
        self.assertEqual(rows[150 - 1 - 5][5], (51, 102, 153))

    def test_console_and_errors_reach_the_test(self):
        self.assertIn(("log", "webgl probe ready"), self.browser.console)
        self.browser.evaluate("console.error('bad', 42)")
        self.browser.wait_until("true")
        self.assertIn(("error", "bad 42"), self.browser.console)
        with self.assertRaisesRegex(BrowserError, "thrown here"):
            self.browser.evaluate("(() => { throw new Error('thrown here'); })()")
        with self.assertRaisesRegex(BrowserError, "rejected here"):
            self.browser.evaluate("Promise.reject(new Error('rejected here'))")

    def test_server_gives_wasm_its_type_and_404_for_what_is_missing(self):
        # instantiateStreaming refuses a response of any other type.
        self.assertEqual(self.browser.evaluate(
            "WebAssembly.instantiateStreaming(fetch('empty.wasm')).then(() => 'compiled')"), "compiled")
        self.assertEqual(self.browser.evaluate("fetch('missing.bin').then(r => r.status)"), 404)
        self.assertIn(("/missing.bin", 404), self.server.requests)


# A test process that opens a browser and then waits to be ended.
CHILD = textwrap.dedent("""
    import sys, time
    sys.path.insert(0, %r)
    from browser import Browser
    with Browser() as browser:
        print(browser.pid, browser.profile, flush=True)
        time.sleep(120)
""") % HERE


def group_alive(group):
    """Whether a process of the group runs; zombies have ended, only not been reaped yet."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if int(fields[2]) == group and fields[0] != "Z":
                return True
    return False


class StopTest(unittest.TestCase):
    def test_chromium_ends_with_the_test_on_every_way_out(self):
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGKILL):
            with self.subTest(signal=signal.Signals(number).name):
                child = subprocess.Popen([sys.executable, "-c", CHILD], stdout=subprocess.PIPE, text=True)
                pid, profile = child.stdout.readline().split()
                child.stdout.close()
                pid = int(pid)
                self.assertTrue(group_alive(pid))
                child.send_signal(number)
                child.wait(timeout=30)
                # Every process of Chromium's group ends: the browser with the test, its
                # helpers with the browser.
                for _ in range(200):
                    if not group_alive(pid):
                        break
                    subprocess.run(["sleep", "0.05"])
                self.assertFalse(group_alive(pid), "chromium still runs")
                if number != signal.SIGKILL:
                    self.assertFalse(os.path.exists(profile), "its profile folder is left behind")
                shutil.rmtree(profile, ignore_errors=True)

    def test_a_closed_browser_is_gone(self):
        with Browser() as browser:
            pid, profile = browser.pid, browser.profile
        self.assertFalse(group_alive(pid))
        self.assertFalse(os.path.exists(profile))


if __name__ == "__main__":
    unittest.main()
