#!/usr/bin/python3
"""The browser version's costs in headless Chromium, beside the native program's in the same run.

    bench/web/page_bench.py BUILD_DIR smooth          the whole tour live at 60 Hz: frame gaps, start gesture to first frame
    bench/web/page_bench.py BUILD_DIR menu            the tour uncapped: each frame's cost, beside panel_bench's menu frame
    bench/web/page_bench.py BUILD_DIR load [--runs N] navigation to ready, step by step, beside show_bench's launch
    bench/web/page_bench.py BUILD_DIR all

BUILD_DIR is a Release build with the web page (-DINVITATION_WEB=ON or -DINVITATION_WEB_TESTS=ON).
The page is served from BUILD_DIR/web on 127.0.0.1 and driven by tests/web/browser.py; the
tour's keys (assets/tour.keys) are pressed by a script in the page at their show times, the
show's time starting at its first frame, so the show runs as a visitor would see it: real
clock, Web Audio, Chromium's software GPU (SwiftShader). The machine's other work shows in
every figure: run it on a quiet machine, or several times."""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
from browser import Browser, StaticServer  # noqa: E402

WIDTH, HEIGHT = 640, 480
TOUR = os.path.join(ROOT, "assets", "tour.keys")
KEY_CODES = {"escape": 27, "space": 32, "enter": 13, "up": 38, "down": 40}
# A frame later than this after the one before missed at least one refresh at 60 Hz.
LATE_GAP_MS = 20.0
# Frames this soon after a key: the menu's pointer glides, its pages cross-fade (MENU_RATE).
MOVING_MS = 1000.0
# The outro and the end box come well before this after the last key.
SHOW_END_TIMEOUT_S = 60.0
LOAD_TARGET_RATIO = 2.5
# Chromium is at rest once two windows in a row use less than this share of one core.
SETTLE_WINDOW_S, SETTLE_QUIET_S, SETTLE_TIMEOUT_S = 0.25, 0.1, 20
GESTURE_TARGET_FRAMES = 2
PHASES = {1: "intro", 2: "menu", 3: "outro", 4: "done"}
UNCAPPED_FLAGS = ["--disable-frame-rate-limit", "--disable-gpu-vsync"]

# Runs in the page before its own script. Every page frame is the page's requestAnimationFrame
# callback: it is wrapped to press the tour's keys due by then and to record the frame
# (its timestamp, the time in it, the status it left). A ticker of its own counts every
# animation frame, the page's or not. In the load run, texImage2D and texSubImage2D are
# timed, which is where the pictures leave the program.
PAGE_SCRIPT = r"""
(() => {
  const config = %s;
  const bench = window.bench = { frames: [], ticks: [], keysSent: 0, showStart: null, texImageMs: 0, texImages: 0 };
  const nativeRaf = window.requestAnimationFrame.bind(window);
  let gl = null;
  let pixel = new Uint8Array(4);
  if (config.ticker) {
    const tick = stamp => { bench.ticks.push([stamp, performance.now()]); nativeRaf(tick); };
    nativeRaf(tick);
  }
  // Each sound callback (the music rendered on the page's thread): [start, ms].
  bench.audio = [];
  const processor = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, "onaudioprocess");
  Object.defineProperty(ScriptProcessorNode.prototype, "onaudioprocess", {
    get() { return processor.get.call(this); },
    set(handler) {
      processor.set.call(this, handler && (event => {
        const start = performance.now();
        handler(event);
        bench.audio.push([start, performance.now() - start]);
      }));
    },
  });
  // Each line the program writes to the console (its order notices): [start, ms].
  bench.console = [];
  const log = console.log;
  console.log = (...args) => {
    const start = performance.now();
    log.apply(console, args);
    bench.console.push([start, performance.now() - start]);
  };
  // The draw calls of each page frame: 0 where the canvas keeps the frame before.
  let draws = 0;
  const drawArrays = WebGL2RenderingContext.prototype.drawArrays;
  WebGL2RenderingContext.prototype.drawArrays = function (...args) { draws++; return drawArrays.apply(this, args); };
  window.requestAnimationFrame = callback => nativeRaf(stamp => {
    const page = window.invitation;
    const start = performance.now();
    draws = 0;
    if (page.frames === 0) bench.showStart = start;
    const showTime = start - bench.showStart;
    while (bench.keysSent < config.keys.length && config.keys[bench.keysSent][0] <= showTime) {
      const [, code, down] = config.keys[bench.keysSent++];
      page.program._web_key(code, down);
    }
    callback(stamp);
    const called = performance.now();
    if (config.sync) {
      // One pixel read back waits until the GPU has drawn the whole frame.
      gl = gl || document.getElementById("screen").getContext("webgl2");
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
    }
    const done = performance.now();
    const s = page.status || [];
    bench.frames.push([stamp, start - bench.showStart, called - start, done - start, s[1], s[4], s[5], draws, start]);
  });
  if (config.texImage) {
    const proto = WebGL2RenderingContext.prototype, upload = proto.texImage2D, uploadPart = proto.texSubImage2D;
    proto.texImage2D = function (...args) {
      const start = performance.now();
      const result = upload.apply(this, args);
      bench.texImageMs += performance.now() - start;
      bench.texImages++;
      return result;
    };
    proto.texSubImage2D = function (...args) {
      const start = performance.now();
      const result = uploadPart.apply(this, args);
      bench.texImageMs += performance.now() - start;
      return result;
    };
  }
})();
"""


