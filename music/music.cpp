// Placeholder until playback lands: silent, always at order 1.
#include "music/music.h"

bool StartMusic(const char*) { return true; }
void StopMusic() {}
void GetMusicPosition(MusicPosition& position) { position = {1, 0, 0}; }
void UseOfflineMusic() {}
void RenderMusicUntil(int64_t, std::vector<int16_t>*) {}
