// The audio device. Opened by music/, closed by music/ or by the window's
// teardown, so that exit() never runs while the device thread renders.
#pragma once

#include <cstdint>

// Called on the device's own thread to fill `frameCount` interleaved stereo frames.
using AudioFill = void (*)(void* user, int16_t* frames, int frameCount);
// Called once the device has stopped for good, on the thread that closed it.
using AudioClosed = void (*)(void* user);

struct AudioDeviceInfo {
    int32_t rate;            // frames per second actually obtained
    int32_t bufferFrames;    // frames per device buffer
    // Frames handed out but not yet heard at the moment a callback begins,
    // counting the ones that callback hands out: one buffer for the dummy and
    // disk drivers, which play a buffer right after its callback; two for
    // devices that keep one buffer queued while the next is filled.
    int32_t latencyFrames;
};

// The device's progress as last reported by its callback.
struct AudioProgress {
    int64_t framesHandedOut;      // frames given to the device since it opened
    int64_t lastCallbackMicros;   // when the last callback began (AudioClockMicros)
    int64_t nowMicros;            // the time of this reading; frozen once the device is closed
};

// Opens the default output device paused. False when no device can be opened.
// `closed` may be null.
bool OpenAudioOutput(int32_t rate, int32_t bufferFrames, AudioFill fill, AudioClosed closed, void* user,
                     AudioDeviceInfo* info);
// Starts the device's callbacks.
void StartAudioOutput();
// Stops and closes the device if it is open, then calls its `closed`; safe to
// call more than once.
void CloseAudioOutput();

// May be called from any thread, while the device is open or after it closed.
AudioProgress ReadAudioProgress();
