// The capture's video writer: ffmpeg found on the PATH, fed raw frames through a pipe,
// then muxing the video with the WAV sound.
#pragma once

#include "tools/capture/capture_options.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The full path of a program found in the directories of `searchPath` (a
// PATH value), or empty.
std::string FindProgram(std::string_view name, std::string_view searchPath);

// ffmpeg's arguments (after the program name) for the two steps of a video:
// raw RGB frames from standard input to H.264 yuv420p, then that video with
// the WAV audio as AAC into the container.
std::vector<std::string> EncodeVideoArguments(int32_t fps, const std::string& videoPath);
std::vector<std::string> MuxArguments(const std::string& videoPath, const std::string& wavPath,
                                      VideoContainer container, const std::string& outPath);

// The encoder of the first step while it runs.
struct VideoEncoder {
    std::string ffmpeg;   // the program's path
    int input = -1;       // the pipe to it
    int pid = -1;
};

bool StartVideoEncoder(VideoEncoder& encoder, int32_t fps, const std::string& videoPath, std::string* error);
bool AddVideoFrame(VideoEncoder& encoder, const uint8_t* rgb, std::string* error);
// Ends the input and waits for the encoder; true when it succeeded.
bool FinishVideoEncoder(VideoEncoder& encoder, std::string* error);
// Runs the second step to its end; true when it succeeded.
bool MuxVideo(const std::string& ffmpeg, const std::string& videoPath, const std::string& wavPath,
              VideoContainer container, const std::string& outPath, std::string* error);
// Stops an encoder that is still running.
void StopVideoEncoder(VideoEncoder& encoder);
