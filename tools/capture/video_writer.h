// The capture's video writer: ffmpeg found on the PATH, fed raw frames through a pipe,
// then muxing the video with the WAV sound.
#pragma once

#include "tools/capture/capture_options.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The full path of a program found in the directories of `searchPath` (a
// PATH value), or empty.
std::string FindProgram(std::string_view name, std::string_view searchPath);

// ffmpeg's arguments (after the program name) for the two steps of a video:
// raw yuv420p frames from standard input to H.264, then that video with the
// WAV audio as AAC into the container.
std::vector<std::string> EncodeVideoArguments(int32_t fps, int32_t width, int32_t height, const std::string& videoPath);
std::vector<std::string> MuxArguments(const std::string& videoPath, const std::string& wavPath,
                                      VideoContainer container, const std::string& outPath);

// Frames handed to the encoder and not yet taken by it. The pipe does not
// block: the show renders on while ffmpeg encodes, and waits only when this
// much is waiting. A frame that repeats the last one shares its buffer, so the
// queue can run seconds ahead through a page being read, while the encoder
// catches up, and the encoder through a cross-fade, which costs the rendering
// most: neither has to wait for the other at every change of pace.
constexpr size_t VIDEO_BYTES_AHEAD = size_t{256} << 20;   // in distinct frames' buffers
constexpr size_t VIDEO_FRAMES_AHEAD = 600;                // ten seconds at 60 fps

// The encoder of the first step while it runs.
struct VideoEncoder {
    std::string ffmpeg;   // the program's path
    int32_t width = SCREEN_WIDTH;   // of every frame
    int32_t height = SCREEN_HEIGHT;
    int input = -1;       // the pipe to it
    int pid = -1;
    using Buffer = std::shared_ptr<std::vector<uint8_t>>;
    std::deque<Buffer> waiting;   // frames not yet written whole to the pipe, oldest first
    size_t writtenOfFirst = 0;    // bytes of waiting.front() already written
    Buffer last;                  // the last frame added, converted
    std::vector<Buffer> spare;    // buffers no frame uses any more, for the next ones
    size_t buffers = 0;           // made so far: those waiting or last, and the spare ones
};

// The bytes of one yuv420p frame: the luma plane, then the two chroma planes at
// half the width and height (both even).
size_t Yuv420Bytes(int32_t width, int32_t height);
// Converts top-down RGB rows to yuv420p as the video is tagged: BT.601, limited
// range, each chroma sample the mean of its 2x2 pixels. `yuv` holds Yuv420Bytes.
void RgbToYuv420(const uint8_t* rgb, int32_t width, int32_t height, uint8_t* yuv);

bool StartVideoEncoder(VideoEncoder& encoder, int32_t fps, const std::string& videoPath, std::string* error);
// `repeat`: the frame is the last one again, whose conversion is reused.
bool AddVideoFrame(VideoEncoder& encoder, const uint8_t* rgb, bool repeat, std::string* error);
// Ends the input and waits for the encoder; true when it succeeded.
bool FinishVideoEncoder(VideoEncoder& encoder, std::string* error);
// Runs the second step to its end; true when it succeeded.
bool MuxVideo(const std::string& ffmpeg, const std::string& videoPath, const std::string& wavPath,
              VideoContainer container, const std::string& outPath, std::string* error);
// Stops an encoder that is still running.
void StopVideoEncoder(VideoEncoder& encoder);
