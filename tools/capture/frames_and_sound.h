// The capture's frame and sound writers: numbered PNG frames and the WAV file of the music.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// The 44-byte header of a 16-bit stereo 44100 Hz PCM WAV file.
std::vector<uint8_t> WavHeader(int64_t stereoFrames);

// A WAV file being written: a header for no sound first, the real one at the end.
struct WavWriter {
    std::FILE* file = nullptr;
    std::string path;
    int64_t stereoFrames = 0;
};

bool StartWav(WavWriter& wav, std::string* error);
bool AddWavSamples(WavWriter& wav, std::span<const int16_t> samples, std::string* error);
// Writes the final header and closes the file.
bool FinishWav(WavWriter& wav, std::string* error);
// Closes the file if it is open; the caller removes what it no longer wants.
void CloseWav(WavWriter& wav);

// The name of frame `index` in the folder mode: "frame-000042.png".
std::string FrameFileName(int64_t index);