def tour_keys():
    """[show ms, virtual key, 1 down / 0 up] of the built-in tour."""
    keys = []
    with open(TOUR) as f:
        for line in f:
            parts = line.split("#", 1)[0].split()
            if parts:
                keys.append([int(parts[0]), KEY_CODES[parts[1]], 1 if parts[2] == "down" else 0])
    return keys


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))] if ordered else float("nan")


def page_folder(build, web=None):
    folder = web or os.path.join(build, "web")
    if not os.path.exists(os.path.join(folder, "invitation.wasm")):
        sys.exit("no %s/invitation.wasm: build with -DINVITATION_WEB=ON (or -DINVITATION_WEB_TESTS=ON)" % folder)
    return folder


def settle(browser):
    """Waits until a fresh Chromium has done its own start-up (its interface's pages and
    services: about a second of both cores here), as a visitor's browser has before they follow
    a link; measured from its start, a load shares the cores with it."""
    window, quiet = SETTLE_WINDOW_S, SETTLE_QUIET_S * SETTLE_WINDOW_S
    deadline = time.monotonic() + SETTLE_TIMEOUT_S
    before, calm = sum(chromium_cpu(browser.pid).values()), 0
    while calm < 2:
        if time.monotonic() > deadline:
            raise RuntimeError("Chromium did not come to rest within %d s of its start" % SETTLE_TIMEOUT_S)
        time.sleep(window)
        now = sum(chromium_cpu(browser.pid).values())
        calm = calm + 1 if now - before < quiet else 0
        before = now


def click_start(browser):
    box = browser.evaluate("(() => { const r = startButton.getBoundingClientRect(); "
                           "return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()")
    browser.click(box["x"], box["y"])


def play_tour(browser, server, sync=False, ticker=False):
    """Opens the page, waits until it is ready, starts the show with a click and plays the tour
    to its end. Returns Chromium's CPU use (chromium_cpu before, after, seconds) and what the
    page recorded."""
    keys = tour_keys()
    browser.add_script_on_load(PAGE_SCRIPT % json.dumps({"keys": keys, "sync": sync, "ticker": ticker,
                                                         "texImage": False}))
    settle(browser)
    browser.navigate(server.url("index.html"))
    browser.wait_until("invitation.timings.ready", timeout=120)
    browser.wait_until("document.body.dataset.state === 'ready'", timeout=10)
    click_start(browser)
    browser.wait_until("invitation.frames > 0", timeout=30)
    cpu_before, started = chromium_cpu(browser.pid), time.monotonic()
    show_seconds = keys[-1][0] / 1000.0 + SHOW_END_TIMEOUT_S
    state = browser.wait_until("['ended', 'error'].includes(document.body.dataset.state) && document.body.dataset.state",
                               timeout=show_seconds, interval=1.0)
    if state != "ended":
        raise RuntimeError("the page says: " + (browser.evaluate("errorBox.textContent") or state))
    cpu = (cpu_before, chromium_cpu(browser.pid), time.monotonic() - started)
    return cpu, browser.evaluate("""({
      frames: bench.frames, ticks: bench.ticks, keysSent: bench.keysSent, timings: invitation.timings,
      audioCalls: bench.audio, consoleCalls: bench.console,
      audio: { state: invitation.audio.state, sampleRate: invitation.audio.sampleRate,
               baseLatency: invitation.audio.baseLatency, outputLatency: invitation.audio.outputLatency,
               time: invitation.audio.currentTime },
      musicMs: invitation.status[invitation.STATUS.MUSIC_MS],
      userAgent: navigator.userAgent,
    })""", timeout=120)


