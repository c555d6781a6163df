// The capture tool's parts: its options, the per-frame log, the progress line,
// and the writers of PNG frames, WAV audio and videos through ffmpeg.
#pragma once

#include "tools/capture/headless_run.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct CaptureOptions {
    std::string out = "invitation.mp4";
    bool outGiven = false;
    int32_t fps = 60;
    std::string keysPath;    // empty: the built-in tour
    std::string framesDir;   // non-empty: PNG frames and audio.wav instead of a video
    std::string logPath;
    double limitSeconds = HEADLESS_DEFAULT_LIMIT_MS / 1000.0;
    bool help = false;
};

// False with `error` set for an unknown option, a missing or bad value, or
// --out together with --frames-dir.
bool ParseCaptureArguments(int argc, const char* const* argv, CaptureOptions* options, std::string* error);
const char* CaptureUsage();

// assets/tour.keys, compiled in.
std::string_view BuiltInTour();

enum class VideoContainer { MP4, MATROSKA };
// From the name's extension (.mp4 or .mkv, any case); false for others.
bool ContainerOfName(std::string_view name, VideoContainer* container);

const char* ShowPhaseName(ShowPhase phase);
// "frame,time_ms,phase,order,row,entry,page,position\n"
std::string CaptureLogHeader();
std::string CaptureLogLine(int64_t frame, double milliseconds, const ShowStatus& status);

// Show time at which a script is expected to end: eight seconds after its
// first Escape press, else the limit. Only for the progress bar.
double ExpectedShowMilliseconds(const std::vector<KeyEvent>& keys, double limitMilliseconds);
// The same estimate, refined while the show runs: the outro's eight seconds
// are still to come at `now`, or follow `outroStart` once it has begun (< 0: not yet).
double RefineExpectedEnd(double estimate, double now, double outroStart);
// "[#####-----]  50%  3000 frames  50.0 s of show  2.5x real time", without a line end.
std::string ProgressLine(int64_t frames, double showMilliseconds, double expectedMilliseconds,
                         double wallSeconds);

// The 44-byte header of a 16-bit stereo 44100 Hz PCM WAV file.
std::vector<uint8_t> WavHeader(int64_t stereoFrames);

// The full path of a program found in the directories of `searchPath` (a
// PATH value), or empty.
std::string FindProgram(std::string_view name, std::string_view searchPath);

// ffmpeg's arguments (after the program name) for the two steps of a video:
// raw RGB frames from standard input to H.264 yuv420p, then that video with
// the WAV audio as AAC into the container.
std::vector<std::string> EncodeVideoArguments(int32_t fps, const std::string& videoPath);
std::vector<std::string> MuxArguments(const std::string& videoPath, const std::string& wavPath,
                                      VideoContainer container, const std::string& outPath);

// Where a capture's frames and sound go: numbered PNG frames and audio.wav in
// a folder, or a video through ffmpeg. What is finished is kept; what is left
// unfinished is removed, so no half-written file stays under a final name.
struct CaptureWriter {
    std::string framesDir;         // set: the folder mode
    std::string outPath;           // else: the video
    VideoContainer container = VideoContainer::MP4;
    std::string ffmpeg;            // the program's path, for the video
    int32_t fps = 60;

    int64_t frames = 0;
    int64_t stereoFrames = 0;
    std::FILE* wav = nullptr;
    std::string wavPath, wavTempPath;
    std::string videoTempPath, outTempPath;
    int ffmpegInput = -1;          // the pipe to the encoder
    int ffmpegPid = -1;
};

CaptureWriter FramesWriter(const std::string& dir);
CaptureWriter VideoWriter(const std::string& ffmpeg, const std::string& outPath, VideoContainer container,
                          int32_t fps);
bool StartCapture(CaptureWriter& writer, std::string* error);
bool AddCaptureFrame(CaptureWriter& writer, const HeadlessFrame& frame, std::string* error);
bool FinishCapture(CaptureWriter& writer, std::string* error);
// Instead of FinishCapture after a failure: stops the encoder, removes the unfinished files.
void AbandonCapture(CaptureWriter& writer);
// "frames/ (PNG frames and audio.wav)" or the video's name.
std::string CaptureDestination(const CaptureWriter& writer);
// The name of frame `index` in the folder mode: "frame-000042.png".
std::string FrameFileName(int64_t index);
