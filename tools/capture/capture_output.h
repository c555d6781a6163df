// Where a capture's frames and sound go, from start to end: a folder of frames or a video.
// Includes the parts the tool is made of.
#pragma once

#include "tools/capture/capture_log.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/frames_and_sound.h"
#include "tools/capture/headless_run.h"
#include "tools/capture/video_writer.h"

#include <cstdint>
#include <string>

// Numbered PNG frames and audio.wav in a folder, or a video through ffmpeg.
// What is finished is kept; what is left unfinished is removed, so no
// half-written file stays under a final name.
struct CaptureWriter {
    std::string framesDir;         // set: the folder mode
    std::string outPath;           // else: the video
    VideoContainer container = VideoContainer::MP4;
    int32_t fps = 60;

    int64_t frames = 0;
    WavWriter wav;
    std::string wavPath;           // the folder mode's audio.wav, once finished
    VideoEncoder encoder;
    std::string videoTempPath, outTempPath;
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
