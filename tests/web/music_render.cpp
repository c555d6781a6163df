// music-render MODULE OUT: the module rendered offline by the show's own player at
// 60 frames a second, a fade to silence included, as 16-bit interleaved samples, so
// that a native and a wasm build of the player can be compared sample for sample.
#include "music/offline.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int64_t FRAMES_PER_PICTURE = MUSIC_MIX_RATE / 60;   // 735: 60 pictures a second
constexpr int32_t PLAIN_PICTURES = 480;                       // 8 s as written
constexpr int32_t FADE_PICTURES = 120;                        // then 2 s down to silence
constexpr int32_t SILENT_PICTURES = 30;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: music-render MODULE OUT\n");
        return 2;
    }
    if (!StartMusic(argv[1])) {
        std::fprintf(stderr, "music-render: cannot play %s\n", argv[1]);
        return 1;
    }
    std::vector<int16_t> samples;
    int32_t picture = 0;
    for (; picture < PLAIN_PICTURES; ++picture) RenderMusicUntil((picture + 1) * FRAMES_PER_PICTURE, &samples);
    // As the outro does: a level set at every picture, reached by the next one's instant.
    for (int32_t step = 1; step <= FADE_PICTURES; ++step, ++picture) {
        float level = 1.0f - static_cast<float>(step) / FADE_PICTURES;
        SetMusicLevel(level);
        RenderMusicUntil((picture + 1) * FRAMES_PER_PICTURE, &samples);
    }
    for (int32_t step = 0; step < SILENT_PICTURES; ++step, ++picture)
        RenderMusicUntil((picture + 1) * FRAMES_PER_PICTURE, &samples);
    MusicPosition position{};
    GetMusicPosition(position);
    StopMusic();
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(samples.data(), 2, samples.size(), out) != samples.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "music-render: cannot write %s\n", argv[2]);
        return 1;
    }
    // The position the clock gives at the end belongs to the comparison too.
    std::fprintf(stderr, "music-render: %zu frames, order %d row %d at %d ms\n", samples.size() / MUSIC_CHANNELS,
                 position.order, position.row, position.milliseconds);
    return 0;
}
