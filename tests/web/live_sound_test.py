"""The page played live by Chromium into pulseaudio: its sound and music clock against what was heard.

Headless Chromium plays the show as a person starts it (its real clock, Web Audio) into
pulseaudio's null sink while parec records the sink's monitor: Start is clicked, Escape goes
down and up at instants of the music heard, the outro plays to its end and the page offers
the show again. The native capture plays the same show (Escape released at the same instant
of the music) and its audio.wav must be what was heard, window by window (sound-compare,
which must also hear a 50 ms dropout). The page's music clock must be what the sink has
played: the median of their difference within one frame.

    with-pulseaudio live_sound_test.py CAPTURE_TOOL SOUND_COMPARE DATA_DIR WEB_DIR SHOTS_DIR

The recording and the capture's audio.wav are kept in SHOTS_DIR when the sound differs."""

import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from browser import Browser, StaticServer, die_with_parent  # noqa: E402

RATE, FRAME_BYTES = 44100, 4
# Small: SwiftShader draws the page's WebGL on the cores the sound needs, which a person's
# GPU would leave alone. What is drawn is web.same-show's to check.
WIDTH, HEIGHT = 320, 240
VK_ESCAPE = 27
# Released in the menu, as the desktop's sound test does: the show lasts about 20 s.
ESCAPE_MS = 10500
ESCAPE_DOWN_MS = ESCAPE_MS - 200
FRAME_MS = 1000 / 60
# The machine running the tests is shared with builds and other browsers. Behind them, at any
# niceness (Chromium sets its threads' niceness itself anyway), Chromium's audio service waited
# 100 ms and more to write to the server, and the page's main thread, which must answer the
# script node within one of its requests (46 ms) or be heard as stale sound, was held up as
# long, waiting on the rest of Chromium. As on a desktop, where the sound's threads are
# real-time (and the GPU is hardware), Chromium runs round-robin real-time where that is
# allowed (as root), above the machine's other work: the audio service and the recorder at the
# level Chromium gives its renderers' audio threads, the renderers below them, then the browser
# process, then the GPU process, lowest, so that SwiftShader's long turns hold up no other.
AUDIO_PRIORITY, PAGE_PRIORITY, BROWSER_PRIORITY, DRAW_PRIORITY = 8, 4, 3, 2
# The device asks for one script node request at a time (2048 frames, 46 ms: Chromium's
# "interactive" 512 left the server short whenever a build took the cores); the music clock
# must then see through 100 ms of output latency.
CHROMIUM_SOUND_FLAGS = ["--audio-buffer-size=2048"]
# parec hands over what the monitor gives it in pieces this long at most; the null sink then
# renders ahead by no more than this either (the monitor's latency bounds the sink's).
RECORDER_LATENCY_MS = 5
SAMPLE_EVERY_S = 0.05
SHOW_TIMEOUT_S = 90
ARGS = None

# Run before the click, so that it is the first animation frame callback of every frame, before
# the page's loop body: a key it sends is read by that frame's input, as a key event between
# two frames is. Escape down, then up, at the first frame whose music heard has reached it.
ESCAPE_SCRIPT = """
window.liveEscape = [];
(function watch() {
  const program = invitation.program;
  if (document.body.dataset.state === "running") {
    const ms = program._web_music_ms(), sent = window.liveEscape;
    if (sent.length === 0 && ms >= %(down)d) { program._web_key(%(key)d, 1); sent.push(ms); }
    else if (sent.length === 1 && ms >= %(up)d) { program._web_key(%(key)d, 0); sent.push(ms); }
  }
  if (window.liveEscape.length < 2) requestAnimationFrame(watch);
})();
""" % {"down": ESCAPE_DOWN_MS, "up": ESCAPE_MS, "key": VK_ESCAPE}

