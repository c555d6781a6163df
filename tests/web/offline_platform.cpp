// The few platform calls the music player makes, for a build that only renders
// offline (the wasm comparison): no audio device, data paths as given.
#include "platform/audio.h"
#include "platform/platform.h"

bool OpenAudioOutput(int32_t, int32_t, AudioFill, AudioClosed, void*, AudioDeviceInfo*) { return false; }
void StartAudioOutput() {}
void CloseAudioOutput() {}
AudioProgress ReadAudioProgress() { return {}; }

std::string NativePath(const char* path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}
