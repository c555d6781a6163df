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

PictureRect FitPicture(int32_t width, int32_t height) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    int64_t w = width, h = height;
    PictureRect rect{0, 0, width, height};
    if (w * 3 > h * 4)
        rect.width = static_cast<int32_t>(h * 4 / 3);   // bars left and right
    else if (w * 3 < h * 4)
        rect.height = static_cast<int32_t>(w * 3 / 4);   // bars above and below
    rect.x = (width - rect.width) / 2;
    rect.y = (height - rect.height) / 2;
    return rect;
}

int32_t WindowScale(int32_t desktopWidth, int32_t desktopHeight, int32_t width, int32_t height) {
    // A tenth of the desktop is left for panels and the window's frame.
    int32_t scale = 1;
    while (static_cast<int64_t>(width) * (scale + 1) * 10 <= static_cast<int64_t>(desktopWidth) * 9 &&
           static_cast<int64_t>(height) * (scale + 1) * 10 <= static_cast<int64_t>(desktopHeight) * 9)
        ++scale;
    return scale;
}
