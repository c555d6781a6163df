// How a placement maps onto the screen and its picture.
#include "panel/placement.h"

#include <cmath>
#include <limits>

PlacementPoint PlacementAtPixel(const PanelPlacement& placement, int32_t column, int32_t row, int32_t screenWidth,
                                int32_t screenHeight) {
    double x = (column + 0.5) * 2.0 / screenWidth - 1.0;
    double y = 1.0 - (row + 0.5) * 2.0 / screenHeight;
    return {(x - placement.xStart) / (placement.xEnd - placement.xStart),
            (y - placement.yStart) / (placement.yEnd - placement.yStart)};
}

TexelScale ScreenPixelsPerTexel(const PanelPlacement& placement, int32_t pictureWidth, int32_t pictureHeight,
                                int32_t screenWidth, int32_t screenHeight) {
    ScreenCorners corners = PlacementOnScreen(placement, screenWidth, screenHeight);
    double pixelsX = std::fabs(corners.right - corners.left);
    double pixelsY = std::fabs(corners.bottom - corners.top);
    double texelsX = std::fabs(static_cast<double>(placement.uEnd) - placement.uStart) * pictureWidth;
    double texelsY = std::fabs(static_cast<double>(placement.vEnd) - placement.vStart) * pictureHeight;
    constexpr double INFINITE = std::numeric_limits<double>::infinity();
    return {texelsX > 0.0 ? pixelsX / texelsX : INFINITE, texelsY > 0.0 ? pixelsY / texelsY : INFINITE};
}

bool IsNearlyOneToOne(TexelScale scale) {
    return std::fabs(scale.x - 1.0) <= ONE_TO_ONE_TOLERANCE && std::fabs(scale.y - 1.0) <= ONE_TO_ONE_TOLERANCE;
}
