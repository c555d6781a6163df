// How a panel's place on screen maps to screen pixels and to its picture's texels.
// Pure arithmetic: the generator and the data checker use it without GL.
#pragma once

#include "panel/screen.h"

#include <cstdint>

// Where a panel lies on screen (x, y from -1 to 1) and which window of its
// picture it shows: a 2 x 2 grid at z = -1. Each picture's is in panel/scene_table.h.
struct PanelPlacement {
    float xStart, yStart, xEnd, yEnd;
    float uStart, vStart, uEnd, vEnd;
};

constexpr float PANEL_Z = -1.0f;

// Screen x and y (from -1 to 1, y upwards) in screen pixels from the left and from the top.
constexpr double ScreenColumn(double x, int32_t screenWidth = SCREEN_WIDTH) { return (x + 1.0) * screenWidth / 2.0; }
constexpr double ScreenRow(double y, int32_t screenHeight = SCREEN_HEIGHT) { return (1.0 - y) * screenHeight / 2.0; }

// The placement's corners in screen pixels (x from the left, y from the top) on a
// screen of the given size: (xStart, yStart) lands on (left, top), (xEnd, yEnd)
// on (right, bottom), whichever way round they lie.
struct ScreenCorners {
    double left, top, right, bottom;
};
constexpr ScreenCorners PlacementOnScreen(const PanelPlacement& placement, int32_t screenWidth = SCREEN_WIDTH,
                                          int32_t screenHeight = SCREEN_HEIGHT) {
    return {ScreenColumn(placement.xStart, screenWidth), ScreenRow(placement.yStart, screenHeight),
            ScreenColumn(placement.xEnd, screenWidth), ScreenRow(placement.yEnd, screenHeight)};
}

// The other way: where the centre of a screen pixel falls within the placement,
// s across from xStart to xEnd and t from yStart to yEnd (0 to 1 inside).
struct PlacementPoint {
    double s, t;
};
PlacementPoint PlacementAtPixel(const PanelPlacement& placement, int32_t column, int32_t row,
                                int32_t screenWidth = SCREEN_WIDTH, int32_t screenHeight = SCREEN_HEIGHT);

// How many screen pixels one texel of a width x height picture covers when the
// placement is drawn on a screen of the given size. Infinite when the picture or
// the texture window is empty.
struct TexelScale {
    double x, y;
};
TexelScale ScreenPixelsPerTexel(const PanelPlacement& placement, int32_t pictureWidth, int32_t pictureHeight,
                                int32_t screenWidth = SCREEN_WIDTH, int32_t screenHeight = SCREEN_HEIGHT);

// Within this fraction of one pixel per texel, a picture shows without visible
// stretching or loss.
constexpr double ONE_TO_ONE_TOLERANCE = 0.1;
bool IsNearlyOneToOne(TexelScale scale);
