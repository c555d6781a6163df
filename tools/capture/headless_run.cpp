// The whole show on the headless platform, frame by frame, with its key script.
#include "tools/capture/headless_run.h"

#include "tools/common/source_text.h"

#include "app/run_program.h"

#include "music/music.h"
#include "music/offline.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

namespace {

struct KeyScriptKey {
    const char* name;
    int32_t virtualKey;
};

constexpr KeyScriptKey KEY_SCRIPT_KEYS[] = {
    {"escape", VK_ESCAPE}, {"space", VK_SPACE}, {"enter", VK_RETURN}, {"up", VK_UP}, {"down", VK_DOWN},
};

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

std::string Quoted(std::string_view word) {
    std::string quoted = "\"";
    quoted.append(word);
    quoted += '"';
    return quoted;
}

// Empty when the line is good (or blank); otherwise what is wrong with it.
std::string ParseKeyLine(std::string_view line, bool* hasEvent, KeyEvent* event) {
    *hasEvent = false;
    size_t comment = line.find('#');
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> words = SplitWords(line);
    if (words.empty()) return {};
    if (words.size() != 3) return "expected \"<milliseconds> <key> down|up\"";

    double milliseconds = 0;
    if (!ParseWholeDouble(words[0], &milliseconds) || milliseconds < 0)
        return "bad time " + Quoted(words[0]) + " (milliseconds from the start of the show, 0 or more)";

    int32_t virtualKey = -1;
    for (const KeyScriptKey& key : KEY_SCRIPT_KEYS)
        if (SameWord(words[1], key.name)) virtualKey = key.virtualKey;
    if (virtualKey < 0) return "unknown key " + Quoted(words[1]) + " (escape, space, enter, up or down)";

    bool down;
    if (SameWord(words[2], "down"))
        down = true;
    else if (SameWord(words[2], "up"))
        down = false;
    else
        return "expected down or up, not " + Quoted(words[2]);

    *hasEvent = true;
    *event = {milliseconds, virtualKey, down};
    return {};
}

struct HeadlessRunState {
    const HeadlessRunOptions* options;
    std::vector<KeyEvent> keys;   // ordered by time
    size_t nextKey = 0;
    std::vector<uint8_t> rgb;
    std::vector<int16_t> audio;
    DrawList lastDrawn;
    bool drawnOnce = false;
};

// Key events whose time has come reach KeyTable at the next PumpMessages.
void QueueDueKeys(HeadlessRunState& state, double instant) {
    const std::vector<KeyEvent>& keys = state.keys;
    while (state.nextKey < keys.size() && keys[state.nextKey].milliseconds <= instant) {
        ScriptKey(keys[state.nextKey].virtualKey, keys[state.nextKey].down);
        ++state.nextKey;
    }
}

// Draws the frame unless its calls equal the last frame's (most of a show is a
// page being read), reads it back, and renders the music heard from its instant
// to the next frame's, at the level the frame asks for.
HeadlessFrame FinishFrame(HeadlessRunState& state, const Scene& scene, const Frame& shown, int64_t index) {
    const HeadlessRunOptions& options = *state.options;
    HeadlessFrame frame{};
    frame.index = index;
    frame.width = options.width;
    frame.height = options.height;
    frame.milliseconds = FrameInstant(index, options.fps);
    frame.status = shown.status;
    frame.sameAsLast = state.drawnOnce && shown.calls == state.lastDrawn;
    if (!frame.sameAsLast) {
        DrawFrameCalls(scene, shown.calls);
        state.lastDrawn = shown.calls;
        state.drawnOnce = true;
    }
    if (options.readPixels) {
        // An unchanged frame's pixels are still in the buffer.
        if (!frame.sameAsLast) ReadFrameRgb(state.rgb.data(), options.width, options.height);
        frame.rgb = state.rgb.data();
    }
    SetMusicLevel(shown.musicLevel);
    state.audio.clear();
    RenderMusicUntil(FrameFirstSample(index + 1, options.fps), &state.audio);
    frame.audio = state.audio;
    return frame;
}

}  // namespace

bool ParseKeyScript(std::string_view text, std::vector<KeyEvent>* events, std::string* error) {
    std::vector<KeyEvent> parsed;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++lineNumber;
        bool hasEvent = false;
        KeyEvent event{};
        std::string problem = ParseKeyLine(text.substr(start, end - start), &hasEvent, &event);
        if (!problem.empty()) {
            if (error) *error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
        if (hasEvent) parsed.push_back(event);
        start = end + 1;
    }
    std::stable_sort(parsed.begin(), parsed.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.milliseconds < b.milliseconds; });
    *events = std::move(parsed);
    return true;
}

const char* KeyScriptName(int32_t virtualKey) {
    for (const KeyScriptKey& key : KEY_SCRIPT_KEYS)
        if (key.virtualKey == virtualKey) return key.name;
    return nullptr;
}

double FrameInstant(int64_t index, int32_t fps) { return static_cast<double>(index) * 1000.0 / fps; }

int64_t FrameFirstSample(int64_t index, int32_t fps) { return index * HEADLESS_MIX_RATE / fps; }

int RunHeadlessShow(const HeadlessRunOptions& options) {
    if (options.fps < 1 || options.fps > 1000) {
        std::fprintf(stderr, "Error: frame rate %d is not from 1 to 1000\n", options.fps);
        return HEADLESS_STARTUP_FAILED;
    }
    if (options.width < 1 || options.height < 1) {
        std::fprintf(stderr, "Error: output size %dx%d is empty\n", options.width, options.height);
        return HEADLESS_STARTUP_FAILED;
    }
    ProgramOptions programOptions;
    programOptions.width = options.width;
    programOptions.height = options.height;
    programOptions.dataFolder = options.dataFolder;
    // A show starts with no key held, whatever an earlier run in this process left down.
    ReleaseAllKeys();
    SetVirtualClock(0.0);
    Program program = StartProgram(programOptions, nullptr);
    // Whatever the way out, the music, the scene and the window are released.
    auto release = [&program] {
        StopMusic();
        program.scene.reset();
        CloseDisplayWindow(program.window);
    };
    if (!program.window) {
        release();
        return HEADLESS_STARTUP_FAILED;
    }

    HeadlessRunState state;
    state.options = &options;
    state.keys = options.keys;
    std::stable_sort(state.keys.begin(), state.keys.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.milliseconds < b.milliseconds; });
    if (options.readPixels) state.rgb.resize(static_cast<size_t>(options.width) * options.height * 3);
    QueueDueKeys(state, 0.0);

    int result = HEADLESS_SHOW_ENDED;
    try {
        ShowState show = StartShow();
        for (int64_t index = 0; !ShowOver(show); ++index) {
            if (ShowTakesInput(show) && PumpMessages() == PumpResult::CLOSE_REQUESTED) {
                result = HEADLESS_CLOSE_REQUESTED;
                break;
            }
            Frame shown = StepShow(show, ReadFrameInput());
            // Frames from the limit on are not handed over: the show must end before it.
            if (FrameInstant(index, options.fps) >= options.limitMilliseconds) {
                result = HEADLESS_LIMIT_REACHED;
                break;
            }
            HeadlessFrame frame = FinishFrame(state, *program.scene, shown, index);
            if (options.onFrame) options.onFrame(frame);
            PresentFrame();
            double next = FrameInstant(index + 1, options.fps);
            SetVirtualClock(next);
            QueueDueKeys(state, next);
        }
    } catch (...) {
        release();
        throw;
    }
    release();
    return result;
}
