// The size of the screen the show is designed for, in pixels.
#pragma once

#include <cstdint>

constexpr int32_t SCREEN_WIDTH = 640;
constexpr int32_t SCREEN_HEIGHT = 480;

// A data folder's pictures may be drawn for a screen N times that size each way,
// N from 1 to this; the panels show them as they show N = 1 on the smaller screen.
constexpr int32_t MAX_PICTURE_SCALE = 4;
