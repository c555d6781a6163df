// The SDL audio device and the progress counters the music clock reads.
#include "platform/audio.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>

// A monotonic clock in microseconds.
static int64_t AudioClockMicros();

namespace {

SDL_AudioDeviceID Device;
AudioFill Fill;
AudioClosed Closed;
void* FillUser;

// Written by the device thread alone, read from any thread: a sequence count
// that is odd while an update is under way.
std::atomic<uint32_t> ProgressSequence;
std::atomic<int64_t> HandedOut;
std::atomic<int64_t> CallbackMicros;
std::atomic<int64_t> ClosedMicros{-1};

void PublishProgress(int64_t handedOut, int64_t callbackMicros) {
    uint32_t sequence = ProgressSequence.load(std::memory_order_relaxed);
    ProgressSequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    HandedOut.store(handedOut, std::memory_order_relaxed);
    CallbackMicros.store(callbackMicros, std::memory_order_relaxed);
    ProgressSequence.store(sequence + 2, std::memory_order_release);
}

void DeviceCallback(void* /*userdata*/, Uint8* stream, int length) {
    int64_t began = AudioClockMicros();
    int frames = length / 4;
    Fill(FillUser, reinterpret_cast<int16_t*>(stream), frames);
    PublishProgress(HandedOut.load(std::memory_order_relaxed) + frames, began);
}

// Drivers that play each buffer right after its callback and then wait for it
// to end, with nothing else queued.
bool PlaysRightAfterCallback(const char* driver) {
    return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0);
}

}  // namespace

static int64_t AudioClockMicros() {
    static const Uint64 frequency = SDL_GetPerformanceFrequency();
    Uint64 counter = SDL_GetPerformanceCounter();
    return static_cast<int64_t>(counter / frequency * 1000000 + counter % frequency * 1000000 / frequency);
}

bool OpenAudioOutput(int32_t rate, int32_t bufferFrames, AudioFill fill, AudioClosed closed, void* user,
                     AudioDeviceInfo* info) {
    if (Device) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        return false;
    }
    Fill = fill;
    Closed = closed;
    FillUser = user;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = DeviceCallback;
    SDL_AudioSpec obtained{};
    // Rate, format and channels are ours to keep: SDL converts if the device differs.
    Device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (!Device) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    ClosedMicros.store(-1);
    PublishProgress(0, AudioClockMicros());
    if (info) {
        info->rate = obtained.freq;
        info->bufferFrames = obtained.samples;
        info->latencyFrames = obtained.samples * (PlaysRightAfterCallback(SDL_GetCurrentAudioDriver()) ? 1 : 2);
    }
    return true;
}

void StartAudioOutput() {
    if (!Device) return;
    // The clock starts with the sound.
    PublishProgress(0, AudioClockMicros());
    SDL_PauseAudioDevice(Device, 0);
}

void CloseAudioOutput() {
    if (!Device) return;
    ClosedMicros.store(AudioClockMicros());
    SDL_CloseAudioDevice(Device);
    Device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    AudioClosed closed = Closed;
    Closed = nullptr;
    if (closed) closed(FillUser);
}

AudioProgress ReadAudioProgress() {
    AudioProgress progress{};
    for (;;) {
        uint32_t before = ProgressSequence.load(std::memory_order_acquire);
        progress.framesHandedOut = HandedOut.load(std::memory_order_relaxed);
        progress.lastCallbackMicros = CallbackMicros.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && ProgressSequence.load(std::memory_order_relaxed) == before) break;
    }
    int64_t closedAt = ClosedMicros.load();
    progress.nowMicros = closedAt >= 0 ? closedAt : AudioClockMicros();
    return progress;
}
