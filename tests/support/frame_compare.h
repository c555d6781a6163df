// Frames of different sizes side by side: averaged down, enlarged, told apart, judged for sharpness.
#pragma once

#include "tools/generate/bmp_write.h"

#include <cstdint>
#include <vector>

// A frame is an RgbPicture (8-bit RGB, top row first); each `factor` x `factor`
// block of its pixels averaged into one (rounded).
RgbPicture AverageDown(const RgbPicture& frame, int32_t factor);
// `factor` times larger each way, sampled bilinearly between pixel centres.
RgbPicture EnlargeBilinear(const RgbPicture& frame, int32_t factor);

// Over every channel of every pixel of two frames of one size.
struct FrameDifference {
    double mean = 0;
    int32_t most = 0;
    double overQuarter = 0;   // share of channels that differ by more than 64
};
FrameDifference CompareFrames(const RgbPicture& a, const RgbPicture& b);

// Mean of the squared luminance gradient (forward differences, 0 to 255 a
// channel) over the rectangle [left, right) x [top, bottom) of the frame.
double GradientEnergy(const RgbPicture& frame, int32_t left, int32_t top, int32_t right, int32_t bottom);
