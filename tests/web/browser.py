"""Headless Chromium driven over its DevTools protocol, and a static HTTP server, for the web tests.

    with StaticServer(folder) as server, Browser() as browser:
        browser.navigate(server.url("index.html"))
        browser.evaluate("document.title")

Both listen on 127.0.0.1 at a free port and stop on every way out: the end of the `with`,
an exception, SIGTERM or SIGINT (turned into SystemExit), and, for Chromium, the death of
this process (the kernel kills it with its parent, and its helpers follow it).
"""

import base64
import ctypes
import functools
import http.server
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import urllib.request
import zlib

import websocket  # Debian's python3-websocket

CHROMIUM = "/usr/bin/chromium"
# Headless Chromium draws WebGL on SwiftShader, its software GPU, by itself (even with
# --disable-gpu); newer releases want that fallback allowed in so many words, hence
# --enable-unsafe-swiftshader. The rest keeps it off the network and quiet: this machine
# reaches no host but the package registries.
CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",  # we run as root
    "--enable-unsafe-swiftshader",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-quic",
    "--disable-default-apps",
    "--disable-extensions",
    "--no-first-run",
    "--no-default-browser-check",
    "--remote-debugging-address=127.0.0.1",
    "--remote-debugging-port=0",  # a free port, written to DevToolsActivePort
]
# Silent unless a test listens: it then finds the sound server through PULSE_SERVER, as
# Debian's Chromium plays through pulseaudio's client library.
MUTE_FLAG = "--mute-audio"
START_TIMEOUT = 30.0
CALL_TIMEOUT = 60.0


class BrowserError(Exception):
    pass


def _exit_on_signals():
    """SIGTERM (ctest's timeout) and SIGINT end the test through SystemExit, so every
    `with` and `finally` on the way out runs."""

    def leave(number, _frame):
        raise SystemExit(128 + number)

    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, leave)


def die_with_parent():
    """For subprocess's preexec_fn: the child gets SIGKILL when this process dies."""
    # PR_SET_PDEATHSIG = 1. Chromium's children follow its browser process.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL, 0, 0, 0)


def process_group_alive(group):
    try:
        os.killpg(group, 0)
        return True
    except ProcessLookupError:
        return False


def end_process_group(group, timeout=10.0):
    """Kills what is left of a process group and waits until it is gone."""
    try:
        os.killpg(group, signal.SIGKILL)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + timeout
    while process_group_alive(group) and time.monotonic() < deadline:
        time.sleep(0.02)


class StaticServer:
    """Serves a folder on 127.0.0.1 at a free port, .wasm as application/wasm; records every
    request's path and status in `requests`."""

    def __init__(self, folder):
        self.folder = os.fspath(folder)
        self.requests = []
        self._server = None
        self._thread = None

    def __enter__(self):
        _exit_on_signals()
        requests = self.requests

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              ".wasm": "application/wasm", ".js": "text/javascript",
                              ".gz": "application/octet-stream"}

            def end_headers(self):
                # Every test sees the files as they are now.
                self.send_header("Cache-Control", "no-store")
                super().end_headers()

            def log_request(self, code="-", size="-"):
                requests.append((self.path, int(code) if str(code).isdigit() else code))

            def log_message(self, *args):
                pass

        handler = functools.partial(Handler, directory=self.folder)
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self._server.daemon_threads = True
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()
        return self

    @property
    def port(self):
        return self._server.server_address[1]

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.port, path.lstrip("/"))

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._server = None