def chromium_cpu(session):
    """CPU seconds used so far by each kind of Chromium process (browser, gpu-process, renderer,
    utility ...) of the browser's session (browser.py starts it in a session of its own)."""
    ticks = os.sysconf("SC_CLK_TCK")
    used = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/cmdline" % name, "rb") as f:
                # Chromium rewrites its helpers' command lines into one string.
                arguments = f.read().replace(b"\0", b" ").split()
        except OSError:
            continue
        if int(fields[3]) != session:
            continue
        kind = next((a[7:].decode() for a in arguments if a.startswith(b"--type=")), "browser")
        if kind == "utility":
            kind = next((a[19:].decode().rsplit(".", 1)[-1] for a in arguments
                         if a.startswith(b"--utility-sub-type=")), kind)
        used[kind] = used.get(kind, 0.0) + (int(fields[11]) + int(fields[12])) / ticks
    return used


def describe_cpu(before, after, seconds):
    shares = ", ".join("%s %.0f%%" % (kind, 100.0 * (after[kind] - before.get(kind, 0.0)) / seconds)
                       for kind in sorted(after, key=lambda k: before.get(k, 0.0) - after[k]))
    print("  Chromium's CPU during the show, in shares of one core: " + shares)


def describe_run(run, keys):
    frames = run["frames"]
    pages = sorted({(f[5], f[6]) for f in frames if f[4] == 2})
    seconds = (frames[-1][1] - frames[0][1]) / 1000.0
    print("  %d frames in %.1f s of show (%.1f per second); %d of %d key events pressed; %d menu pages shown"
          % (len(frames), seconds, len(frames) / seconds, run["keysSent"], len(keys), len(pages)))
    audio = run["audio"]
    print("  audio: context %s at %d Hz (base latency %s s), %.1f s played; the show heard %.1f s of music at its end"
          % (audio["state"], audio["sampleRate"], audio["baseLatency"], audio["time"], run["musicMs"] / 1000.0))


