// invitation-capture's command line: parsing the options and naming the video's container.
#include "tools/capture/capture_options.h"

#include "tools/common/source_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace {

bool ParseWholeInt(std::string_view text, int32_t* value) {
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return status == std::errc() && end == text.data() + text.size();
}

// "1920x1440": both even (the video's 4:2:0 colour needs it) and at most CAPTURE_MAX_SIDE.
bool ParseSize(std::string_view text, int32_t* width, int32_t* height) {
    size_t cross = text.find('x');
    if (cross == std::string_view::npos) return false;
    int32_t w = 0, h = 0;
    if (!ParseWholeInt(text.substr(0, cross), &w) || !ParseWholeInt(text.substr(cross + 1), &h)) return false;
    for (int32_t side : {w, h})
        if (side < 2 || side > CAPTURE_MAX_SIDE || side % 2 != 0) return false;
    *width = w;
    *height = h;
    return true;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// "12,40,7": sorted, without repeats.
bool ParseFrameList(std::string_view text, std::vector<int64_t>* frames) {
    std::vector<int64_t> parsed;
    for (std::string_view word : SplitWords(text, ",")) {
        int64_t frame = -1;
        auto [end, status] = std::from_chars(word.data(), word.data() + word.size(), frame);
        if (status != std::errc() || end != word.data() + word.size() || frame < 0) return false;
        parsed.push_back(frame);
    }
    if (parsed.empty()) return false;
    std::sort(parsed.begin(), parsed.end());
    parsed.erase(std::unique(parsed.begin(), parsed.end()), parsed.end());
    *frames = std::move(parsed);
    return true;
}

}  // namespace

const char* CaptureUsage() {
    return "usage: invitation-capture [--out FILE] [--fps N] [--keys FILE] [--frames-dir DIR] [--log FILE]\n"
           "                          [--limit SECONDS] [--size WxH] [--data DIR] [--only-frames N,M,...]\n"
           "  --out FILE        the video, .mp4 or .mkv (default invitation.mp4); needs ffmpeg\n"
           "  --fps N           frames per second of show time, 1 to 1000 (default 60)\n"
           "  --keys FILE       key script: lines of \"<milliseconds> <key> down|up\", keys escape space\n"
           "                    enter up down, # starts a comment (default: the built-in tour)\n"
           "  --frames-dir DIR  numbered PNG frames and audio.wav in DIR instead of a video\n"
           "  --log FILE        one CSV line per frame: frame,time_ms,phase,order,row,entry,page,position\n"
           "  --limit SECONDS   show time after which a show that has not ended is an error (default 600)\n"
           "  --size WxH        the frame size, even numbers up to 8192 (default 640x480); the 4:3 picture\n"
           "                    as large as fits, centred, black bars beside or above it\n"
           "  --data DIR        the pictures and the music (default: data here, else beside the tool)\n"
           "  --only-frames N,M,...  with --frames-dir: only these frames as PNG (audio.wav whole)\n";
}

bool ParseCaptureArguments(int argc, const char* const* argv, CaptureOptions* options, std::string* error) {
    bool framesGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options->help = true;
            continue;
        }
        std::string_view name = argument;
        std::string_view value;
        bool hasValue = false;
        size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        bool known = name == "--out" || name == "--fps" || name == "--keys" || name == "--frames-dir" ||
                     name == "--log" || name == "--limit" || name == "--size" || name == "--data" ||
                     name == "--only-frames";
        if (!known) {
            *error = "unknown option " + std::string(argument);
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                *error = std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (value.empty()) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        if (name == "--out") {
            options->out = value;
            options->outGiven = true;
        } else if (name == "--fps") {
            if (!ParseWholeInt(value, &options->fps) || options->fps < 1 || options->fps > 1000) {
                *error = "--fps takes a whole number from 1 to 1000, not \"" + std::string(value) + "\"";
                return false;
            }
        } else if (name == "--keys") {
            options->keysPath = value;
        } else if (name == "--frames-dir") {
            options->framesDir = value;
            framesGiven = true;
        } else if (name == "--log") {
            options->logPath = value;
        } else if (name == "--data") {
            options->dataFolder = value;
        } else if (name == "--only-frames") {
            if (!ParseFrameList(value, &options->onlyFrames)) {
                *error = "--only-frames takes frame numbers (0 or more) separated by commas, not \"" +
                         std::string(value) + "\"";
                return false;
            }
        } else if (name == "--size") {
            if (!ParseSize(value, &options->width, &options->height)) {
                *error = "--size takes WIDTHxHEIGHT, even numbers from 2 to " + std::to_string(CAPTURE_MAX_SIDE) +
                         ", not \"" + std::string(value) + "\"";
                return false;
            }
        } else {
            if (!ParseWholeDouble(value, &options->limitSeconds) || options->limitSeconds <= 0) {
                *error = "--limit takes a number of seconds above 0, not \"" + std::string(value) + "\"";
                return false;
            }
        }
    }
    if (framesGiven && options->outGiven) {
        *error = "--out and --frames-dir exclude each other";
        return false;
    }
    if (!options->onlyFrames.empty() && !framesGiven) {
        *error = "--only-frames needs --frames-dir";
        return false;
    }
    return true;
}

bool ContainerOfName(std::string_view name, VideoContainer* container) {
    std::string extension = LowerCase(std::filesystem::path(name).extension().string());
    if (extension == ".mp4") {
        *container = VideoContainer::MP4;
        return true;
    }
    if (extension == ".mkv") {
        *container = VideoContainer::MATROSKA;
        return true;
    }
    return false;
}
