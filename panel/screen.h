// The size of the screen the show is designed for, in pixels.
#pragma once

#include <cstdint>

constexpr int32_t SCREEN_WIDTH = 640;
constexpr int32_t SCREEN_HEIGHT = 480;