def smooth(build, web):
    """The tour live at Chromium's 60 Hz."""
    keys = tour_keys()
    with StaticServer(page_folder(build, web)) as server, Browser(WIDTH, HEIGHT) as browser:
        cpu, run = play_tour(browser, server, ticker=True)
    frames = run["frames"]
    print("Smoothness: the whole tour live, %dx%d, headless Chromium (%s)"
          % (WIDTH, HEIGHT, run["userAgent"].split("Chrome/")[-1].split()[0]))
    describe_run(run, keys)
    describe_cpu(*cpu)
    gaps = [(frames[i][0] - frames[i - 1][0], frames[i], frames[i - 1]) for i in range(1, len(frames))]
    late = [g for g in gaps if g[0] > LATE_GAP_MS]
    refresh = statistics.median(g[0] for g in gaps)
    print("  frame gaps: median %.2f ms, largest %.1f ms, %d over %.0f ms (of %d)"
          % (refresh, max(g[0] for g in gaps), len(late), LATE_GAP_MS, len(gaps)))
    for phase in sorted({f[4] for f in frames}):
        mine = [g for g in gaps if g[1][4] == phase]
        if mine:
            print("    %-6s %5d gaps, largest %6.1f ms, %4d over %.0f ms" % (
                PHASES.get(phase, phase), len(mine), max(g[0] for g in mine),
                sum(1 for g in mine if g[0] > LATE_GAP_MS), LATE_GAP_MS))
    times = [k[0] for k in keys]

    def since_key(frame):
        return min((frame[1] - t for t in times if t <= frame[1]), default=float("inf"))

    moving = sum(1 for g in late if since_key(g[1]) < MOVING_MS)
    drawn = sum(1 for g in late if g[2][7])
    print("  of those over %.0f ms: %d within %.0f ms of a key (gliding, cross-fading), %d still;"
          " the frame before drawn in %d, keeping the canvas in %d"
          % (LATE_GAP_MS, moving, MOVING_MS, len(late) - moving, drawn, len(late) - drawn))
    print("  the largest:")
    for gap, frame, before in sorted(late, key=lambda g: -g[0])[:10]:
        print("    %.1f ms before the frame at %.2f s of show, %.0f ms after a key; draws before it %d, in it %d"
              " (%s, entry %s page %s)" % (gap, frame[1] / 1000.0, since_key(frame), before[7], frame[7],
                                           PHASES.get(frame[4], frame[4]), frame[5], frame[6]))
    calls = run["audioCalls"]
    if calls:
        print("  the music's callbacks on the page's thread: %d, median %.2f ms, p99 %.2f ms, largest %.2f ms"
              % (len(calls), statistics.median(c[1] for c in calls), percentile([c[1] for c in calls], 0.99),
                 max(c[1] for c in calls)))
        # A late frame whose gap holds a callback: the page's thread was rendering music.
        with_call = sum(1 for gap, frame, before in late
                        if any(before[8] <= c[0] <= frame[8] for c in calls))
        print("  late frames with a music callback inside their gap: %d of %d" % (with_call, len(late)))
    writes = run["consoleCalls"]
    if writes:
        with_write = sum(1 for gap, frame, before in late if any(before[8] <= c[0] <= frame[8] for c in writes))
        print("  lines written to the console: %d, median %.2f ms, largest %.2f ms; late frames with one inside"
              " their gap: %d of %d" % (len(writes), statistics.median(c[1] for c in writes),
                                        max(c[1] for c in writes), with_write, len(late)))
    busiest = max(frames, key=lambda f: f[2])
    print("  time in the page's frame callback: median %.2f ms, largest %.2f ms (at %.2f s, %s)"
          % (statistics.median(f[2] for f in frames), busiest[2], busiest[1] / 1000.0, PHASES.get(busiest[4])))
    gesture(run)
    # What the browser and the machine give any page: the same refresh in a fresh Chromium of
    # the same kind, with nothing to do but clear a canvas, for as long as the tour.
    bare = bare_frames((), frames[-1][1] / 1000.0)
    bare_gaps = [bare[i][0] - bare[i - 1][0] for i in range(1, len(bare))]
    bare_late = sorted((g for g in bare_gaps if g > LATE_GAP_MS), reverse=True)
    print("An empty page in a fresh Chromium for as long (a canvas cleared each frame): %d gaps, median %.2f ms,"
          " %d over %.0f ms%s" % (len(bare_gaps), statistics.median(bare_gaps), len(bare_late), LATE_GAP_MS,
                                  " (" + ", ".join("%.1f" % g for g in bare_late[:10]) + " ms)" if bare_late else ""))


def gesture(run):
    """From the click on Start to the show's first frame, in ms and in animation frames."""
    timings = run["timings"]
    clicked, first = timings["startGesture"], timings["firstFrame"]
    first_stamp = run["frames"][0][0]
    # The animation frames begun after the click, the one with the show's first frame included.
    count = sum(1 for stamp, now in run["ticks"] if now > clicked and stamp <= first_stamp)
    print("Start gesture to the show's first frame: %.1f ms, %d animation frame%s (target: at most %d)"
          % (first - clicked, count, "" if count == 1 else "s", GESTURE_TARGET_FRAMES))


def native_menu_frame(build):
    """panel_bench's menu frames (offscreen, Mesa): the busiest menu frame and its calls alone."""
    program = os.path.join(build, "panel_bench")
    if not os.path.exists(program):
        return None
    run = subprocess.run([program, "--benchmark_filter=Menu|ClearSwap", "--benchmark_format=json"],
                         capture_output=True, text=True, timeout=600)
    if run.returncode != 0:
        print("  panel_bench failed: " + run.stderr[-500:])
        return None
    # Its own summary lines follow the JSON.
    report, _ = json.JSONDecoder().raw_decode(run.stdout)
    return {b["name"].split("/")[0]: b["frame_ms"] for b in report["benchmarks"]}


