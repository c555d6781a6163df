// The fullscreen mode search, kept apart from SDL so that it can be tested on any list.
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
