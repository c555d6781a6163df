// Where a capture's frames and sound go, from start to end: a folder of frames or a video.
// Includes the parts the tool is made of.
#pragma once

#include "tools/capture/capture_log.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/frames_and_sound.h"
#include "tools/capture/headless_run.h"
#include "tools/capture/video_writer.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

// Numbered PNG frames and audio.wav in a folder, or a video through ffmpeg.
// Everything is written under temporary names beside the target and renamed
// into place only when complete; a failed or interrupted capture removes them
// and leaves an existing file or folder of the target's name as it was.
// The frames go into a temporary folder that becomes the named folder at the
// end: a named folder that already exists must be empty (it is replaced).
struct CaptureWriter {
    std::string framesDir;         // set: the folder mode, as it was named
    std::string framesFinalDir;    // the folder it names (a link's destination)
    std::string framesTempDir;
    std::vector<int64_t> onlyFrames;   // ascending; empty: every frame as PNG
    int64_t lastWritten = -1;          // the last frame written as PNG
    std::string outPath;           // else: the video
    VideoContainer container = VideoContainer::MP4;
    int32_t fps = 60;
    // Set by a signal handler: the capture is not put in place once it is.
    const volatile std::sig_atomic_t* stop = nullptr;

    int64_t frames = 0;
    WavWriter wav;
    VideoEncoder encoder;
    std::string videoTempPath, outTempPath;
};

CaptureWriter FramesWriter(const std::string& dir);
CaptureWriter VideoWriter(const std::string& ffmpeg, const std::string& outPath, VideoContainer container,
                          int32_t fps, int32_t width = SCREEN_WIDTH, int32_t height = SCREEN_HEIGHT);
// Fails, before anything is rendered, when --out names a folder, --frames-dir
// names a file or a folder that is not empty, or the target's folder cannot be written.
bool StartCapture(CaptureWriter& writer, std::string* error);
bool AddCaptureFrame(CaptureWriter& writer, const HeadlessFrame& frame, std::string* error);
bool FinishCapture(CaptureWriter& writer, std::string* error);
// Instead of FinishCapture after a failure: stops the encoder, removes the unfinished files.
void AbandonCapture(CaptureWriter& writer);
// "frames/ (PNG frames and audio.wav)" or the video's name.
std::string CaptureDestination(const CaptureWriter& writer);
