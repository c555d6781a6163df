// Where the show's panels lie on screen, and how their pictures map to screen pixels.
// Pure arithmetic: the generator and the data checker use it without GL.
#pragma once

#include "panel/screen.h"

#include <array>
#include <cstdint>

// Where the panels first..last of the show lie on screen (x, y from -1 to 1)
// and which window of their pictures they show. Each is a 2 x 2 grid at
// z = -1 drawn with the texture of its own number.
struct PanelPlacement {
    int32_t first, last;
    float xStart, yStart, xEnd, yEnd;
    float uStart, vStart, uEnd, vEnd;
};

constexpr float PANEL_Z = -1.0f;

constexpr std::array<PanelPlacement, 14> SCENE_PANEL_PLACEMENTS = {{
    {0, 0, -1.0f, -1.0f, 0.6f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {1, 1, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {2, 18, -0.15f, -1.35f, 0.7875f, 0.8f, 0.0f, 0.0f, 0.5859375f, 1.0f},
    {20, 22, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {30, 33, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {35, 36, 0.5f, 0.5f, 0.7f, 0.766f, 0.0f, 0.0f, 1.0f, 1.0f},
    {40, 40, 0.0f, -0.6f, 1.1f, 0.6f, 0.0f, 0.4f, 0.7f, 1.0f},
    {41, 41, -1.0f, -1.0f, 1.0f, -0.6f, 0.0f, 0.9f, 0.6f, 1.0f},
    {42, 42, -0.8f, -0.8f, 0.4f, -0.4f, 0.0f, 0.0f, 1.0f, 1.0f},
    {43, 43, -1.0f, 0.6f, 1.0f, 1.0f, 0.0f, 0.9f, 0.6f, 1.0f},
    {44, 44, -0.25f, -0.6f, 0.35f, -0.2f, 0.0f, 0.0f, 1.0f, 1.0f},
    {50, 52, -1.0f, -0.5f, 1.0f, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f},
    {53, 55, -0.3f, -0.08f, 0.3f, 0.08f, 0.0f, 0.0f, 1.0f, 1.0f},
    {60, 61, -1.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f},
}};

// The placement of a panel of the show; null for a number the show never builds.
const PanelPlacement* FindPanelPlacement(int32_t panel);

// Screen x and y (from -1 to 1, y upwards) in screen pixels from the left and from the top.
inline double ScreenColumn(double x, int32_t screenWidth = SCREEN_WIDTH) { return (x + 1.0) * screenWidth / 2.0; }
inline double ScreenRow(double y, int32_t screenHeight = SCREEN_HEIGHT) { return (1.0 - y) * screenHeight / 2.0; }

// The placement's corners in screen pixels (x from the left, y from the top) on a
// screen of the given size: (xStart, yStart) lands on (left, top), (xEnd, yEnd)
// on (right, bottom), whichever way round they lie.
struct ScreenCorners {
    double left, top, right, bottom;
};
ScreenCorners PlacementOnScreen(const PanelPlacement& placement, int32_t screenWidth = SCREEN_WIDTH,
                                int32_t screenHeight = SCREEN_HEIGHT);

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