class Browser:
    """One headless Chromium with one page, spoken to over the DevTools protocol; muted unless
    `sound`, with `flags` added to CHROMIUM_FLAGS."""

    def __init__(self, width=800, height=600, sound=False, flags=()):
        self.width, self.height = width, height
        self.sound, self.flags = sound, list(flags)
        self.console = []  # (level, text) of console calls, uncaught exceptions and log entries
        self._process = None
        self._profile = None
        self._socket = None
        self._next_id = 0
        self._events = []

    # --- start and stop ---------------------------------------------------------------

    def __enter__(self):
        _exit_on_signals()
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        self._profile = tempfile.mkdtemp(prefix="invitation-chromium-")
        log = open(os.path.join(self._profile, "chromium.log"), "wb")
        # Its own temporary files (the singleton socket's folder) go with the profile.
        scratch = os.path.join(self._profile, "tmp")
        os.mkdir(scratch)
        self._process = subprocess.Popen(
            [CHROMIUM, *CHROMIUM_FLAGS, *([] if self.sound else [MUTE_FLAG]), *self.flags,
             "--user-data-dir=" + self._profile, "--window-size=%d,%d" % (self.width, self.height), "about:blank"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=die_with_parent,
            env={**os.environ, "TMPDIR": scratch},
            start_new_session=True)  # a process group of its own: all of Chromium, to end at once
        log.close()
        port_file = os.path.join(self._profile, "DevToolsActivePort")
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            if self._process.poll() is not None:
                raise BrowserError("chromium exited with %s at start:\n%s" % (self._process.returncode, self.log_tail()))
            if os.path.exists(port_file):
                with open(port_file) as f:
                    lines = f.read().split()
                if len(lines) >= 2:
                    port = int(lines[0])
                    break
            if time.monotonic() > deadline:
                raise BrowserError("chromium gave no DevTools port within %d s:\n%s" % (START_TIMEOUT, self.log_tail()))
            time.sleep(0.05)
        with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=10) as answer:
            targets = json.load(answer)
        page = next(t for t in targets if t.get("type") == "page")
        self._socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=CALL_TIMEOUT,
                                                   suppress_origin=True)
        for domain in ("Page", "Runtime", "Log"):
            self.call(domain + ".enable")
        self.set_viewport(self.width, self.height)

    def close(self):
        if self._socket:
            try:
                self._socket.close()
            except Exception:
                pass
            self._socket = None
        if self._process:
            if self._process.poll() is None:
                self._process.terminate()
                try:
                    self._process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    self._process.kill()
                    self._process.wait()
            # Its helpers (GPU, network, renderers) may outlive it for a moment and write
            # into the profile: they go too before the profile is removed.
            end_process_group(self._process.pid)
            self._process = None
        if self._profile:
            shutil.rmtree(self._profile, ignore_errors=True)
            self._profile = None

    @property
    def pid(self):
        return self._process.pid if self._process else None

    @property
    def profile(self):
        return self._profile

    def log_tail(self, lines=20):
        try:
            with open(os.path.join(self._profile, "chromium.log"), errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""

    # --- the protocol -----------------------------------------------------------------

    def call(self, method, **params):
        """Sends one command and returns its result; events that arrive meanwhile are kept."""
        self._next_id += 1
        ident = self._next_id
        self._socket.send(json.dumps({"id": ident, "method": method, "params": params}))
        while True:
            message = self._receive()
            if message.get("id") == ident:
                if "error" in message:
                    raise BrowserError("%s: %s" % (method, message["error"].get("message")))
                return message.get("result", {})

    def _receive(self, timeout=CALL_TIMEOUT):
        self._socket.settimeout(timeout)
        message = json.loads(self._socket.recv())
        if "method" in message:
            self._note(message)
            self._events.append(message)
        return message

    def _note(self, event):
        method, params = event["method"], event.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type", "log"), text))
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            text = details.get("exception", {}).get("description") or details.get("text", "")
            self.console.append(("exception", text))
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            self.console.append((entry.get("level", "log"), entry.get("text", "")))

    def wait_for_event(self, method, timeout=CALL_TIMEOUT):
        """Returns the first event of this name not yet waited for, waiting for it if need be."""
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self._events):
                if event["method"] == method:
                    return self._events.pop(i)
            left = deadline - time.monotonic()
            if left <= 0:
                raise BrowserError("no %s within %d s" % (method, timeout))
            try:
                self._receive(timeout=left)
            except websocket.WebSocketTimeoutException:
                pass

    # --- what the tests do ------------------------------------------------------------

    def navigate(self, url, timeout=CALL_TIMEOUT):
        """Opens `url` and returns once its load event has fired."""
        self._events = [e for e in self._events if e["method"] != "Page.loadEventFired"]
        result = self.call("Page.navigate", url=url)
        if result.get("errorText"):
            raise BrowserError("cannot open %s: %s" % (url, result["errorText"]))
        self.wait_for_event("Page.loadEventFired", timeout)

    def evaluate(self, expression, timeout=CALL_TIMEOUT):
        """The value of a JavaScript expression, a promise awaited; a thrown error raises BrowserError."""
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True, returnByValue=True,
                           timeout=int(timeout * 1000))
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text", "")
            raise BrowserError("JavaScript error: %s" % text)
        return result.get("result", {}).get("value")

    def wait_until(self, expression, timeout=10.0, interval=0.05):
        """Waits until the expression is truthy; returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise BrowserError("still false after %.0f s: %s" % (timeout, expression))
            time.sleep(interval)

    def add_script_on_load(self, source):
        """Runs `source` in every page opened from now on, before the page's own scripts; returns
        an identifier for remove_script_on_load."""
        return self.call("Page.addScriptToEvaluateOnNewDocument", source=source)["identifier"]

    def remove_script_on_load(self, identifier):
        self.call("Page.removeScriptToEvaluateOnNewDocument", identifier=identifier)

    def set_viewport(self, width, height, device_pixel_ratio=1.0):
        """Resizes the page's viewport (the page gets a resize event)."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=device_pixel_ratio, mobile=False)

    def screenshot(self, path=None):
        """A PNG of the viewport: its bytes, also written to `path` when given."""
        data = base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])
        if path:
            with open(path, "wb") as f:
                f.write(data)
        return data

    def press_key(self, key, code, key_code):
        """A key pressed and released, as the keyboard sends it (`key` "f", `code` "KeyF", 70)."""
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code, windowsVirtualKeyCode=key_code,
                      nativeVirtualKeyCode=key_code)

    def click(self, x, y):
        """A left click at CSS pixel (x, y) of the viewport: a user gesture for the page."""
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)


def png_pixels(data):
    """(width, height, rows) of an 8-bit RGB or RGBA PNG such as Chromium's screenshots;
    rows[y][x] is an (r, g, b) tuple."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    depth, colour, interlace = header[8], header[9], header[12]
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("only 8-bit RGB/RGBA PNGs without interlace")
    step = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = previous[i], previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return width, height, rows
