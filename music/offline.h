// What the offline music offers beyond music.h: the caller pulls the samples.
#pragma once

#include "music/music.h"

#include <cstdint>
#include <vector>

// Renders up to (not including) stereo frame `frame` counted from the start and
// appends the interleaved 16-bit samples to `out` when it is not null.
// GetMusicPosition then answers for exactly that instant.
void RenderMusicUntil(int64_t frame, std::vector<int16_t>* out);
