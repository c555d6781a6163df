// The audio device. Opened by music/, closed by music/ or by the window's
// teardown, so that exit() never runs while the device thread renders.
#pragma once

#include <cstdint>

// Called on the device's own thread to fill `frameCount` interleaved stereo frames.
using AudioFill = void (*)(void* user, int16_t* frames, int frameCount);

struct AudioDeviceInfo {
    int32_t rate;           // frames per second actually obtained
    int32_t bufferFrames;   // frames per device buffer
};

// Opens the default output device paused. False when no device can be opened.
bool OpenAudioOutput(int32_t rate, int32_t bufferFrames, AudioFill fill, void* user, AudioDeviceInfo* info);
// Starts the device's callbacks.
void StartAudioOutput();
// Stops and closes the device if it is open; safe to call more than once.
void CloseAudioOutput();
