// Runs the whole show on the headless platform: a hidden window of any size, a
// virtual clock that moves exactly one frame per presented frame, the music
// rendered offline in lockstep and the keys taken from a script. Used by
// invitation-capture and by whole-show tests.
#pragma once

#include "music/music.h"
#include "panel/screen.h"
#include "show/show.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Stereo frames per second of the offline music.
constexpr int32_t HEADLESS_MIX_RATE = MUSIC_MIX_RATE;
// Show time after which a run that has not ended is stopped.
constexpr double HEADLESS_DEFAULT_LIMIT_MS = 600000.0;

// One line of a key script: at `milliseconds` from the start of the show
// (virtual clock 0 at the show's first frame) the key goes down or up.
struct KeyEvent {
    double milliseconds;
    int32_t virtualKey;
    bool down;
};

// Script format, one event a line: `<milliseconds> <key> down|up`, keys
// escape space enter up down, `#` starts a comment, blank lines allowed.
// Events come back ordered by time (lines of equal time keep their order).
// On a bad line: false, `events` untouched, and `error` names the line
// ("line 3: unknown key \"left\"").
bool ParseKeyScript(std::string_view text, std::vector<KeyEvent>* events, std::string* error);

// The script's name of a virtual key ("escape"), or null for keys it has no name for.
const char* KeyScriptName(int32_t virtualKey);

// The instant of frame `index` at `fps` frames per second, in milliseconds.
double FrameInstant(int64_t index, int32_t fps);
// The first stereo frame of the music at the instant of frame `index`:
// floor(instant x 44100 / 1000), computed without rounding.
int64_t FrameFirstSample(int64_t index, int32_t fps);

struct HeadlessFrame {
    int64_t index;                    // 0 for the first presented frame
    double milliseconds;              // the frame's instant; TimeGetTime read its floor
    int32_t width, height;            // the output size
    const uint8_t* rgb;               // width x height RGB, top row first; null when not read back
    bool sameAsLast;                  // drawn by the same calls as the frame before, so the same pixels
    std::span<const int16_t> audio;   // interleaved stereo heard from this instant to the next frame's
    ShowStatus status;                // as the show published it for this frame
};

struct HeadlessRunOptions {
    int32_t fps = 60;                 // 1 to 1000
    int32_t width = SCREEN_WIDTH;   // the output; the show's 4:3 picture is centred in it
    int32_t height = SCREEN_HEIGHT;
    std::string dataFolder;           // empty: found as the program finds it
    std::vector<KeyEvent> keys;       // in any order; equal times keep theirs
    double limitMilliseconds = HEADLESS_DEFAULT_LIMIT_MS;
    bool readPixels = true;
    // Called once per presented frame, in order. An exception thrown here
    // stops the music and propagates out of RunHeadlessShow.
    std::function<void(const HeadlessFrame&)> onFrame;
};

enum HeadlessResult : int {
    HEADLESS_SHOW_ENDED = 0,
    HEADLESS_STARTUP_FAILED = 1,   // reported on stderr as the program reports it
    HEADLESS_LIMIT_REACHED = 2,    // frames up to the limit were delivered
    HEADLESS_CLOSE_REQUESTED = 3,  // a close request was taken before the show ended
};

// The program's start-up, then the frame loop with the virtual clock, the key
// script and the offline music; the music, the scene and the window are
// released at the end, so a process may run one show after another.
int RunHeadlessShow(const HeadlessRunOptions& options);
