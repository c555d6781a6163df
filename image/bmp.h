// BMP pictures into 24-bit RGB images.
#pragma once

#include <cstddef>
#include <cstdint>

// Rows bottom row first, each pixel red, green, blue, no fill between rows.
// Record and pixel buffer are separate malloc blocks, released by the holder
// (FreeRgbImage releases both).
struct RgbImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
};

// Reads one BMP file; null after exactly one message (platform ShowMessage, no icon).
RgbImage* LoadBmpImage(const char* path);

void FreeRgbImage(RgbImage* image);
