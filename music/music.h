// The show's music and the clock it gives the intro.
#pragma once

#include <cstdint>
#include <vector>

struct MusicPosition {
    int32_t order;
    int32_t row;
    int32_t milliseconds;
};

// Loads the module (path as the program writes it) and starts playing it from
// its beginning. False when it cannot be loaded or no output can be opened.
bool StartMusic(const char* path);
void StopMusic();
// What is heard now.
void GetMusicPosition(MusicPosition& position);

// Offline rendering, for the headless runs: no device; the music advances only
// when asked, so the position is exact for any instant. Call before StartMusic.
void UseOfflineMusic();
// Renders up to (not including) stereo frame `frame` counted from the start and
// appends the interleaved 16-bit samples to `out` when it is not null.
// GetMusicPosition then answers for exactly that instant.
void RenderMusicUntil(int64_t frame, std::vector<int16_t>* out);