# The browser's own floor: a canvas of the page's size and kind (platform/web.cpp's context
# attributes) only cleared each frame and read back the same way.
BARE_PAGE = """<!doctype html>
<html><body style="margin:0;background:#000;overflow:hidden">
<canvas id="screen" style="position:absolute;inset:0;width:100%;height:100%"></canvas>
<script>
const canvas = document.getElementById("screen");
canvas.width = innerWidth;
canvas.height = innerHeight;
const gl = canvas.getContext("webgl2", { alpha: false, antialias: false, depth: true, stencil: false,
                                         premultipliedAlpha: false });
const pixel = new Uint8Array(4);
window.frames = [];
function frame(stamp) {
  const start = performance.now();
  gl.clearColor(0.2, 0.2, 0.2, 1);
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  const called = performance.now();
  gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  frames.push([stamp, 0, called - start, performance.now() - start]);
  requestAnimationFrame(frame);
}
requestAnimationFrame(frame);
</script></body></html>
"""
BARE_SECONDS = 20


def bare_frames(flags, seconds=BARE_SECONDS):
    """BARE_PAGE's frames over `seconds`."""
    folder = tempfile.mkdtemp(prefix="invitation-bare-")
    try:
        with open(os.path.join(folder, "index.html"), "w") as f:
            f.write(BARE_PAGE)
        with StaticServer(folder) as server, Browser(WIDTH, HEIGHT, flags=flags) as browser:
            settle(browser)
            browser.navigate(server.url("index.html"))
            time.sleep(seconds)
            return browser.evaluate("frames")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def menu(build, web):
    """The tour uncapped: every frame's cost, the menu's busiest."""
    keys = tour_keys()
    native = native_menu_frame(build)
    with StaticServer(page_folder(build, web)) as server, Browser(WIDTH, HEIGHT, flags=UNCAPPED_FLAGS) as browser:
        cpu, run = play_tour(browser, server, sync=True)
    frames = run["frames"]
    print("Menu frames uncapped (%s), %dx%d, each frame read back (one pixel) so that its drawing is done"
          % (" ".join(UNCAPPED_FLAGS), WIDTH, HEIGHT))
    describe_run(run, keys)
    describe_cpu(*cpu)
    times = [k[0] for k in keys]
    menu_frames = [f for f in frames if f[4] == 2]

    def moving(frame):
        return any(0 <= frame[1] - t < MOVING_MS for t in times)

    drew = [f for f in menu_frames if f[7]]
    groups = [("every menu frame", menu_frames),
              ("calls changed (drawn again)", drew),
              ("gliding, cross-fading", [f for f in menu_frames if moving(f)]),
              ("still", [f for f in menu_frames if not moving(f)])]
    print("  (gliding, cross-fading: within %.0f ms of a key; drawn: web_frame() and the GPU's work done)" % MOVING_MS)
    print("  %-40s %9s %9s %9s %7s" % ("", "median", "p99", "largest", "frames"))
    for name, group in groups:
        for label, column in (("web_frame()", 2), ("drawn", 3)):
            values = [f[column] for f in group]
            print("  %-40s %6.2f ms %6.2f ms %6.2f ms %7d" % (name + ", " + label, statistics.median(values),
                                                               percentile(values, 0.99), max(values), len(values)))
    draws = [f[7] for f in drew]
    print("  draw calls in the frames it drew: median %d, largest %d (an additive picture's lit runs one each)"
          % (statistics.median(draws), max(draws)))
    gaps = [frames[i][0] - frames[i - 1][0] for i in range(1, len(frames)) if frames[i][4] == 2]
    print("  animation frames in the menu: median gap %.2f ms (%.0f per second), largest %.1f ms"
          % (statistics.median(gaps), 1000.0 / statistics.median(gaps), max(gaps)))
    bare = bare_frames(UNCAPPED_FLAGS)[1:]
    bare_gaps = [bare[i][0] - bare[i - 1][0] for i in range(1, len(bare))]
    print("  a bare canvas in a fresh Chromium with the same flags, cleared and read back (%d frames): %.2f ms median, %.2f ms p99;"
          " median gap %.2f ms" % (len(bare), statistics.median(f[3] for f in bare), percentile([f[3] for f in bare], 0.99),
                                   statistics.median(bare_gaps)))
    if native:
        print("  native, panel_bench (offscreen Mesa, the busiest menu frame with glFinish): %.2f ms;"
              " its calls alone %.2f ms; clear and swap %.2f ms"
              % (native.get("BM_MenuWorstFrames", float("nan")), native.get("BM_MenuCallsOnlyFrames", float("nan")),
                 native.get("BM_ClearSwapFrames", float("nan"))))


