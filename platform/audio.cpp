#include "platform/audio.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace {

SDL_AudioDeviceID Device;
AudioFill Fill;
void* FillUser;

void DeviceCallback(void* /*userdata*/, Uint8* stream, int length) {
    Fill(FillUser, reinterpret_cast<int16_t*>(stream), length / 4);
}

}  // namespace

bool OpenAudioOutput(int32_t rate, int32_t bufferFrames, AudioFill fill, void* user, AudioDeviceInfo* info) {
    if (Device) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        return false;
    }
    Fill = fill;
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
        return false;
    }
    if (info) {
        info->rate = obtained.freq;
        info->bufferFrames = obtained.samples;
    }
    return true;
}

void StartAudioOutput() {
    if (Device) SDL_PauseAudioDevice(Device, 0);
}

void CloseAudioOutput() {
    if (!Device) return;
    SDL_CloseAudioDevice(Device);
    Device = 0;
}
