// The show's music and the clock it gives the intro.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MusicPosition {
    int32_t order;
    int32_t row;
    int32_t milliseconds;
};

// Stereo frames per second of the music, live and offline.
constexpr int32_t MUSIC_MIX_RATE = 44100;
constexpr int32_t MUSIC_CHANNELS = 2;
// Written to standard output at the start and at every later order of the music.
constexpr const char* MUSIC_ORDER_NOTICE = "\nOrder Callback\n";

// Loads the module (path as the program writes it) and starts playing it from
// its beginning. False when it cannot be loaded or no output can be opened.
bool StartMusic(const char* path);
void StopMusic();

// What the player makes of a module file, loaded as StartMusic loads it but
// not played: whether it loads (else why not), and what the player said about
// it while loading, such as a file cut short or samples missing.
struct ModuleReport {
    bool loads = false;
    std::string failure;                 // why it does not load
    std::vector<std::string> warnings;   // each a line of the player's own words
};
ModuleReport InspectModuleFile(const char* nativePath);
// What is heard now.
void GetMusicPosition(MusicPosition& position);

// Offline rendering, for the headless runs: no device; the music advances only
// when asked, so the position is exact for any instant. Call before StartMusic;
// UseOfflineMusic(false) returns to the audio device for the next start.
void UseOfflineMusic(bool offline = true);
// Renders up to (not including) stereo frame `frame` counted from the start and
// appends the interleaved 16-bit samples to `out` when it is not null.
// GetMusicPosition then answers for exactly that instant.
void RenderMusicUntil(int64_t frame, std::vector<int16_t>* out);

// The file hooks through which the module is read, standard buffered streams
// underneath. The handle is the stream; every hook refuses a null handle.
void* ModuleFileOpen(const char* name);                     // "rb" stream of a regular file; null otherwise
int32_t ModuleFileClose(void* handle);                      // 0, or -1
int32_t ModuleFileRead(void* buffer, int32_t length, void* handle);  // bytes read
// Mode 0 from the beginning, 1 from the current position, 2 from the end;
// 0 on success, -1 on failure and for any other mode (position unchanged).
int32_t ModuleFileSeek(void* handle, int32_t position, int8_t mode);
int32_t ModuleFileTell(void* handle);                       // bytes from the beginning, or -1