# The page's wall time around its music clock (epoch ms, the clock time.time() reads).
SAMPLE = """(() => {
  const before = performance.timeOrigin + performance.now();
  const ms = invitation.program._web_music_ms();
  const after = performance.timeOrigin + performance.now();
  return [before, ms, after, document.body.dataset.state];
})()"""


# Chromium's own count of the sound its audio output had to make up (silence played because
# the page's audio was late), where it offers one.
PLAYBACK_STATS = """(() => {
  const stats = invitation.audio.playbackStats;
  return stats ? [stats.underrunEvents, stats.underrunDuration * 1000, stats.totalDuration] : null;
})()"""


def realtime(priority, tid=0):
    """Round-robin real-time at `priority` for a thread (0: this one), unless it has more."""
    try:
        if os.sched_getscheduler(tid) in (os.SCHED_RR, os.SCHED_FIFO) and os.sched_getparam(tid).sched_priority >= priority:
            return
        os.sched_setscheduler(tid, os.SCHED_RR, os.sched_param(priority))
    except (PermissionError, ProcessLookupError):
        pass


def recorder_start():
    """parec's preexec_fn: it dies with the test and runs real-time."""
    die_with_parent()
    realtime(AUDIO_PRIORITY)


def chromium_realtime(browser):
    """Every thread of Chromium's browser process, audio service, renderers and GPU process
    real-time, each process at its level (threads of one level share the cores in turns of
    100 ms, the levels above them first)."""
    levels = {b"--utility-sub-type=audio.mojom.AudioService": AUDIO_PRIORITY, b"--type=renderer": PAGE_PRIORITY,
              b"--type=gpu-process": DRAW_PRIORITY}
    for entry in os.listdir("/proc"):
        try:
            if not entry.isdigit() or os.getpgid(int(entry)) != browser.pid:
                continue
            # Chromium rewrites its helpers' command lines as one string.
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                words = f.read().replace(b"\0", b" ").split()
            if int(entry) == browser.pid:
                level = BROWSER_PRIORITY
            else:
                level = next((levels[word] for word in words if word in levels), None)
            if level is not None:
                for tid in os.listdir("/proc/%s/task" % entry):
                    realtime(level, int(tid))
        except (OSError, ValueError):
            continue   # gone meanwhile


def sink_latency_ms():
    """The null sink's configured latency: how far ahead of what it has played it renders."""
    listing = subprocess.run(["pactl", "list", "sinks"], capture_output=True, text=True, timeout=10).stdout
    found = re.search(r"Latency: \d+ usec, configured (\d+) usec", listing)
    return int(found.group(1)) / 1000 if found else None


def compare(capture_wav, recording):
    run = subprocess.run([ARGS["compare"], capture_wav, recording], capture_output=True, text=True, timeout=120)
    return run.returncode, run.stdout + run.stderr


class LiveSoundTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="live-sound-")
        cls.capture_wav = os.path.join(cls.dir, "frames", "audio.wav")
        cls.recording = os.path.join(cls.dir, "recording.raw")
        try:
            keys = os.path.join(cls.dir, "show.keys")
            with open(keys, "w") as f:
                f.write("%d escape down\n%d escape up\n" % (ESCAPE_DOWN_MS, ESCAPE_MS))
            capture = subprocess.run([ARGS["capture"], "--frames-dir", os.path.join(cls.dir, "frames"),
                                      "--only-frames", "0", "--keys", keys, "--data", ARGS["data"]],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=300)
            if capture.returncode != 0:
                raise RuntimeError("the capture failed: " + capture.stderr[-2000:])
            cls.live_show()
            cls.sound = compare(cls.capture_wav, cls.recording)
            cls.clock_errors = cls.clock_errors_from(cls.sound[1])
        except BaseException:
            # tearDownClass does not run then.
            shutil.rmtree(cls.dir, ignore_errors=True)
            raise

    @classmethod
    def live_show(cls):
        cls.samples, cls.unsure_samples, cls.sink_latency = [], 0, None
        recorder = None
        try:
            with StaticServer(ARGS["web"]) as server, \
                    Browser(WIDTH, HEIGHT, sound=True, flags=CHROMIUM_SOUND_FLAGS) as browser:
                browser.navigate(server.url("index.html"))
                browser.wait_until("document.body.dataset.state === 'ready'", timeout=120)
                # Recording from before the click: the music's start is found in it by sound-compare.
                with open(cls.recording, "wb") as out, open(os.path.join(cls.dir, "parec.log"), "wb") as log:
                    recorder = subprocess.Popen(
                        ["parec", "--device=invitation.monitor", "--format=s16le", "--rate=%d" % RATE, "--channels=2",
                         "--raw", "--latency-msec=%d" % RECORDER_LATENCY_MS],
                        stdout=out, stderr=log, preexec_fn=recorder_start)
                deadline = time.monotonic() + 10
                while os.path.getsize(cls.recording) == 0:
                    if recorder.poll() is not None or time.monotonic() > deadline:
                        raise RuntimeError("parec records nothing from the null sink's monitor")
                    time.sleep(0.02)
                browser.evaluate(ESCAPE_SCRIPT)
                box = browser.evaluate("(() => { const r = document.getElementById('start-button')"
                                       ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()")
                browser.click(*box)
                browser.wait_until("document.body.dataset.state === 'running'", timeout=30, interval=0.01)
                # The audio service's threads are there once the page has its audio context.
                chromium_realtime(browser)
                cls.sample_until_the_end(browser)
                cls.sink_latency = cls.sink_latency or sink_latency_ms()
                cls.end = browser.evaluate("[document.body.dataset.state, document.getElementById('end').hidden,"
                                           " invitation.status, window.liveEscape]")
                cls.playback = browser.evaluate(PLAYBACK_STATS)
                cls.console = browser.console
                # The last of the sound reaches the monitor the sink's latency later.
                time.sleep(0.5)
        finally:
            if recorder:
                recorder.terminate()
                recorder.wait()

    @classmethod
    def sample_until_the_end(cls, browser):
        """Pairs (the page's music clock, what the recording held) at instants spread over the show."""
        deadline = time.monotonic() + SHOW_TIMEOUT_S
        while time.monotonic() < deadline:
            asked_at = time.time() * 1000
            before_page, music_ms, after_page, state = browser.evaluate(SAMPLE)
            before_read = time.time() * 1000
            size = os.path.getsize(cls.recording)
            read_at = time.time() * 1000
            if state == "ended":
                return
            if state == "running" and music_ms > 0:
                page_at = (before_page + after_page) / 2
                # The file's size is known to within a millisecond, and the page's wall clock
                # is this process's: else the sample says nothing.
                if read_at - before_read > 1 or not asked_at - 1 <= page_at <= before_read + 1:
                    cls.unsure_samples += 1
                else:
                    # What the recording held at the page's instant: the file grows at the rate.
                    recorded_ms = size / FRAME_BYTES / RATE * 1000 - ((before_read + read_at) / 2 - page_at)
                    cls.samples.append((music_ms, recorded_ms))
                if cls.sink_latency is None and len(cls.samples) == 20:
                    cls.sink_latency = sink_latency_ms()
            # Not in step with the sink's blocks or the page's frames.
            time.sleep(SAMPLE_EVERY_S * random.uniform(0.5, 1.5))
        raise RuntimeError("the show did not end within %d s of the click" % SHOW_TIMEOUT_S)

    @classmethod
    def clock_errors_from(cls, compared):
        """The page's music clock minus the music the sink had played, per sample (ms)."""
        found = re.search(r"the capture starts (-?[\d.]+) ms into the recording", compared)
        if not found or not cls.samples or cls.sink_latency is None:
            return []
        start_ms = float(found.group(1))
        # The null sink renders a block (its latency) ahead of what it has played, and the
        # monitor hands each block to parec as it is rendered: the file holds what was played
        # and up to a block more, half a block at an instant taken at random. (parec's own
        # latency is no more than that block; its delivery, at real-time priority, well under
        # a millisecond.) The page's clock counts whole milliseconds, rounded down.
        lead_ms = cls.sink_latency / 2
        return [music_ms + 0.5 - (recorded_ms - lead_ms - start_ms) for music_ms, recorded_ms in cls.samples]

    @classmethod
    def tearDownClass(cls):
        print("\n--- the page live through pulseaudio")
        print(cls.sound[1].rstrip())
        escape = cls.end[3]
        if len(escape) == 2:
            print("Escape went down at %d ms and up at %d ms of the music heard (the capture's: %d and %d)"
                  % (escape[0], escape[1], ESCAPE_DOWN_MS, ESCAPE_MS))
        if cls.playback:
            print("Chromium made up %d times for late sound (%.0f ms) in %.1f s of output" % tuple(cls.playback))
        errors = sorted(cls.clock_errors)
        if errors:
            print("the music clock minus what the sink had played, %d samples (%d unsure left out): median %+.1f ms,"
                  " 10%% %+.1f, 90%% %+.1f, from %+.1f to %+.1f ms (the sink renders %.1f ms ahead, half of it counted)"
                  % (len(errors), cls.unsure_samples, statistics.median(errors), errors[len(errors) // 10],
                     errors[len(errors) * 9 // 10], errors[0], errors[-1], cls.sink_latency))
        shutil.rmtree(cls.dir, ignore_errors=True)

    def keep(self):
        shutil.rmtree(ARGS["shots"], ignore_errors=True)
        os.makedirs(ARGS["shots"])
        for path in (self.recording, self.capture_wav, os.path.join(self.dir, "parec.log")):
            if os.path.exists(path):
                shutil.copy(path, ARGS["shots"])
        return "(the recording and the capture's audio.wav are kept in %s)" % ARGS["shots"]

    def test_the_show_plays_to_its_end_and_offers_itself_again(self):
        state, end_hidden, status, escape = self.end
        self.assertEqual(state, "ended", "console: %s" % self.console[-10:])
        self.assertFalse(end_hidden, "the Play again box is hidden")
        self.assertEqual(status[0], 1, "the show's last status is not 'over'")
        self.assertEqual(len(escape), 2, "Escape was not pressed and released")

    def test_the_sound_heard_is_the_captures(self):
        status, text = self.sound
        if status != 0:
            self.fail("the sound heard is not the capture's:\n%s\n%s" % (text, self.keep()))
        cut = RATE * FRAME_BYTES * 5
        dropout = os.path.join(self.dir, "dropout.raw")
        with open(self.recording, "rb") as f, open(dropout, "wb") as out:
            recorded = f.read()
            out.write(recorded[:cut] + bytes(RATE // 20 * FRAME_BYTES) + recorded[cut:])
        status, text = compare(self.capture_wav, dropout)
        self.assertEqual(status, 1, "a recording with a 50 ms dropout passed the comparison:\n" + text)

    def test_the_music_clock_is_what_the_sink_has_played(self):
        if self.sound[0] != 0:
            # Sound dropped or made up moves the music in the recording: no measure then.
            self.skipTest("the recording is not the capture's sound")
        errors = self.clock_errors
        self.assertGreater(len(errors), 50, "too few samples of the clock (%d unsure; the sink's latency: %s)"
                           % (self.unsure_samples, self.sink_latency))
        self.assertLessEqual(abs(statistics.median(errors)), FRAME_MS,
                             "the page's music clock is off by more than one frame")


if __name__ == "__main__":
    names = ["capture", "compare", "data", "web", "shots"]
    if len(sys.argv) != len(names) + 1:
        sys.exit(__doc__)
    ARGS = dict(zip(names, sys.argv[1:]))
    unittest.main(argv=[sys.argv[0], "-v"])
