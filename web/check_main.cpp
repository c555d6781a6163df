// The page's deterministic mode: the whole show run as the capture runs it (virtual
// clock, a key script, the music rendered offline), with chosen frames, the log and
// the sound handed to the page, so that a test can hold them against the native capture.
#include "tools/capture/capture_log.h"
#include "tools/capture/headless_run.h"
#include "platform/headless.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct CheckRun {
    std::string log;
    std::vector<int16_t> sound;
    std::vector<uint8_t> rgb;
};

CheckRun TheRun;

}  // namespace

extern "C" {

// Runs the show with `keys` (the key script format) at `fps` on the width x height canvas;
// the frames whose indices are listed in `wanted` (ascending) are read back and handed
// to the page's invitation.checkFrame(index, rgb, width, height). Answers the run's result
// (HeadlessResult); web_check_log and web_check_sound then give the rest.
EMSCRIPTEN_KEEPALIVE int web_check_run(const char* keys, int fps, int width, int height, const int32_t* wanted,
                                       int wantedCount) {
    HeadlessRunOptions options;
    std::string error;
    if (!ParseKeyScript(keys, &options.keys, &error)) {
        std::fprintf(stderr, "Error: key script %s\n", error.c_str());
        return HEADLESS_STARTUP_FAILED;
    }
    options.fps = fps;
    options.width = width;
    options.height = height;
    options.dataFolder = "/data";
    options.readPixels = false;
    std::vector<int32_t> chosen(wanted, wanted + std::max(0, wantedCount));
    std::sort(chosen.begin(), chosen.end());
    CheckRun& run = TheRun;
    run = {};
    run.log = CaptureLogHeader();
    run.rgb.resize(static_cast<size_t>(width) * height * 3);
    options.onFrame = [&](const HeadlessFrame& frame) {
        run.log += CaptureLogLine(frame.index, frame.milliseconds, frame.status);
        run.sound.insert(run.sound.end(), frame.audio.begin(), frame.audio.end());
        if (!std::binary_search(chosen.begin(), chosen.end(), static_cast<int32_t>(frame.index))) return;
        // The canvas keeps what was drawn until the page's task ends, a repeated frame's too.
        ReadFrameRgb(run.rgb.data(), width, height);
        EM_ASM({ window.invitation.checkFrame($0, HEAPU8.slice($1, $1 + $2 * $3 * 3), $2, $3); },
               static_cast<int>(frame.index), run.rgb.data(), width, height);
    };
    return RunHeadlessShow(options);
}

EMSCRIPTEN_KEEPALIVE const char* web_check_log() { return TheRun.log.c_str(); }

// Interleaved stereo 16-bit samples of the whole run; their number in *count.
EMSCRIPTEN_KEEPALIVE const int16_t* web_check_sound(int* count) {
    *count = static_cast<int>(TheRun.sound.size());
    return TheRun.sound.data();
}

}  // extern "C"