# --- Loading ---------------------------------------------------------------------------------

def load_steps(run):
    """Each step of one load in ms, from the page's marks (web/page.js) and the program's
    (platform/web.cpp, music/web_audio.cpp, web/warm_up.cpp); a page without some marks
    (an older one, --web) gets the steps it has."""
    t, e = run["timings"], run["entries"]
    # A mark of the page's own where it has one, else the resource's timing.
    fetched = t.get("packageFetched", e["data.pack.gz"]["end"] if "data.pack.gz" in e else None)
    all_in = max(t["packageUnpacked"], t["programCompiled"])
    steps = {
        "navigation to page.js": t["navigationToScript"],
        "package fetched (from page.js)": fetched - t["navigationToScript"],
        "  unpacked, after its last byte": t["packageUnpacked"] - fetched,
        "program fetched (.wasm, from page.js)": e["invitation.wasm"]["end"] - t["navigationToScript"],
        "  compiled and instantiated, after its last byte": t["programCompiled"] - e["invitation.wasm"]["end"],
    }
    steps["both in"] = all_in
    steps["files stored in the program's data folder"] = t["filesStored"] - all_in
    steps["window (WebGL 2 context)"] = t["windowMade"] - t["filesStored"]
    steps["pictures decoded and uploaded"] = t["sceneLoaded"] - t["windowMade"]
    steps["  of which in texImage2D and texSubImage2D calls"] = run["texImageMs"]
    if "warmUpDrawn" in t and t.get("audioMade", 0) > t["warmUpDrawn"]:
        # The pictures drawn once and sent, then the sound while the GPU works through them.
        steps["first draws (warm-up), sent"] = t["warmUpDrawn"] - t["sceneLoaded"]
        steps["the sound's context made"] = t["audioMade"] - t["warmUpDrawn"]
        steps["module loaded, audio output made"] = t["musicStarted"] - t["audioMade"]
        steps["  then waiting for the GPU to have done the rest"] = t["ready"] - t["musicStarted"]
    else:
        if "audioMade" in t:
            steps["the sound's context made (from page.js)"] = t["audioMade"] - t["navigationToScript"]
        steps["module loaded, audio output made"] = t["musicStarted"] - t["sceneLoaded"]
        if "warmUpDrawn" in t:
            steps["first draws (warm-up)"] = t["warmUpDrawn"] - t["musicStarted"]
            steps["  waiting for the GPU to have done them"] = t["ready"] - t["warmUpDrawn"]
        else:
            steps["first draws (warm-up) and waiting for the GPU"] = t["ready"] - t["musicStarted"]
    steps["navigation to ready"] = t["ready"]
    steps["apart: fetching the package alone"] = run["fetchMs"]
    steps["apart: unpacking the package alone"] = run["unpackMs"]
    steps["apart: compiling invitation.wasm alone"] = run["compileMs"]
    return steps



def load_once(server):
    with Browser(WIDTH, HEIGHT) as browser:
        settle(browser)
        browser.add_script_on_load(PAGE_SCRIPT % json.dumps({"keys": [], "sync": False, "ticker": False,
                                                             "texImage": True}))
        browser.navigate(server.url("index.html"))
        browser.wait_until("invitation.timings.ready", timeout=120, interval=0.02)
        # What the page gives: its marks, each file's fetch, and, measured afterwards apart
        # from the rest, the unpacking and the compilation on their own.
        return browser.evaluate("""(async () => {
          const entries = {};
          for (const e of performance.getEntriesByType("resource"))
            entries[e.name.split("/").pop()] = { start: e.startTime, end: e.responseEnd, size: e.encodedBodySize };
          let at = performance.now();
          const packed = await (await fetch("data.pack.gz")).arrayBuffer();
          const packageSize = packed.byteLength;
          const fetchMs = performance.now() - at;
          at = performance.now();
          const stream = new Response(packed).body.pipeThrough(new DecompressionStream("gzip"));
          const files = unpack(new Uint8Array(await new Response(stream).arrayBuffer()));
          const unpackMs = performance.now() - at;
          const wasm = await (await fetch("invitation.wasm")).arrayBuffer();
          at = performance.now();
          await WebAssembly.compile(wasm);
          const compileMs = performance.now() - at;
          return { timings: invitation.timings, entries, fetchMs, unpackMs, compileMs, files: files.size, packageSize,
                   texImageMs: bench.texImageMs, texImages: bench.texImages };
        })()""")


