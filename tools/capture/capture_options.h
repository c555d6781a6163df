// invitation-capture's command line: the options, their usage text and the built-in key script.
#pragma once

#include "tools/capture/headless_run.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CaptureOptions {
    std::string out = "invitation.mp4";
    bool outGiven = false;
    int32_t fps = 60;
    std::string keysPath;    // empty: the built-in tour
    std::string framesDir;   // non-empty: PNG frames and audio.wav instead of a video
    std::vector<int64_t> onlyFrames;   // with framesDir: only these frames as PNG (ascending); empty: all
    std::string logPath;
    double limitSeconds = HEADLESS_DEFAULT_LIMIT_MS / 1000.0;
    int32_t width = SCREEN_WIDTH;   // --size WxH
    int32_t height = SCREEN_HEIGHT;
    std::string dataFolder;  // empty: found as the program finds it
    bool help = false;
};

// False with `error` set for an unknown option, a missing or bad value,
// --out together with --frames-dir, or --only-frames without --frames-dir.
constexpr int32_t CAPTURE_MAX_SIDE = 8192;
bool ParseCaptureArguments(int argc, const char* const* argv, CaptureOptions* options, std::string* error);
const char* CaptureUsage();

// assets/tour.keys, compiled in.
std::string_view BuiltInTour();

enum class VideoContainer { MP4, MATROSKA };
// From the name's extension (.mp4 or .mkv, any case); false for others.
bool ContainerOfName(std::string_view name, VideoContainer* container);
