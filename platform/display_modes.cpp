// The fullscreen mode search over a list of modes.
#include "platform/display_modes.h"

int FindDisplayMode(const DisplayModeInfo* modes, int count, int32_t width, int32_t height) {
    int best = -1;
    int32_t bestDepth = -1;
    for (int i = 0; i < count && i < DISPLAY_MODE_SCAN_LIMIT; ++i) {
        const DisplayModeInfo& mode = modes[i];
        if (mode.width == width && mode.height == height && mode.bitsPerPixel > bestDepth) {
            best = i;
            bestDepth = mode.bitsPerPixel;
        }
    }
    return best;
}
