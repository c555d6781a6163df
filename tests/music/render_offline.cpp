// music-render-offline MODULE FRAMES OUT: the module's first FRAMES stereo
// frames, rendered offline as 16-bit interleaved samples, for comparing with
// what a device was given.
#include "music/offline.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: music-render-offline MODULE FRAMES OUT\n");
        return 2;
    }
    // The start notice goes to stdout; keep it out of the way.
    std::freopen("/dev/null", "w", stdout);
    if (!StartMusic(argv[1])) {
        std::fprintf(stderr, "music-render-offline: cannot play %s\n", argv[1]);
        return 1;
    }
    std::vector<int16_t> samples;
    RenderMusicUntil(std::strtoll(argv[2], nullptr, 10), &samples);
    StopMusic();
    FILE* out = std::fopen(argv[3], "wb");
    if (!out || std::fwrite(samples.data(), 2, samples.size(), out) != samples.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "music-render-offline: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