def native_launch(build):
    """show_bench's launch to first frame (under Xvfb), in ms: the mean of its launches, and a
    bare GL window's."""
    if not os.path.exists(os.path.join(build, "show_bench")):
        sys.exit("no %s/show_bench: build with the benchmarks (INVITATION_BENCH, on by default)" % build)
    run = subprocess.run([os.path.join(ROOT, "tests", "support", "with-xvfb"), "640x480",
                          os.path.join(build, "show_bench"), "--benchmark_filter=Launch", "--benchmark_format=json",
                          "--benchmark_repetitions=1"], capture_output=True, text=True, timeout=600)
    if run.returncode != 0:
        raise RuntimeError("show_bench failed: " + run.stderr[-1000:])
    bench = json.loads(run.stdout)["benchmarks"][0]
    if bench.get("error_occurred"):
        raise RuntimeError("show_bench: " + bench.get("error_message", ""))
    return bench["invitation_ms"], bench["bare_gl_ms"]


def load(build, web, runs):
    """Navigation to ready, each step, against the native launch; alternately, `runs` rounds."""
    folder = page_folder(build, web)
    natives, loads = [], []
    with StaticServer(folder) as server:
        for _ in range(runs):
            natives.append(native_launch(build))
            loads.append(load_once(server))
    steps = [load_steps(run) for run in loads]
    print("Loading, %d rounds (native launch, then the page in a fresh headless Chromium), medians [min, max]" % runs)
    for name in steps[0]:
        values = [s[name] for s in steps if name in s]
        print("  %-50s %8.1f ms  [%.1f, %.1f]" % (name, statistics.median(values), min(values), max(values)))
    native = statistics.median(n[0] for n in natives)
    ready = statistics.median(s["navigation to ready"] for s in steps)
    print("  %-50s %8.1f ms  [%.1f, %.1f] (a bare GL window: %.1f ms)"
          % ("native: launch to first frame (show_bench)", native, min(n[0] for n in natives),
             max(n[0] for n in natives), statistics.median(n[1] for n in natives)))
    # Each round's page against the launches just before it, as the machine's load drifts.
    ratios = [s["navigation to ready"] / n[0] for s, n in zip(steps, natives)]
    print("  ratio: %.2f of the medians, %.2f the median of the rounds' [%.2f, %.2f] (target: at most %.1f)"
          % (ready / native, statistics.median(ratios), min(ratios), max(ratios), LOAD_TARGET_RATIO))
    print("  %d pictures uploaded, %d files in the package, package %.0f KiB, wasm %.0f KiB"
          % (loads[0]["texImages"], loads[0]["files"],
             loads[0]["packageSize"] / 1024, loads[0]["entries"]["invitation.wasm"]["size"] / 1024))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", help="the build folder (with web/, panel_bench, show_bench)")
    parser.add_argument("what", choices=("smooth", "menu", "load", "all"))
    parser.add_argument("--runs", type=int, default=5, help="rounds of the load measurement (default 5)")
    parser.add_argument("--web", help="serve this page folder instead of BUILD_DIR/web (another version of it)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    web = os.path.abspath(args.web) if args.web else None
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    started = time.monotonic()
    if args.what in ("load", "all"):
        load(build, web, args.runs)
    if args.what in ("smooth", "all"):
        smooth(build, web)
    if args.what in ("menu", "all"):
        menu(build, web)
    print("load average: %.2f %.2f %.2f; %.0f s" % (*os.getloadavg(), time.monotonic() - started))


if __name__ == "__main__":
    main()
