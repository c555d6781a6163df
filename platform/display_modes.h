// The display's side of the window kept apart from SDL, so it can be tested on any numbers:
// the fullscreen mode search, the picture inside an output and the window's first size.
#pragma once

#include <cstdint>

constexpr int DISPLAY_MODE_CAPACITY = 5000;
constexpr int DISPLAY_MODE_SCAN_LIMIT = 4999;

struct DisplayModeInfo {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

// Index of the mode of exactly width x height with the most bits per pixel, the
// first reported among equals; only the first DISPLAY_MODE_SCAN_LIMIT modes count.
// -1 when there is none.
int FindDisplayMode(const DisplayModeInfo* modes, int count, int32_t width, int32_t height);

// The show's 4:3 picture inside an output of width x height: as large as fits,
// centred, in pixels from the bottom-left corner (GL's viewport). The rest of
// the output is bars.
struct PictureRect {
    int32_t x, y, width, height;
};
PictureRect FitPicture(int32_t width, int32_t height);

// The window's first size for a desktop of the given size: the largest whole
// multiple of width x height that leaves room for the desktop's panels and the
// window's frame; at least 1.
int32_t WindowScale(int32_t desktopWidth, int32_t desktopHeight, int32_t width, int32_t height);
