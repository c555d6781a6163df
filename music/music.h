// The show's music and the clock it gives the intro.
#pragma once

#include "music/module_file.h"

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
// The output is chosen when linking: `music_live` plays on the audio device,
// `music_offline` renders when the caller asks (music/offline.h).
bool StartMusic(const char* path);
// Starts loading the module on a thread of its own, so that StartMusic with the
// same path only has to start it. Nothing is heard or said before StartMusic.
void LoadMusicAhead(const char* path);
// Waits for a load started ahead and drops it, for a program that ends before its
// music starts (also at exit).
void DropMusicAhead();
void StopMusic();
// The music's level from the next samples rendered on: 1 plays it as written,
// 0 is silence. The samples are scaled by the level squared, so the loudness
// falls about as evenly as the light of a picture faded by the same level; the
// change is spread in a straight line over the next stretch rendered (a device
// buffer live, up to the instant asked for offline), so it never clicks. Until a
// level below 1 is set no sample is touched.
void SetMusicLevel(float level);

// What is heard now.
void GetMusicPosition(MusicPosition& position);
